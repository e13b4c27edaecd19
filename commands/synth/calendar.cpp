#include "commands/synth/calendar.hpp"

namespace tw::synth {
namespace {

constexpr int64_t kUsecPerDay = 86400LL * 1000000LL;
constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

int month_length(int year, int month) {
    return kDaysInMonth[month - 1] + ((month == 2 && is_leap(year)) ? 1 : 0);
}

} // namespace

bool is_leap(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}
int days_in_year(int year) {
    return is_leap(year) ? 366 : 365;
}

UtcInstant UtcInstant::from_date(int year, int month, int day, int hour, int minute, int second,
                                 int usec) {
    int doy = day;
    for (int m = 1; m < month; ++m)
        doy += month_length(year, m);
    const int64_t seconds = (doy - 1) * 86400LL + hour * 3600LL + minute * 60LL + second;
    return UtcInstant(year, seconds * 1000000LL + usec);
}

UtcInstant UtcInstant::plus_microseconds(int64_t usec) const {
    int year = year_;
    int64_t rest = usec_of_year_ + usec;
    while (rest < 0) {
        --year;
        rest += days_in_year(year) * kUsecPerDay;
    }
    while (rest >= days_in_year(year) * kUsecPerDay) {
        rest -= days_in_year(year) * kUsecPerDay;
        ++year;
    }
    return UtcInstant(year, rest);
}

int64_t UtcInstant::minus(const UtcInstant& other) const {
    int64_t difference = usec_of_year_ - other.usec_of_year_;
    for (int y = other.year_; y < year_; ++y)
        difference += days_in_year(y) * kUsecPerDay;
    for (int y = year_; y < other.year_; ++y)
        difference -= days_in_year(y) * kUsecPerDay;
    return difference;
}

CalendarTime UtcInstant::calendar() const {
    CalendarTime t;
    t.year = year_;
    const int64_t day_index = usec_of_year_ / kUsecPerDay;
    int64_t in_day = usec_of_year_ % kUsecPerDay;
    t.doy = static_cast<int>(day_index) + 1;
    t.hour = static_cast<int>(in_day / 3600000000LL);
    in_day %= 3600000000LL;
    t.minute = static_cast<int>(in_day / 60000000LL);
    in_day %= 60000000LL;
    t.second = static_cast<int>(in_day / 1000000LL);
    t.usec = static_cast<int>(in_day % 1000000LL);
    int rest = t.doy;
    t.month = 1;
    while (rest > month_length(year_, t.month)) {
        rest -= month_length(year_, t.month);
        ++t.month;
    }
    t.day = rest;
    return t;
}

} // namespace tw::synth
