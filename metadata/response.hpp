#pragma once
// Instrument response file: per station channel and validity period a header line, a count line
// (gain constant, number of zeros, number of poles), the zero lines and the pole lines.
#include <complex>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "metadata/entry_fields.hpp"
#include "metadata/line_reader.hpp"
#include "records/records.hpp"

namespace tw {

// One entry as a lookup reads it. Not ok when its header or count line is malformed, over-long
// or missing: no lookup reads past it. Not complete when the file ends inside its zero and pole
// lines: a lookup that does not match it cannot skip it and fails there too.
struct ResponseEntry {
    bool ok = false, complete = false;
    FixedText<4> station;
    FixedText<3> channel; // SEED channel code; the label in columns 5-8 takes no part
    EntryPeriod period;
    float azi = 0.0f, dip = 0.0f;
    int unit_code = 999;
    float gs = 0.0f;
    int nz = 0, np = 0;
    // np poles, then nz zeros, when the counts fit InstrumentResponse and every zero and pole
    // line was read; otherwise empty and values_ok false.
    bool values_ok = false;
    std::vector<std::complex<float>> values;
};
bool read_entry(LineReader& file, ResponseEntry& entry);
inline bool ends_every_scan(const ResponseEntry& entry) {
    return !entry.ok || !entry.complete;
}
inline std::size_t kept_bytes(const ResponseEntry& entry) {
    return sizeof(ResponseEntry) + entry.values.capacity() * sizeof(entry.values[0]);
}

// Resets `instr`, then scans the file from the top for the entry of the station (first 4
// characters of head.stat) whose SEED channel (columns 70-72) equals the first 3 characters of
// head.chan and whose validity period holds head.stime, both limits inclusive. On a match
// fills `instr` (unit_code, gs, np, nz, poles then zeros) and head (azi, dip, gs, np, nz,
// poles, unit_code); ierr is then 0, or 997/998 when an entry read up to the match had an
// invalid day of year. ierr 999 with `head` untouched when no entry matches, when a header or
// count line is malformed, when the matching entry has more than 60 poles and zeros, a
// malformed or missing zero or pole line, or a unit text other than the three known ones.
// An over-long line is a malformed one. A file that cannot be opened, or is no regular file:
// 1000.
void fetch_response(const std::string& path, TraceHeader& head, InstrumentResponse& instr,
                    int& ierr);
// The same lookup over the entries of the file kept in memory (see kept_entries.hpp).
void fetch_response(std::span<const ResponseEntry> kept, TraceHeader& head,
                    InstrumentResponse& instr, int& ierr);

} // namespace tw
