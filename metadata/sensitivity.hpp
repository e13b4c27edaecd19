#pragma once
// Sensitivity file: two lines per station channel and validity period.
#include <cstddef>
#include <span>
#include <string>

#include "metadata/entry_fields.hpp"
#include "metadata/line_reader.hpp"
#include "records/records.hpp"

namespace tw {

// One entry (two lines) as a lookup reads it. An entry holding a malformed number or an
// over-long line, or cut short by the end of the file, is not ok: it ends every lookup that
// reaches it.
struct SensitivityEntry {
    FixedText<4> station;
    FixedText<3> channel;
    EntryPeriod period;
    int unit_code = 999;
    float fp_lc = 0.0f, fp_hc = 0.0f, fp_sens = 0.0f;
    bool ok = false;
};
bool read_entry(LineReader& file, SensitivityEntry& entry);
inline bool ends_every_scan(const SensitivityEntry& entry) {
    return !entry.ok;
}
inline std::size_t kept_bytes(const SensitivityEntry&) {
    return sizeof(SensitivityEntry);
}

// Resets `sens`, then scans the file from the top for the entry of the station (first 4
// characters of head.stat) and channel (first 3 of head.chan) valid at head.stime, both limits
// inclusive. On a match fills `sens` and copies unit_code, fp_sens, fp_lc, fp_hc into `head`;
// ierr is then 0, or 997/998 when an entry read up to the match had an invalid day of year.
// Not found, a malformed first line or a missing or malformed second line: 999, `head`
// untouched. A file that cannot be opened, or is no regular file: 1000.
void fetch_sens(const std::string& path, TraceHeader& head, Sensitivity& sens, int& ierr);
// The same lookup over the entries of the file kept in memory (see kept_entries.hpp).
void fetch_sens(std::span<const SensitivityEntry> kept, TraceHeader& head, Sensitivity& sens,
                int& ierr);

} // namespace tw
