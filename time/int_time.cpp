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

int days_in_year(int64_t year) {
    return is_leap_year(year) ? 366 : 365;
}

int64_t floor_div(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days from 1 January of the year 0 to 1 January of `year`, leap days counted directly.
int64_t days_before_year(int64_t year) {
    const int64_t y = year - 1;
    return 365 * year + floor_div(y, 4) - floor_div(y, 100) + floor_div(y, 400) + 1;
}

// Length of a year in seconds, its leap seconds included.
int64_t year_seconds(int64_t year) {
    int64_t seconds = int64_t{days_in_year(year)} * SECONDS_PER_DAY;
    for (const LeapSecond& e : leaps())
        if (e.internal.year == year) seconds += e.correction;
    return seconds;
}

// Seconds from the start of year `from` to the start of year `to` (negative when `to` comes
// first): whole days counted directly, then the leap seconds of the years between.
int64_t seconds_between_years(int64_t from, int64_t to) {
    int64_t seconds = (days_before_year(to) - days_before_year(from)) * SECONDS_PER_DAY;
    const int64_t lo = std::min(from, to), hi = std::max(from, to);
    for (const LeapSecond& e : leaps())
        if (e.internal.year >= lo && e.internal.year < hi)
            seconds += to > from ? e.correction : -e.correction;
    return seconds;
}

// A year beyond what an int_time holds; such an instant is refused where it entered.
int32_t clamp_year(int64_t year) {
    return static_cast<int32_t>(std::clamp<int64_t>(year, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Normalises a time whose year, second and microsecond counts may exceed 32 bits on the way.
// Whole years are stepped over at once, so the cost does not grow with the span.
int_time normalize_wide(int64_t year, int64_t second, int64_t usec) {
    int64_t carry = usec / USEC_PER_SECOND;
    usec %= USEC_PER_SECOND;
    if (usec < 0) {
        usec += USEC_PER_SECOND;
        --carry;
    }
    second += carry;
    if (second < 0 || second >= year_seconds(year)) {
        // The mean Gregorian year (365.2425 days) lands within two years of the answer.
        constexpr int64_t kMeanYear = 31556952;
        const int64_t guess = year + floor_div(second, kMeanYear);
        second -= seconds_between_years(year, guess);
        year = guess;
        while (second < 0) {
            --year;
            second += year_seconds(year);
        }
        for (int64_t len = year_seconds(year); second >= len; len = year_seconds(year)) {
            second -= len;
            ++year;
        }
    }
    return {clamp_year(year), static_cast<int32_t>(second), static_cast<int32_t>(usec)};
}

// Calendar fields carried upward (minutes into hours, hours into days, days into years) in
// wide integers; negative fields are left as they are.
struct WideCalendar {
    int64_t year, doy, hour, minute;
};

WideCalendar carry_calendar(const ext_time& et) {
    WideCalendar c{et.year, et.doy, et.hour, et.minute};
    if (c.minute >= 60) {
        c.hour += c.minute / 60;
        c.minute %= 60;
    }
    if (c.hour >= 24) {
        c.doy += c.hour / 24;
        c.hour %= 24;
    }
    if (c.doy > days_in_year(c.year)) {
        // Jump to the year holding the day, counted from 1 January of the year given.
        const int64_t day = days_before_year(c.year) + c.doy - 1;
        int64_t year = floor_div(day * 400, 146097);
        while (days_before_year(year) > day)
            --year;
        while (days_before_year(year + 1) <= day)
            ++year;
        c.doy = day - days_before_year(year) + 1;
        c.year = year;
    }
    return c;
}

int saturate_to_int(double x) {
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (!(x > lo)) return std::numeric_limits<int>::min(); // also NaN
    if (x >= hi) return std::numeric_limits<int>::max();
    return static_cast<int>(x);
}

} // namespace

bool is_leap_year(int64_t year) {
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
    return static_cast<int>(year_seconds(year));
}

ext_time normalize_ext(ext_time et) {
    const WideCalendar c = carry_calendar(et);
    et.year = clamp_year(c.year);
    et.doy = static_cast<int32_t>(c.doy);
    et.hour = static_cast<int32_t>(c.hour);
    et.minute = static_cast<int32_t>(c.minute);
    dy_to_mdy(et.doy, et.year, et.month, et.day);
    // A minute holding an inserted second has 61 seconds, so 23:59:60 stays put there. Seconds
    // beyond the minute are carried through the instant they name.
    if (et.second >= sec_per_min(et)) {
        ext_time whole = et;
        whole.usec = 0;
        const int32_t usec = et.usec;
        et = int_to_ext(ext_to_int(whole));
        et.usec = usec;
    }
    return et;
}

int_time normalize_time(int_time it) {
    return normalize_wide(it.year, it.second, it.usec);
}

int_time ext_to_int(const ext_time& et) {
    // The start of the (carried) minute, then the seconds as elapsed time from there: this is
    // where carrying the seconds minute by minute, each with its own length, ends.
    const WideCalendar c = carry_calendar(et);
    ext_time minute_start{};
    minute_start.year = clamp_year(c.year);
    minute_start.doy = static_cast<int32_t>(c.doy);
    minute_start.hour = static_cast<int32_t>(c.hour);
    minute_start.minute = static_cast<int32_t>(c.minute);
    const int64_t second = (c.doy - 1) * SECONDS_PER_DAY + c.hour * 3600 + c.minute * 60 +
                           prior_leaps_in_ext_time(minute_start) + et.second;
    return normalize_wide(c.year, second, et.usec);
}

ext_time int_to_ext(const int_time& it) {
    ext_time et;
    et.year = it.year;
    et.usec = it.usec;
    int64_t t = int64_t{it.second} - prior_leaps_in_int_time(it);
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
    et.doy = static_cast<int32_t>(t / SECONDS_PER_DAY + 1);
    et.hour = static_cast<int32_t>((t % SECONDS_PER_DAY) / 3600);
    et.minute = static_cast<int32_t>((t % 3600) / 60);
    et.second = static_cast<int32_t>(t % 60);
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
    // Exact in 64 bits; the years between are counted at once, not one by one.
    const int64_t seconds = int64_t{a.second} - b.second + seconds_between_years(b.year, a.year);
    const double usec = static_cast<double>(a.usec) - static_cast<double>(b.usec);
    return (static_cast<double>(seconds) * 1000000.0 + usec) * (forward ? 1.0 : -1.0);
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
