#pragma once
// Sensitivity file: two lines per station channel and validity period.
#include <string>

#include "records/records.hpp"

namespace tw {

// Resets `sens`, then scans the file from the top for the entry of the station (first 4
// characters of head.stat) and channel (first 3 of head.chan) valid at head.stime, both limits
// inclusive. On a match fills `sens` and copies unit_code, fp_sens, fp_lc, fp_hc into `head`;
// ierr is then 0, or 997/998 when an entry read up to the match had an invalid day of year.
// Not found, a malformed first line or a missing or malformed second line: 999, `head`
// untouched. A file that cannot be opened: 1000.
void fetch_sens(const std::string& path, TraceHeader& head, Sensitivity& sens, int& ierr);

} // namespace tw
