#include "metadata/entry_fields.hpp"

#include <algorithm>

#include "records/status.hpp"
#include "time/daymo.hpp"

namespace tw {

FixedText<4> station_code(std::string_view line) {
    FixedText<4> code(line.substr(0, std::min<std::size_t>(line.size(), 4)));
    if (code[3] == '_') code[3] = ' ';
    return code;
}

int unit_code_of(std::string_view unit_text) {
    if (unit_text == "(DU/M)   ") return 0;
    if (unit_text == "(DU/MS-1)") return 1;
    if (unit_text == "(DU/MS-2)") return 2;
    return 999;
}

bool ValidityPeriod::covers(const int_time& t) const {
    return f_tdiff(t, begin) >= 0.0 && f_tdiff(t, end) <= 0.0;
}

namespace {

// The limit as an instant; false when the year lies outside the plausible years or the day of
// year is not valid for the year.
bool to_instant(const ValidityDate& d, int_time& out) {
    ext_time et;
    et.year = d.year;
    et.doy = d.doy;
    et.hour = d.hour;
    et.minute = d.minute;
    const int valid = daymo(d.doy, et.month, et.day, d.year);
    f_ext_to_int(et, out);
    return valid == 1 && plausible_year(d.year);
}

} // namespace

ValidityPeriod validity_period(const ValidityDate& begin, ValidityDate end, int& ierr) {
    constexpr int kOpenEndYear = 2599;
    if (end.year == kOpenEndYear && end.doy == 366) end.doy = 365;
    ValidityPeriod period;
    if (!to_instant(begin, period.begin)) ierr = status::kMismatch;
    if (!to_instant(end, period.end)) ierr = status::kOutOfRange;
    return period;
}

} // namespace tw
