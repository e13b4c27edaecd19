// Conversions and arithmetic, with no leap seconds and with the single inserted
// second of 31 December 1998.
#include "time/int_time.hpp"
#include "time/leap_seconds.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <tuple>

namespace tw {
namespace {

ext_time calendar(int year, int doy, int hour, int minute, int second, int usec = 0) {
    return ext_time{year, doy, 0, 0, hour, minute, second, usec};
}

class WithoutLeapSeconds : public ::testing::Test {
  protected:
    void SetUp() override { LeapSecondTable::instance().load_text(""); }
};

class With1998LeapSecond : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(LeapSecondTable::instance().load_text("Leap 1998 Dec 31 23:59:60 + S\n").status,
                  LeapLoadStatus::ok);
    }
};

TEST(Calendar, LeapYears) {
    EXPECT_TRUE(is_leap_year(2000));
    EXPECT_TRUE(is_leap_year(1996));
    EXPECT_FALSE(is_leap_year(1900));
    EXPECT_FALSE(is_leap_year(1999));
}

TEST(Calendar, DayOfYearToMonthAndDay) {
    struct Case {
        int doy, year, month, day;
    };
    for (const Case c : {Case{1, 1999, 1, 1}, Case{31, 1999, 1, 31}, Case{59, 1999, 2, 28},
                         Case{60, 1999, 3, 1}, Case{60, 2000, 2, 29}, Case{61, 2000, 3, 1},
                         Case{123, 1999, 5, 3}, Case{365, 1999, 12, 31}, Case{366, 2000, 12, 31}}) {
        int month = 0, day = 0;
        dy_to_mdy(c.doy, c.year, month, day);
        EXPECT_EQ(std::tie(month, day), std::tie(c.month, c.day)) << c.doy << " " << c.year;
    }
}

TEST_F(WithoutLeapSeconds, YearAndMinuteLengths) {
    EXPECT_EQ(sec_per_year(1999), 31536000);
    EXPECT_EQ(sec_per_year(2000), 31622400);
    EXPECT_EQ(sec_per_min(ext_time{1998, 365, 12, 31, 23, 59, 0, 0}), 60);
}

TEST_F(WithoutLeapSeconds, ConversionsAroundMidnight) {
    const ext_time et = int_to_ext(int_time{1999, 86399, 0});
    EXPECT_EQ(et, (ext_time{1999, 1, 1, 1, 23, 59, 59, 0}));
    EXPECT_EQ(ext_to_int(calendar(1999, 1, 23, 59, 59)), (int_time{1999, 86399, 0}));
    // Second 60 of a minute without a leap second is the next day's midnight.
    EXPECT_EQ(ext_to_int(calendar(1999, 123, 23, 59, 60)),
              ext_to_int(calendar(1999, 124, 0, 0, 0)));
}

TEST_F(WithoutLeapSeconds, CalendarCarries) {
    // Minutes, hours and days overflow into the next year; doy rules over month and day.
    const ext_time et = normalize_ext(ext_time{1999, 365, 7, 7, 23, 59, 125, 17});
    EXPECT_EQ(et, (ext_time{2000, 1, 1, 1, 0, 1, 5, 17}));
    EXPECT_EQ(ext_to_int(ext_time{1999, 365, 1, 1, 24, 0, 0, 5}), (int_time{2000, 0, 5}));
}

TEST_F(WithoutLeapSeconds, RoundTripOverAYear) {
    for (int s = 0; s < sec_per_year(2000); s += 86400 / 7 + 13) {
        const int_time it{2000, s, 123};
        EXPECT_EQ(ext_to_int(int_to_ext(it)), it);
    }
}

