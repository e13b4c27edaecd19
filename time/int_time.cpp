#include "time/int_time.hpp"

#include "time/leap_seconds.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace tw {

namespace {

std::span<const LeapSecond> leaps() {
    init_leap_second_table();
    return LeapSecondTable::instance().entries();
}

int days_in_year(int year) {
    return is_leap_year(year) ? 366 : 365;
}

// Carries minutes into hours, hours into days and days into years, then sets month and day.
void carry_calendar(ext_time& et) {
    if (et.minute >= 60) {
        et.hour += et.minute / 60;
        et.minute %= 60;
    }
    if (et.hour >= 24) {
        et.doy += et.hour / 24;
        et.hour %= 24;
    }
    while (et.doy > days_in_year(et.year)) {
        et.doy -= days_in_year(et.year);
        ++et.year;
    }
    dy_to_mdy(et.doy, et.year, et.month, et.day);
}

// Normalises a time whose second and microsecond counts may exceed 32 bits on the way.
int_time normalize_wide(int year, int64_t second, int64_t usec) {
    int64_t carry = usec / USEC_PER_SECOND;
    usec %= USEC_PER_SECOND;
    if (usec < 0) {
        usec += USEC_PER_SECOND;
        --carry;
    }
    second += carry;
    while (second < 0) {
        --year;
        second += sec_per_year(year);
    }
    for (int len = sec_per_year(year); second >= len; len = sec_per_year(year)) {
        second -= len;
        ++year;
    }
    return {year, static_cast<int32_t>(second), static_cast<int32_t>(usec)};
}

int saturate_to_int(double x) {
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (!(x > lo)) return std::numeric_limits<int>::min(); // also NaN
    if (x >= hi) return std::numeric_limits<int>::max();
    return static_cast<int>(x);
}

} // namespace

bool is_leap_year(int year) {
    return year % 400 == 0 || (year % 4 == 0 && year % 100 != 0);
}

void dy_to_mdy(int doy, int year, int& month, int& day) {
    const int leap = is_leap_year(year) ? 1 : 0;
    month = 1;
    while (month < 12 && doy > DOY[month] + (month >= 2 ? leap : 0))
        ++month;
    day = doy - DOY[month - 1] - (month - 1 >= 2 ? leap : 0);
}

int sec_per_min(const ext_time& et) {
    for (const LeapSecond& e : leaps()) {
        const ext_time& c = e.calendar;
        if (c.year > et.year) break; // the table is chronological
        if (c.year == et.year && c.month == et.month && c.day == et.day && c.hour == et.hour &&
            c.minute == et.minute)
            return 60 + e.correction;
    }
    return 60;
}

int prior_leaps_in_ext_time(const ext_time& et) {
    int sum = 0;
    for (const LeapSecond& e : leaps()) {
        const ext_time& c = e.calendar;
        if (c.year == et.year && std::tie(c.doy, c.hour, c.minute, c.second) <
                                     std::tie(et.doy, et.hour, et.minute, et.second))
            sum += e.correction;
    }
    return sum;
}

int prior_leaps_in_int_time(const int_time& it) {
    int sum = 0;
    for (const LeapSecond& e : leaps())
        if (e.internal.year == it.year && e.internal.second < it.second) sum += e.correction;
    return sum;
}

int sec_per_year(int year) {
    int seconds = days_in_year(year) * SECONDS_PER_DAY;
    for (const LeapSecond& e : leaps())
        if (e.internal.year == year) seconds += e.correction;
    return seconds;
}

ext_time normalize_ext(ext_time et) {
    carry_calendar(et);
    // A minute holding an inserted second has 61 seconds, so 23:59:60 stays put there.
    for (int len = sec_per_min(et); et.second >= len; len = sec_per_min(et)) {
        et.second -= len;
        ++et.minute;
    }
    carry_calendar(et);
    return et;
}

int_time normalize_time(int_time it) {
    return normalize_wide(it.year, it.second, it.usec);
}

int_time ext_to_int(const ext_time& in) {
    const ext_time et = normalize_ext(in);
    const int64_t second = (int64_t{et.doy} - 1) * SECONDS_PER_DAY + int64_t{et.hour} * 3600 +
                           int64_t{et.minute} * 60 + et.second + prior_leaps_in_ext_time(et);
    return normalize_wide(et.year, second, et.usec);
}

