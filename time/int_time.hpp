#pragma once
// Time values: the internal instant `int_time` and its calendar form `ext_time`, with the
// arithmetic every other subsystem uses. Leap seconds come from LeapSecondTable.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tw {

// Calendar tables of a common year; a leap year adds one day from 1 March on.
inline constexpr std::array<std::string_view, 12> MON{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// Days per month, indexed by month number (entry 0 unused).
inline constexpr std::array<int, 13> DPM{0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// Entry m: days in the months before month m+1.
inline constexpr std::array<int, 13> DOY{0,   31,  59,  90,  120, 151, 181,
                                         212, 243, 273, 304, 334, 365};
inline constexpr int SECONDS_PER_DAY = 86400;

// The years a date may name. A date outside them is refused where it enters (pick and station
// files, the origin time, record headers, the leap-second file): nothing recorded lies before
// 1900, and 2599 is the open end of the station files' validity periods. The arithmetic itself
// takes any year and costs the same whatever the span.
inline constexpr int kFirstYear = 1900;
inline constexpr int kLastYear = 2599;
inline constexpr bool plausible_year(long long year) {
    return year >= kFirstYear && year <= kLastYear;
}
inline constexpr int USEC_PER_SECOND = 1000000;

// Instant: year, seconds since the start of that year (counting that year's leap seconds
// before the instant), microseconds within the second.
struct int_time {
    int32_t year = 0;
    int32_t second = 0;
    int32_t usec = 0;
    bool operator==(const int_time&) const = default;
};

// Calendar form.
struct ext_time {
    int32_t year = 0, doy = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, usec = 0;
    bool operator==(const ext_time&) const = default;
};

bool is_leap_year(int64_t year);
void dy_to_mdy(int doy, int year, int& month, int& day);
int sec_per_min(const ext_time& et);
int sec_per_year(int year);
int prior_leaps_in_ext_time(const ext_time& et);
int prior_leaps_in_int_time(const int_time& it);
ext_time normalize_ext(ext_time et);
// Results whose year an int32_t cannot hold keep the nearest year it can.
int_time normalize_time(int_time it);
int_time ext_to_int(const ext_time& et);
ext_time int_to_ext(const int_time& it);
int_time add_time(int_time it, int seconds, int usecs);
int_time add_dtime(int_time it, double usecs);
double tdiff(const int_time& t1, const int_time& t2); // t1 - t2, microseconds
double sps_rate(int rate_factor, int rate_mult);
void time_interval2(int n, int rate_factor, int rate_mult, int& seconds, int& usecs);
double roundoff(double x);

// By-reference entry points used by the analysis routines.
void f_add_time(const int_time& in, int seconds, int usecs, int_time& out);
void f_add_dtime(const int_time& in, double usecs, int_time& out);
double f_tdiff(const int_time& t1, const int_time& t2);
void f_int_to_ext(const int_time& in, ext_time& out);
void f_ext_to_int(const ext_time& in, int_time& out);
void f_time_interval2(int n, int rate_factor, int rate_mult, int& seconds, int& usecs);

} // namespace tw