TEST_F(WithoutLeapSeconds, AddTimeCarriesAcrossYears) {
    EXPECT_EQ(add_time(int_time{1999, 31535999, 999999}, 0, 1), (int_time{2000, 0, 0}));
    EXPECT_EQ(add_time(int_time{2000, 0, 0}, -31536000, 0), (int_time{1999, 0, 0}));
    EXPECT_EQ(add_time(int_time{2000, 0, 0}, 0, -1), (int_time{1999, 31535999, 999999}));
    EXPECT_EQ(add_time(int_time{2000, 10, 0}, 2, 3500000), (int_time{2000, 15, 500000}));
    // An offset of several years, and a large negative microsecond count.
    EXPECT_EQ(add_time(int_time{1999, 0, 0}, 31536000 + 31622400 + 5, 0), (int_time{2001, 5, 0}));
    EXPECT_EQ(add_time(int_time{2001, 0, 0}, 0, -2000000000), (int_time{2000, 31622400 - 2000, 0}));
}

TEST_F(WithoutLeapSeconds, AddDtimeSplitsAndTruncates) {
    const int_time t{1999, 1000, 500};
    EXPECT_EQ(add_dtime(t, -1.5), (int_time{1999, 1000, 499}));
    EXPECT_EQ(add_dtime(t, 1.9), (int_time{1999, 1000, 501}));
    EXPECT_EQ(add_dtime(t, 250000000.0), (int_time{1999, 1250, 500}));
    EXPECT_EQ(add_dtime(t, -250000000.0), (int_time{1999, 750, 500}));
    // Ten years of microseconds exceed 32 bits many times over.
    const double ten_years = tdiff(int_time{2009, 0, 0}, int_time{1999, 0, 0});
    EXPECT_EQ(add_dtime(int_time{1999, 0, 0}, ten_years), (int_time{2009, 0, 0}));
    EXPECT_EQ(add_dtime(int_time{2009, 0, 0}, -ten_years), (int_time{1999, 0, 0}));
}

TEST_F(WithoutLeapSeconds, TdiffIsAntisymmetric) {
    const int_time times[] = {
        {1999, 0, 0}, {1999, 31535999, 999999}, {2000, 5, 1}, {2003, 100, 999999}, {1998, 7, 0}};
    for (const int_time& a : times) {
        EXPECT_EQ(tdiff(a, a), 0.0);
        for (const int_time& b : times)
            EXPECT_EQ(tdiff(a, b), -tdiff(b, a));
    }
    EXPECT_EQ(tdiff(int_time{2000, 5, 1}, int_time{1999, 31535999, 999999}), 5000002.0);
}

TEST_F(WithoutLeapSeconds, ByReferenceEntriesMayShareInputAndOutput) {
    int_time t{1999, 31535999, 999999};
    f_add_time(t, 0, 1, t);
    EXPECT_EQ(t, (int_time{2000, 0, 0}));
    f_add_dtime(t, -1.0, t);
    EXPECT_EQ(t, (int_time{1999, 31535999, 999999}));
    ext_time et;
    f_int_to_ext(t, et);
    int_time back;
    f_ext_to_int(et, back);
    EXPECT_EQ(back, t);
    EXPECT_EQ(f_tdiff(back, int_time{1999, 31535998, 999999}), 1000000.0);
}

TEST_F(With1998LeapSecond, YearAndMinuteLengths) {
    EXPECT_EQ(sec_per_year(1998), 31536001);
    EXPECT_EQ(sec_per_year(1999), 31536000);
    EXPECT_EQ(sec_per_min(ext_time{1998, 365, 12, 31, 23, 59, 0, 0}), 61);
    EXPECT_EQ(sec_per_min(ext_time{1998, 365, 12, 31, 23, 58, 0, 0}), 60);
}

TEST_F(With1998LeapSecond, InsertedSecondRoundTrips) {
    const int_time leap = ext_to_int(calendar(1998, 365, 23, 59, 60));
    EXPECT_EQ(leap, (int_time{1998, 31536000, 0}));
    ASSERT_NE(is_leap_second(leap), nullptr);
    EXPECT_EQ(is_leap_second(leap)->correction, 1);
    EXPECT_EQ(int_to_ext(leap), (ext_time{1998, 365, 12, 31, 23, 59, 60, 0}));
    EXPECT_EQ(int_to_ext(int_time{1998, 31535999, 0}),
              (ext_time{1998, 365, 12, 31, 23, 59, 59, 0}));
    EXPECT_EQ(ext_to_int(calendar(1999, 1, 0, 0, 0)), (int_time{1999, 0, 0}));
    EXPECT_EQ(int_to_ext(int_time{1999, 0, 0}), (ext_time{1999, 1, 1, 1, 0, 0, 0, 0}));
}

