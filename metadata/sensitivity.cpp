#include "metadata/sensitivity.hpp"

#include "metadata/column_reader.hpp"
#include "metadata/kept_entries.hpp"
#include "records/status.hpp"

namespace tw {

namespace {

template <class Entries>
void scan(Entries entries, TraceHeader& head, Sensitivity& sens, int& ierr) {
    sens.reset();
    const auto station = head.stat.prefix(4);
    const auto channel = head.chan.prefix(3);
    ierr = status::kOk;
    while (const SensitivityEntry* e = entries.next()) {
        if (!e->ok) break;
        e->period.pass(ierr);
        if (e->station.view() != station || e->channel.view() != channel ||
            !e->period.period.covers(head.stime))
            continue;
        sens.unit_code = e->unit_code;
        sens.fp_sens = e->fp_sens;
        sens.fp_lc = e->fp_lc;
        sens.fp_hc = e->fp_hc;
        head.unit_code = sens.unit_code;
        head.fp_sens = sens.fp_sens;
        head.fp_lc = sens.fp_lc;
        head.fp_hc = sens.fp_hc;
        return;
    }
    ierr = status::kFailed;
}

} // namespace

bool read_entry(LineReader& file, SensitivityEntry& entry) {
    std::string first, second;
    bool first_too_long = false, second_too_long = false;
    if (!file.next_line(first, first_too_long)) return false;
    entry = SensitivityEntry{};
    if (!file.next_line(second, second_too_long)) return true;

    ColumnReader a(first);
    entry.station = station_code(first);
    entry.channel = a.text(6, 8);
    const ValidityDate begin{a.integer(10, 13), a.integer(15, 17), a.integer(19, 20),
                             a.integer(21, 22)};
    const ValidityDate end{a.integer(24, 27), a.integer(29, 31), a.integer(33, 34),
                           a.integer(35, 36)};
    a.real(38, 41, 0); // azimuth and dip: read, not used
    a.real(43, 46, 0);
    entry.unit_code = unit_code_of(a.text(48, 56));

    ColumnReader b(second);
    entry.fp_lc = b.real(6, 13, 6);
    entry.fp_hc = b.real(17, 26, 6);
    entry.fp_sens = b.real(30, 41, 5, 1); // without an exponent the value is divided by 10
    entry.ok = a.ok() && b.ok() && !first_too_long && !second_too_long;
    // A malformed entry ends the scan before its period is looked at.
    if (entry.ok) entry.period = EntryPeriod::of(begin, end);
    return true;
}

void fetch_sens(const std::string& path, TraceHeader& head, Sensitivity& sens, int& ierr) {
    LineReader file(path);
    if (!file.is_open()) {
        sens.reset();
        ierr = status::kCannotOpen;
        return;
    }
    scan(FileEntries<SensitivityEntry>(file), head, sens, ierr);
}

void fetch_sens(std::span<const SensitivityEntry> kept, TraceHeader& head, Sensitivity& sens,
                int& ierr) {
    scan(KeptEntries<SensitivityEntry>(kept), head, sens, ierr);
}

} // namespace tw
