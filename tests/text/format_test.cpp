#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

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

TEST(Lines, FixedColumns) {
    FixedLine line;
    line.text(" ").a("STA", 4).blanks(1).i(7, 3).f(1.5, 6, 2);
    EXPECT_EQ(line.str(), "  STA   7  1.50");
}

TEST(Lines, FieldsAtTheirColumns) {
    FixedLine line;
    line.a("STA", Column{2, 4}).i(7, Column{8, 3}).f(1.5, Column{12, 6, 2});
    line.text("PGA", Column{20, 4}).e(1234.5, Column{25, 12, 5});
    EXPECT_EQ(line.str(), "  STA    7   1.50  PGA   0.12345E+04");
    // A field that would start inside the one before it is a fault of the layout.
    FixedLine overlap;
    overlap.a("ABCDE", Column{1, 5});
    EXPECT_THROW(overlap.i(1, Column{5, 2}), std::logic_error);
    EXPECT_THROW(FixedLine().at(0), std::logic_error);
    EXPECT_EQ(FixedLine().text("toolong", Column{3, 4}).str(), "  tool");
}

TEST(FreeLine, MessageTextOpensTheLineWithItsOwnBlanks) {
    // The message's own leading blanks are the line's: none is added in front of them.
    EXPECT_EQ((FreeLine("  Tesk_wave - error opening file ") << 999).str(),
              "  Tesk_wave - error opening file  999");
    EXPECT_EQ(FreeLine("  Tesk_wave - coordinate file does not exist").str(),
              "  Tesk_wave - coordinate file does not exist");
    EXPECT_EQ((FreeLine("   Tesk_wave - error with response ") << 999).str(),
              "   Tesk_wave - error with response  999");
    EXPECT_EQ(FreeLine("  Using data anyway").str(), "  Using data anyway");
    EXPECT_EQ((FreeLine(" Before window extraction: ") << "RJOB" << 6000).str(),
              " Before window extraction:  RJOB 6000");
    // A text without a leading blank gets the one blank every free-format line starts with.
    EXPECT_EQ((FreeLine("Error opening file") << "x.mseed").str(), " Error opening file x.mseed");
    EXPECT_EQ(FreeLine("").str(), " ");
}

TEST(FreeLine, ItemsFromTheDataAreEachPrecededByOneBlank) {
    EXPECT_EQ((FreeLine() << "P   " << 2024 << 75).str(), " P    2024 75");
    EXPECT_EQ((FreeLine() << " name with a blank").str(), "  name with a blank");
    EXPECT_EQ((FreeLine("Coordinates: ") << 37.5f << -122.0f << 2.0).str(),
              " Coordinates:  37.5 -122.0 2.0");
}

TEST(FreeNumber, IntegersAsDigitsRealsWithADecimalPoint) {
    EXPECT_EQ(free_number(0LL), "0");
    EXPECT_EQ(free_number(-3LL), "-3");
    EXPECT_EQ(free_number(1000000LL), "1000000");
    EXPECT_EQ(free_number(0.0), "0.0");
    EXPECT_EQ(free_number(-0.0f), "-0.0");
    EXPECT_EQ(free_number(10.0f), "10.0");
    EXPECT_EQ(free_number(-122.0f), "-122.0");
    EXPECT_EQ(free_number(0.1f), "0.1"); // the float's own shortest digits, not 0.100000001
    EXPECT_EQ(free_number(46.05f), "46.05");
    EXPECT_EQ(free_number(-0.25), "-0.25");
}

TEST(FreeNumber, NoExponentFromOneTenThousandthBelowOneBillion) {
    EXPECT_EQ(free_number(1.0e6), "1000000.0");
    EXPECT_EQ(free_number(-2500000.0), "-2500000.0");
    EXPECT_EQ(free_number(1.0e6f), "1000000.0");
    EXPECT_EQ(free_number(123456789.5), "123456789.5");
    EXPECT_EQ(free_number(999999999.0), "999999999.0");
    EXPECT_EQ(free_number(86400.0e3), "86400000.0");
    EXPECT_EQ(free_number(0.0001), "0.0001");
    EXPECT_EQ(free_number(-0.000123), "-0.000123");
    // Beyond these magnitudes an exponent keeps the number short.
    EXPECT_EQ(free_number(1.0e9), "1.0E+09");
    EXPECT_EQ(free_number(-1.5e9f), "-1.5E+09");
    EXPECT_EQ(free_number(6.02e23), "6.02E+23");
    EXPECT_EQ(free_number(2.0e-7), "2.0E-07");
    EXPECT_EQ(free_number(-1.25e-12), "-1.25E-12");
    EXPECT_EQ(free_number(1.0e-300), "1.0E-300");
    EXPECT_EQ(free_number(std::numeric_limits<double>::quiet_NaN()), "NaN");
    EXPECT_EQ(free_number(-std::numeric_limits<float>::infinity()), "-Infinity");
}

TEST(FreeNumber, LinesWriteEveryNumberTheSameWay) {
    // The unexpected-channel message carries a difference in microseconds as a double.
    EXPECT_EQ((FreeLine("  Tesk_wave - unexpected channel ") << 1.0e6).str(),
              "  Tesk_wave - unexpected channel  1000000.0");
    EXPECT_EQ((FreeLine() << 5 << 5L << 5LL << 5.0f << 5.0).str(), " 5 5 5 5.0 5.0");
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