TEST_F(With1998LeapSecond, ArithmeticCountsTheInsertedSecond) {
    EXPECT_EQ(tdiff(int_time{1999, 0, 0}, int_time{1998, 31535999, 0}), 2000000.0);
    EXPECT_EQ(add_time(int_time{1998, 31535999, 0}, 1, 0), (int_time{1998, 31536000, 0}));
    EXPECT_EQ(add_time(int_time{1998, 31535999, 0}, 2, 0), (int_time{1999, 0, 0}));
    EXPECT_EQ(add_time(int_time{1999, 0, 0}, -1, 0), (int_time{1998, 31536000, 0}));
    EXPECT_EQ(prior_leaps_in_int_time(int_time{1998, 31536000, 0}), 0);
    EXPECT_EQ(prior_leaps_in_ext_time(calendar(1998, 365, 23, 59, 60)), 0);
    EXPECT_EQ(prior_leaps_in_ext_time(calendar(1998, 365, 23, 59, 60, 1)), 0);
    EXPECT_EQ(prior_leaps_in_ext_time(calendar(1998, 366, 0, 0, 0)), 1);
}

// The year-by-year walk that year spans once took, kept as the reference for spans short
// enough to walk.
double walked_tdiff(const int_time& t1, const int_time& t2) {
    const bool forward =
        std::tie(t1.year, t1.second, t1.usec) >= std::tie(t2.year, t2.second, t2.usec);
    const int_time& a = forward ? t1 : t2;
    const int_time& b = forward ? t2 : t1;
    double s = a.second;
    for (int year = a.year; year > b.year;)
        s += sec_per_year(--year);
    return ((s - b.second) * 1000000.0 + (a.usec - b.usec)) * (forward ? 1.0 : -1.0);
}

int_time walked_add(int_time t, long long seconds) {
    long long s = t.second + seconds;
    int year = t.year;
    while (s < 0)
        s += sec_per_year(--year);
    while (s >= sec_per_year(year))
        s -= sec_per_year(year++);
    return {year, static_cast<int32_t>(s), t.usec};
}

TEST_F(With1998LeapSecond, SpansAgreeWithTheYearByYearWalk) {
    ASSERT_EQ(LeapSecondTable::instance()
                  .load_text("Leap 1972 Jun 30 23:59:60 + S\n"
                             "Leap 1998 Dec 31 23:59:60 + S\n"
                             "Leap 2001 Jun 30 23:59:59 - S\n"
                             "Leap 2016 Dec 31 23:59:60 + S\n")
                  .status,
              LeapLoadStatus::ok);
    std::mt19937 gen(16);
    std::uniform_int_distribution<int> year(1500, 2700), usec(0, 999999);
    std::uniform_int_distribution<int> offset(std::numeric_limits<int>::min(),
                                              std::numeric_limits<int>::max());
    for (int k = 0; k < 3000; ++k) {
        const int ya = year(gen), yb = year(gen);
        const int_time a{ya, std::uniform_int_distribution<int>(0, sec_per_year(ya) - 1)(gen),
                         usec(gen)};
        const int_time b{yb, std::uniform_int_distribution<int>(0, sec_per_year(yb) - 1)(gen),
                         usec(gen)};
        ASSERT_EQ(tdiff(a, b), walked_tdiff(a, b)) << ya << " " << yb;
        const int s = offset(gen);
        ASSERT_EQ(add_time(a, s, 0), walked_add(a, s)) << ya << " " << s;
        ASSERT_EQ(ext_to_int(int_to_ext(a)), a);
    }
}

