#include <gtest/gtest.h>

#include "text/fixed_text.hpp"
#include "text/format.hpp"

using namespace tw;

TEST(FormatF, RoundsRightJustifiesAndOverflows) {
    EXPECT_EQ(format_f(12.3456, 10, 3), "    12.346");
    EXPECT_EQ(format_f(-0.5, 7, 3), " -0.500");
    EXPECT_EQ(format_f(0.5, 4, 3), ".500"); // leading zero dropped to fit
    EXPECT_EQ(format_f(-0.5, 5, 3), "-.500");
    EXPECT_EQ(format_f(12345678.0, 10, 3), "**********");
    EXPECT_EQ(format_f(-0.0001, 6, 3), "-0.000"); // the sign of a small negative value stays
    EXPECT_EQ(format_f(90.0, 4, 0), " 90.");
    EXPECT_EQ(format_f(-90.0, 4, 0), "-90.");
    EXPECT_EQ(format_f(0.3, 4, 0), "  0.");
    EXPECT_EQ(format_f(1000.0, 4, 0), "****");
}

TEST(FormatE, MantissaBelowOneWithSignedTwoDigitExponent) {
    EXPECT_EQ(format_e(1234.5, 12, 5), " 0.12345E+04");
    EXPECT_EQ(format_e(-0.00123456, 12, 5), "-0.12346E-02");
    EXPECT_EQ(format_e(0.0, 15, 5), "    0.00000E+00");
    EXPECT_EQ(format_e(1.0, 12, 5), " 0.10000E+01");
    EXPECT_EQ(format_e(99999.9, 12, 5), " 0.10000E+06"); // rounding carries into the exponent
    EXPECT_EQ(format_e(1.0e120, 12, 5), " 0.10000+121"); // three-digit exponent drops the E
}

TEST(FormatE, TenColumnFormDropsTheLeadingZero) {
    EXPECT_EQ(format_e(12.345, 10, 5), ".12345E+02");
    EXPECT_EQ(format_e(-12.345, 10, 5), "**********");
    EXPECT_EQ(format_e(-12.345, 11, 5), "-.12345E+02");
}

TEST(FormatI, RightJustifiedOrAsterisks) {
    EXPECT_EQ(format_i(5321, 10), "      5321");
    EXPECT_EQ(format_i(-42, 4), " -42");
    EXPECT_EQ(format_i(123456, 5), "*****");
}

TEST(FormatA, RightJustifiedOrCut) {
    EXPECT_EQ(format_a("HH", 4), "  HH");
    EXPECT_EQ(format_a("ABCDE", 4), "ABCD");
}

TEST(Lines, FixedAndFreeFormat) {
    FixedLine line;
    line.text(" ").a("STA", 4).blanks(1).i(7, 3).f(1.5, 6, 2);
    EXPECT_EQ(line.str(), "  STA   7  1.50");

    FreeLine free;
    free << "  Tesk_wave - error opening file " << 999;
    EXPECT_EQ(free.str(), "   Tesk_wave - error opening file  999");
    FreeLine numbers;
    numbers << "Coordinates: " << 37.5f << -122.0f << 2.0;
    EXPECT_EQ(numbers.str(), " Coordinates:  37.5 -122 2");
}

TEST(FixedText, PadsCutsAndTrims) {
    FixedText<6> stat("RJOB");
    EXPECT_EQ(stat.view(), "RJOB  ");
    EXPECT_EQ(stat.trimmed(), "RJOB");
    EXPECT_EQ(FixedText<3>("ABCDE").view(), "ABC");
    EXPECT_EQ(klen("      "), 0);
    EXPECT_EQ(kstart("      "), 0);
    EXPECT_EQ(klen(" ab  "), 3);
    EXPECT_EQ(kstart(" ab  "), 2);
    EXPECT_EQ(strip_blanks("   1.25 "), "1.25");
}
