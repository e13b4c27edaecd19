#pragma once
// Station coordinate file: one fixed-column line per station.
#include <cstddef>
#include <span>
#include <string>

#include "metadata/line_reader.hpp"
#include "text/fixed_text.hpp"

namespace tw {

// One line of the file as a lookup reads it: the station, latitude and longitude with 4
// implied decimals, elevation with 1. A line holding a malformed number, or an over-long one,
// is not ok: it ends every lookup that reaches it.
struct CoordinateEntry {
    FixedText<4> code;
    float lat = 0.0f, lon = 0.0f, ele = 0.0f;
    bool ok = false;
};
bool read_entry(LineReader& file, CoordinateEntry& entry);
inline bool ends_every_scan(const CoordinateEntry& entry) {
    return !entry.ok;
}
inline std::size_t kept_bytes(const CoordinateEntry&) {
    return sizeof(CoordinateEntry);
}

// Looks the station up from the top of the file. On a match (the first matching line wins)
// sets slat, slon, sele and ierr 0; otherwise the outputs keep their values and ierr is 999
// (not found, or a malformed line reached first) or 1000 (file cannot be opened, or it is no
// regular file).
void fetch_coord(const std::string& path, const FixedText<4>& station, float& slat, float& slon,
                 float& sele, int& ierr);
// The same lookup over the entries of the file kept in memory (see kept_entries.hpp).
void fetch_coord(std::span<const CoordinateEntry> kept, const FixedText<4>& station, float& slat,
                 float& slon, float& sele, int& ierr);

} // namespace tw
