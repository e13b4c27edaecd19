#pragma once
// Instrument response file: per station channel and validity period a header line, a count line
// (gain constant, number of zeros, number of poles), the zero lines and the pole lines.
#include <string>

#include "records/records.hpp"

namespace tw {

// Resets `instr`, then scans the file from the top for the entry of the station (first 4
// characters of head.stat) whose SEED channel (columns 70-72) equals the first 3 characters of
// head.chan and whose validity period holds head.stime, both limits inclusive. On a match
// fills `instr` (unit_code, gs, np, nz, poles then zeros) and head (azi, dip, gs, np, nz,
// poles, unit_code); ierr is then 0, or 997/998 when an entry read up to the match had an
// invalid day of year. ierr 999 with `head` untouched when no entry matches, when a header or
// count line is malformed, when the matching entry has more than 60 poles and zeros, a
// malformed or missing zero or pole line, or a unit text other than the three known ones.
// A file that cannot be opened: 1000.
void fetch_response(const std::string& path, TraceHeader& head, InstrumentResponse& instr,
                    int& ierr);

} // namespace tw
