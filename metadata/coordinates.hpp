#pragma once
// Station coordinate file: one fixed-column line per station.
#include <string>

#include "text/fixed_text.hpp"

namespace tw {

// Looks the station up from the top of the file. On a match (the first matching line wins)
// sets slat, slon, sele and ierr 0; otherwise the outputs keep their values and ierr is 999
// (not found, or a malformed line reached first) or 1000 (file cannot be opened).
void fetch_coord(const std::string& path, const FixedText<4>& station, float& slat, float& slon,
                 float& sele, int& ierr);

} // namespace tw
