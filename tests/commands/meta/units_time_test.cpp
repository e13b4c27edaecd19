// Unit names of station documents and the times of their epochs.
#include <gtest/gtest.h>

#include <string>

#include "commands/meta/ground_units.hpp"
#include "commands/meta/utc_time.hpp"
#include "metadata/entry_fields.hpp"

namespace tw::meta {
namespace {

struct Spelling {
    const char* name;
    Motion motion;
    double metres;
};

TEST(GroundUnits, EverySpellingThatOccursIsRead) {
    const Spelling spellings[] = {
        {"M", Motion::displacement, 1.0},        {"m", Motion::displacement, 1.0},
        {"NM", Motion::displacement, 1e-9},      {"M/S", Motion::velocity, 1.0},
        {"m/s", Motion::velocity, 1.0},          {"M/SEC", Motion::velocity, 1.0},
        {" M / S ", Motion::velocity, 1.0},      {"NM/S", Motion::velocity, 1e-9},
        {"nm/s", Motion::velocity, 1e-9},        {"UM/S", Motion::velocity, 1e-6},
        {"MM/S", Motion::velocity, 1e-3},        {"CM/SEC", Motion::velocity, 1e-2},
        {"M/S**2", Motion::acceleration, 1.0},   {"m/s**2", Motion::acceleration, 1.0},
        {"M/S/S", Motion::acceleration, 1.0},    {"M/SEC**2", Motion::acceleration, 1.0},
        {"m/s^2", Motion::acceleration, 1.0},    {"M/S2", Motion::acceleration, 1.0},
        {"CM/S**2", Motion::acceleration, 1e-2}, {"NM/S**2", Motion::acceleration, 1e-9},
    };
    for (const Spelling& s : spellings) {
        SCOPED_TRACE(s.name);
        const auto unit = ground_unit(s.name);
        ASSERT_TRUE(unit.has_value());
        EXPECT_EQ(unit->motion, s.motion);
        EXPECT_DOUBLE_EQ(unit->metres, s.metres);
    }
}

TEST(GroundUnits, WhatIsNoGroundMotionIsRefused) {
    for (const char* name :
         {"PA", "V", "COUNTS", "C", "A", "T", "HPA", "M/M", "RAD/S", "DEGC", "", "S", "M/S**3"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(ground_unit(name).has_value());
    }
}

TEST(GroundUnits, UnitTextsAreTheOnesTheReadersKnow) {
    EXPECT_EQ(unit_code_of(unit_text(Motion::displacement)), 0);
    EXPECT_EQ(unit_code_of(unit_text(Motion::velocity)), 1);
    EXPECT_EQ(unit_code_of(unit_text(Motion::acceleration)), 2);
    // A velocity sensitivity on an acceleration sensor's poles and zeros: one power of i w.
    EXPECT_EQ(motion_power(Motion::acceleration, Motion::velocity), 1);
    EXPECT_EQ(motion_power(Motion::displacement, Motion::acceleration), -2);
}

TEST(DocumentTimes, StationXmlDates) {
    const auto base = instant_of(2007, 12, 17, 0, 0, 0.0);
    ASSERT_TRUE(base.has_value());
    EXPECT_EQ(parse_iso_time("2007-12-17T00:00:00.000"), base);
    EXPECT_EQ(parse_iso_time(" 2007-12-17T00:00:00Z\n"), base);
    EXPECT_EQ(parse_iso_time("2007-12-17"), base);
    // A zone offset is turned into UTC.
    EXPECT_EQ(parse_iso_time("2013-12-07T19:00:42.878+01:00"),
              instant_of(2013, 12, 7, 18, 0, 42.878));
    EXPECT_EQ(parse_iso_time("2014-08-28T16:29:13.000000Z"), instant_of(2014, 8, 28, 16, 29, 13.0));
    for (const char* bad : {"", "2007", "2007-13-01", "2007-02-29", "2007-12-17T25:00:00",
                            "2007-12-17T10:61", "17.12.2007", "2007-12-17T00:00:00 junk"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parse_iso_time(bad).has_value());
    }
}

TEST(DocumentTimes, RespDates) {
    EXPECT_EQ(parse_resp_time("2008,182,20:00:00.0000"), instant_of(2008, 6, 30, 20, 0, 0.0));
    EXPECT_EQ(parse_resp_time("2011,049,19:11:00.0000"), instant_of(2011, 2, 18, 19, 11, 0.0));
    EXPECT_EQ(parse_resp_time("2008,366"), instant_of(2008, 12, 31, 0, 0, 0.0));
    EXPECT_FALSE(parse_resp_time("2009,366").has_value());
    EXPECT_FALSE(parse_resp_time("No Ending Time").has_value());
}

TEST(DocumentTimes, ValidityLimitsAreWholeMinutes) {
    // The begin is taken down, the end up, so the period always holds the epoch.
    const auto t = *parse_iso_time("2010-12-31T23:59:59");
    EXPECT_EQ(floor_minute(t), (MinuteDate{2010, 365, 23, 59}));
    EXPECT_EQ(ceil_minute(t), (MinuteDate{2011, 1, 0, 0}));
    const auto whole = *parse_iso_time("2008-06-30T20:00:00");
    EXPECT_EQ(floor_minute(whole), (MinuteDate{2008, 182, 20, 0}));
    EXPECT_EQ(ceil_minute(whole), (MinuteDate{2008, 182, 20, 0}));
    EXPECT_EQ(iso_text(*parse_iso_time("2008-06-30T20:00:01.5")), "2008-06-30T20:00:01.500000");
}

} // namespace
} // namespace tw::meta
