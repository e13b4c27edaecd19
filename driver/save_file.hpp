#pragma once
#include <string>

#include "records/records.hpp"

namespace tw {

// Appends one save record (header line and npts data lines normalised by the largest absolute
// value) for the trace in d1 to the save file `name`.
void save_to_ascii(const TraceHeader& head, const float* d1, const std::string& name, int& ierr);

} // namespace tw
