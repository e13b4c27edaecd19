#pragma once
// UTC calendar times for the synthetic files: an instant as year and microseconds into that
// year, with day of year, month and time of day derived from it. Leap seconds are not counted;
// the synthetic event lies away from any.
#include <cstdint>

namespace tw::synth {

struct CalendarTime {
    int year = 0;
    int doy = 0; // 1-based day of year
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int usec = 0;
};

class UtcInstant {
  public:
    UtcInstant() = default;
    // From a calendar date and time of day.
    static UtcInstant from_date(int year, int month, int day, int hour, int minute, int second,
                                int usec);

    UtcInstant plus_microseconds(int64_t usec) const;
    // this - other, microseconds.
    int64_t minus(const UtcInstant& other) const;
    CalendarTime calendar() const;

  private:
    UtcInstant(int year, int64_t usec_of_year) : year_(year), usec_of_year_(usec_of_year) {}
    int year_ = 1970;
    int64_t usec_of_year_ = 0;
};

bool is_leap(int year);
int days_in_year(int year);

} // namespace tw::synth