TEST_F(With1998LeapSecond, SpansOfBillionsOfYearsAreCountedDirectly) {
    // 400 Gregorian years are 146097 days; 2000 starts such a cycle, after the 1998 second.
    const double cycle = 146097.0 * 86400.0 * 1e6;
    EXPECT_DOUBLE_EQ(tdiff(int_time{2000000000, 0, 0}, int_time{2000, 0, 0}),
                     (2000000000.0 - 2000.0) / 400.0 * cycle);
    EXPECT_DOUBLE_EQ(tdiff(int_time{-1999998000, 0, 0}, int_time{2000, 0, 0}),
                     -2000000000.0 / 400.0 * cycle);
    EXPECT_DOUBLE_EQ(tdiff(int_time{2398, 0, 0}, int_time{1998, 0, 0}), cycle + 1e6);
    EXPECT_EQ(add_dtime(int_time{2000, 0, 0}, 1e17).year, 2000 + 3168);
}

TEST_F(With1998LeapSecond, CalendarFieldsOfAnySizeCarryWithoutOverflow) {
    constexpr int32_t big = std::numeric_limits<int32_t>::max();
    // Hours, minutes and seconds of 2^31 - 1 each: 3661 x (2^31 - 1) seconds after 2000.
    const int_time far = ext_to_int(ext_time{2000, 1, 0, 0, big, big, big, 0});
    EXPECT_DOUBLE_EQ(tdiff(far, int_time{2000, 0, 0}), 3661.0 * big * 1e6);
    const int_time days = ext_to_int(ext_time{2000, big, 0, 0, 0, 0, 0, 0});
    EXPECT_DOUBLE_EQ(tdiff(days, int_time{2000, 0, 0}), (big - 1.0) * 86400.0 * 1e6);
    // A year an int32_t cannot hold keeps the largest one it can.
    EXPECT_EQ(ext_to_int(ext_time{big, 366, 0, 0, 24, 0, 0, 0}).year, big);
    EXPECT_EQ(add_time(int_time{big, 0, 0}, big, 0).year, big);
    // Seconds beyond the minute carry through the inserted second of 1998.
    EXPECT_EQ(normalize_ext(ext_time{1998, 365, 12, 31, 23, 59, 61 + 86400, 250}),
              (ext_time{1999, 2, 1, 2, 0, 0, 0, 250}));
    EXPECT_EQ(normalize_ext(ext_time{1998, 365, 12, 31, 23, 59, 60, 250}),
              (ext_time{1998, 365, 12, 31, 23, 59, 60, 250}));
}

TEST(SampleRate, FactorAndMultiplierCases) {
    EXPECT_DOUBLE_EQ(sps_rate(20, 1), 20.0);
    EXPECT_DOUBLE_EQ(sps_rate(20, 0), 20.0);
    EXPECT_DOUBLE_EQ(sps_rate(-10, 1), 0.1);
    EXPECT_DOUBLE_EQ(sps_rate(1, -10), 0.1);
    EXPECT_DOUBLE_EQ(sps_rate(-10, -2), 0.05);
    EXPECT_EQ(sps_rate(0, 5), 0.0);
    EXPECT_DOUBLE_EQ(sps_rate(5, 4), 20.0);
}

TEST(SampleRate, IntervalDurations) {
    struct Case {
        int n, f, m, seconds, usecs;
    };
    for (const Case c :
         {Case{99, 20, 1, 4, 950000}, Case{1, 3, 1, 0, 333333}, Case{2, 3, 1, 0, 666667},
          Case{-1, 3, 1, 0, -333333}, Case{10, 0, 1, 0, 0}, Case{6000, 100, 1, 60, 0}}) {
        int seconds = -7, usecs = -7;
        f_time_interval2(c.n, c.f, c.m, seconds, usecs);
        EXPECT_EQ(std::tie(seconds, usecs), std::tie(c.seconds, c.usecs)) << c.n << " " << c.f;
    }
}

TEST(Roundoff, HalvesAwayFromZero) {
    EXPECT_EQ(roundoff(2.5), 3.0);
    EXPECT_EQ(roundoff(-2.5), -3.0);
    EXPECT_EQ(roundoff(2.49), 2.0);
    EXPECT_EQ(roundoff(-0.4), 0.0);
    EXPECT_EQ(roundoff(0.0), 0.0);
}

} // namespace
} // namespace tw
