// Date texts to instants. The test environment loads the repository's leap-second
// table, which has no leap second in 1999 or 2000 and an inserted one at the end of 1998.
#include "time/parse_date.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tw {
namespace {

// The instant of a day of year and time in a year without leap seconds.
int_time plain(int year, int doy, int hour = 0, int minute = 0, int second = 0, int usec = 0) {
    return int_time{year, (doy - 1) * 86400 + hour * 3600 + minute * 60 + second, usec};
}

TEST(ParseDate, AcceptedForms) {
    struct Case {
        const char* text;
        int_time expected;
    };
    for (const Case& c : {
             Case{"1999.123", plain(1999, 123)},
             Case{"1999/05/03", plain(1999, 123)},
             Case{"1999,5,3", plain(1999, 123)},
             Case{"99.123", plain(1999, 123)},
             Case{"1999.123.12:30", plain(1999, 123, 12, 30)},
             Case{"1999/5/3/12:30:15.5", plain(1999, 123, 12, 30, 15, 500000)},
             Case{"1999.123,23:59:59.999999", plain(1999, 123, 23, 59, 59, 999999)},
             Case{"1999.123.12:30:15.000250", plain(1999, 123, 12, 30, 15, 250)},
             Case{"2000.366", plain(2000, 366)},
             Case{"2000/2/29", plain(2000, 60)},
             Case{"2000/3/1", plain(2000, 61)},
             Case{"1999.123.23:59:60", plain(1999, 124)},
             Case{"1999. 123.+12:30", plain(1999, 123, 12, 30)},
             Case{"1.1", plain(1901, 1)},
             Case{"1900/1/1", plain(1900, 1)},
             Case{"2599.365.23:59:59", plain(2599, 365, 23, 59, 59)},
         }) {
        const std::optional<int_time> it = parse_date(c.text);
        ASSERT_TRUE(it.has_value()) << c.text;
        EXPECT_EQ(*it, c.expected) << c.text;
    }
}

TEST(ParseDate, InsertedLeapSecondIsKept) {
    const std::optional<int_time> leap = parse_date("1998/12/31/23:59:60");
    ASSERT_TRUE(leap.has_value());
    EXPECT_EQ(*leap, (int_time{1998, 31536000, 0}));
    EXPECT_EQ(parse_date("1999.1"), (int_time{1999, 0, 0}));
}

TEST(ParseDate, RejectedTexts) {
    for (const char* text : {
             "1999.366",
             "1999/2/29",
             "1900/2/29",
             "1999.0",
             "1999/13/1",
             "1999/0/1",
             "1999/4/31",
             "1999.123.24:00",
             "1999.123.12:60",
             "1999.123.12:30:61",
             "1999.123.-1:00",
             "1999.123.12:30:15.1234567",
             "1999.123.12:30:15.",
             "1999.123.12:30:15.5x",
             "1999.123.12:30:15.-5",
             "1999",
             "1999.5.3.1",
             "12:30:00",
             "1999.123.12",
             "1999.123x",
             "1999.123.12:30x",
             "1999.123.12-30",
             "1999..123",
             ".123",
             "",
             "1999.123:12:30",
             "0.123",
             "-5.123",
             "10000.1",
             "99999999999.1",
             // Outside the years a date may name.
             "1899/12/31",
             "100.1",
             "2600.1",
             "9999.1",
             "2000000000.1",
             "-2000000000/1/1",
             "1999.123 ", // trailing blanks are removed only by the fixed-length entry
         }) {
        EXPECT_FALSE(parse_date(text).has_value()) << text;
    }
}

TEST(ParseDate, FixedLengthEntry) {
    int_time out{7, 7, 7};
    EXPECT_EQ(f_parse_date(out, "1999.123.12:30          "), 1);
    EXPECT_EQ(out, plain(1999, 123, 12, 30));

    // Failure leaves the output alone.
    const int_time before = out;
    EXPECT_EQ(f_parse_date(out, "1999.366   "), 0);
    EXPECT_EQ(out, before);

    // Only the first 39 characters count: trailing blanks up to there are trimmed
    // and what lies beyond is never seen.
    const std::string padded = std::string("2000/2/29") + std::string(30, ' ') + "junk";
    ASSERT_EQ(padded.size(), 43u);
    EXPECT_EQ(f_parse_date(out, padded), 1);
    EXPECT_EQ(out, plain(2000, 60));
    // Leading blanks are allowed before a number, so the cut shows in the result:
    // the day of year 123 loses its last digit at the 39th character.
    EXPECT_EQ(f_parse_date(out, std::string(32, ' ') + "1999.123"), 1);
    EXPECT_EQ(out, plain(1999, 12));
    EXPECT_EQ(f_parse_date(out, std::string(31, ' ') + "1999.123"), 1);
    EXPECT_EQ(out, plain(1999, 123));
}

TEST(ParseIsoDate, CalendarAndOrdinalDatesWithTimesOfDay) {
    struct Case {
        const char* text;
        int_time expected;
    };
    for (const Case& c : {
             Case{"2024-03-15T12:30:04.25", plain(2024, 75, 12, 30, 4, 250000)},
             Case{"2024-03-15T12:30:04.25Z", plain(2024, 75, 12, 30, 4, 250000)},
             Case{"2024-03-15T12:30:04,000250Z", plain(2024, 75, 12, 30, 4, 250)},
             Case{"2024-03-15T12:30:04", plain(2024, 75, 12, 30, 4)},
             Case{"2024-03-15T12:30", plain(2024, 75, 12, 30)},
             Case{"2024-03-15T12", plain(2024, 75, 12)},
             Case{"2024-03-15", plain(2024, 75)},
             Case{"2024-03-15Z", plain(2024, 75)},
             Case{"2024-075T12:30:04.25Z", plain(2024, 75, 12, 30, 4, 250000)},
             Case{"2000-02-29", plain(2000, 60)},
             Case{"2000-366", plain(2000, 366)},
             Case{"1900-01-01", plain(1900, 1)},
             Case{"2599-12-31", plain(2599, 365)},
             Case{"1999-05-03T23:59:60", plain(1999, 124)},
         }) {
        const std::optional<int_time> it = parse_iso_date(c.text);
        ASSERT_TRUE(it.has_value()) << c.text;
        EXPECT_EQ(*it, c.expected) << c.text;
    }
    // The inserted leap second at the end of 1998 is kept, as in the other forms.
    EXPECT_EQ(parse_iso_date("1998-12-31T23:59:60Z"), (int_time{1998, 31536000, 0}));
}

TEST(ParseIsoDate, RejectedTexts) {
    for (const char* text : {
             "2024-3-15",                   // two-digit month and day
             "24-03-15",                    // four-digit year
             "2024-03-15 12:30:04",         // the time needs its T
             "2024-03-15T12:30:04+01:00",   // only UTC
             "2024-03-15T12:30:04.1234567", // seven fraction digits
             "2024-03-15T12:30:04.",        // no fraction digits
             "2024-03-15T24:00:00",         // hour
             "2024-03-15T12:60",            // minute
             "2024-03-15T12:30:61",         // second
             "2023-02-29",                  // no leap year
             "2023-366",
             "2024-13-01",
             "2024-00-10",
             "2024-03-15T",
             "2024-03-15ZZ",
             "0000-01-01",
             "1899-12-31",
             "2600-01-01",
             "2024/03/15T12:30",
             "",
         }) {
        EXPECT_FALSE(parse_iso_date(text).has_value()) << text;
    }
}

TEST(ParseOriginTime, TheOlderFormsKeepTheirMeaningAndIsoIsAdded) {
    // Every form the date parser takes gives the same instant as before.
    for (const char* text : {"1999.123", "1999/5/3/12:30:15.5", "99.123", "1999.123.23:59:60",
                             "1999. 123.+12:30", "1.1"})
        EXPECT_EQ(parse_origin_time(text), parse_date(text)) << text;
    // Trailing blanks of fixed-length text are ignored in both forms.
    EXPECT_EQ(parse_origin_time("2024/03/15/12:30:04.250   "),
              parse_origin_time("2024-03-15T12:30:04.25Z   "));
    EXPECT_EQ(parse_origin_time("2024-03-15T12:30:04.25"), plain(2024, 75, 12, 30, 4, 250000));
    // A text neither form takes is refused.
    EXPECT_FALSE(parse_origin_time("1999.366").has_value());
    EXPECT_FALSE(parse_origin_time("yesterday").has_value());
}

} // namespace
} // namespace tw
