#pragma once
// Calendar helpers of the metadata readers and the pick file.

namespace tw {

// 1 for a leap year (divisible by 400, or by 4 and not by 100), else 0.
inline int lpyr(int year) {
    return (year % 400 == 0 || (year % 4 == 0 && year % 100 != 0)) ? 1 : 0;
}

// Month and day of a day of year: 1 when the day is valid for the year, else 0 with month and
// day 0.
inline int daymo(int doy, int& month, int& day, int year) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    month = 0;
    day = 0;
    if (doy <= 0 || doy > 365 + lpyr(year)) return 0;
    int rest = doy;
    for (int m = 0; m < 12; ++m) {
        const int length = kDays[m] + (m == 1 ? lpyr(year) : 0);
        if (rest <= length) {
            month = m + 1;
            day = rest;
            return 1;
        }
        rest -= length;
    }
    return 0;
}

} // namespace tw
