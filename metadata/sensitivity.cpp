#include "metadata/sensitivity.hpp"

#include "metadata/column_reader.hpp"
#include "metadata/entry_fields.hpp"
#include "metadata/station_file.hpp"
#include "records/status.hpp"

namespace tw {

namespace {

struct SensitivityEntry {
    FixedText<4> station;
    std::string channel;
    ValidityDate begin, end;
    std::string unit;
    float fp_lc = 0.0f, fp_hc = 0.0f, fp_sens = 0.0f;
};

// The two lines of an entry; false when either holds a malformed number.
bool read_entry(std::string_view first, std::string_view second, SensitivityEntry& e) {
    ColumnReader a(first);
    e.station = station_code(first);
    e.channel = a.text(6, 8);
    e.begin = {a.integer(10, 13), a.integer(15, 17), a.integer(19, 20), a.integer(21, 22)};
    e.end = {a.integer(24, 27), a.integer(29, 31), a.integer(33, 34), a.integer(35, 36)};
    a.real(38, 41, 0); // azimuth and dip: read, not used
    a.real(43, 46, 0);
    e.unit = a.text(48, 56);

    ColumnReader b(second);
    e.fp_lc = b.real(6, 13, 6);
    e.fp_hc = b.real(17, 26, 6);
    e.fp_sens = b.real(30, 41, 5, 1); // without an exponent the value is divided by 10
    return a.ok() && b.ok();
}

} // namespace

void fetch_sens(const std::string& path, TraceHeader& head, Sensitivity& sens, int& ierr) {
    sens.reset();
    const auto station = head.stat.prefix(4);
    const auto channel = head.chan.prefix(3);
    ierr = status::kOk;
    StationFile file(path);
    if (!file.opened(ierr)) return;
    std::string first, second;
    SensitivityEntry e;
    while (file.next_line(first)) {
        if (!file.next_line(second) || !read_entry(first, second, e)) break;
        const ValidityPeriod period = validity_period(e.begin, e.end, ierr);
        if (e.station.view() != station || e.channel != channel || !period.covers(head.stime))
            continue;
        sens.unit_code = unit_code_of(e.unit);
        sens.fp_sens = e.fp_sens;
        sens.fp_lc = e.fp_lc;
        sens.fp_hc = e.fp_hc;
        head.unit_code = sens.unit_code;
        head.fp_sens = sens.fp_sens;
        head.fp_lc = sens.fp_lc;
        head.fp_hc = sens.fp_hc;
        return;
    }
    ierr = status::kFailed;
}

} // namespace tw