ext_time int_to_ext(const int_time& it) {
    ext_time et;
    et.year = it.year;
    et.usec = it.usec;
    int t = it.second - prior_leaps_in_int_time(it);
    if (const LeapSecond* leap = is_leap_second(it)) {
        if (leap->correction > 0) { // the inserted second itself: hh:mm:60
            et.doy = leap->calendar.doy;
            et.month = leap->calendar.month;
            et.day = leap->calendar.day;
            et.hour = leap->calendar.hour;
            et.minute = leap->calendar.minute;
            et.second = leap->calendar.second;
            return et;
        }
        t += 1;
    }
    et.doy = t / SECONDS_PER_DAY + 1;
    et.hour = (t % SECONDS_PER_DAY) / 3600;
    et.minute = (t % 3600) / 60;
    et.second = t % 60;
    dy_to_mdy(et.doy, et.year, et.month, et.day);
    return et;
}

int_time add_time(int_time it, int seconds, int usecs) {
    return normalize_wide(it.year, int64_t{it.second} + seconds, int64_t{it.usec} + usecs);
}

int_time add_dtime(int_time it, double usecs) {
    // Whole blocks of 100 s plus the remaining microseconds, so that offsets of many
    // years stay exact; fractions of a microsecond are dropped (toward zero).
    constexpr double block = 100000000.0;
    constexpr double largest = 1e17; // about 3000 years, far beyond any real offset
    const int sign = usecs < 0 ? -1 : 1;
    double a = std::fabs(usecs);
    if (!(a <= largest)) a = std::isnan(a) ? 0.0 : largest;
    const auto n = static_cast<int64_t>(a / block);
    const auto m = static_cast<int64_t>(a - static_cast<double>(n) * block);
    return normalize_wide(it.year, int64_t{it.second} + sign * n * 100,
                          int64_t{it.usec} + sign * m);
}

double tdiff(const int_time& t1, const int_time& t2) {
    const bool forward =
        std::tie(t1.year, t1.second, t1.usec) >= std::tie(t2.year, t2.second, t2.usec);
    const int_time& a = forward ? t1 : t2;
    const int_time& b = forward ? t2 : t1;
    double s = a.second;
    for (int year = a.year; year > b.year;) {
        --year;
        s += sec_per_year(year);
    }
    const double usec = static_cast<double>(a.usec) - static_cast<double>(b.usec);
    return ((s - b.second) * 1000000.0 + usec) * (forward ? 1.0 : -1.0);
}

double sps_rate(int rate_factor, int rate_mult) {
    const double f = rate_factor;
    const double m = (rate_factor != 0 && rate_mult == 0) ? 1.0 : rate_mult;
    if (f == 0.0) return 0.0;
    if (f > 0 && m > 0) return f * m;
    if (f > 0 && m < 0) return f / -m;
    if (f < 0 && m > 0) return m / -f;
    return 1.0 / (f * m);
}

void time_interval2(int n, int rate_factor, int rate_mult, int& seconds, int& usecs) {
    const double rate = sps_rate(rate_factor, rate_mult);
    if (rate == 0.0) {
        seconds = 0;
        usecs = 0;
        return;
    }
    const double d = n / rate;
    const double whole = std::trunc(d);
    seconds = saturate_to_int(whole);
    usecs = static_cast<int>(roundoff((d - whole) * 1000000.0));
}

double roundoff(double x) {
    const double sign = x > 0 ? 1.0 : -1.0;
    return sign * std::trunc(std::fabs(x) + 0.5);
}

void f_add_time(const int_time& in, int seconds, int usecs, int_time& out) {
    out = add_time(in, seconds, usecs);
}

void f_add_dtime(const int_time& in, double usecs, int_time& out) {
    out = add_dtime(in, usecs);
}

double f_tdiff(const int_time& t1, const int_time& t2) {
    return tdiff(t1, t2);
}

void f_int_to_ext(const int_time& in, ext_time& out) {
    out = int_to_ext(in);
}

void f_ext_to_int(const ext_time& in, int_time& out) {
    out = ext_to_int(in);
}

void f_time_interval2(int n, int rate_factor, int rate_mult, int& seconds, int& usecs) {
    time_interval2(n, rate_factor, rate_mult, seconds, usecs);
}

} // namespace tw
