#include <gtest/gtest.h>

#include "text/fields.hpp"

using namespace tw;

TEST(Column, OneBasedInclusiveAndPaddedWhenShort) {
    EXPECT_EQ(column("RJOB 47.73717", 1, 4), "RJOB");
    EXPECT_EQ(column("RJOB 47.73717", 6, 13), "47.73717");
    EXPECT_EQ(column("RJOB", 3, 8), "OB    ");
}

TEST(ReadReal, ImpliedDecimalsAndExplicitPoint) {
    EXPECT_FLOAT_EQ(*read_real(" 4773717", 4), 477.3717f);
    EXPECT_FLOAT_EQ(*read_real("47.73717", 4), 47.73717f); // the point overrides
    EXPECT_FLOAT_EQ(*read_real("  8600", 1), 860.0f);
    EXPECT_FLOAT_EQ(*read_real("-1227", 1), -122.7f);
    EXPECT_EQ(*read_real("        ", 4), 0.0f);       // blank reads 0
    EXPECT_FLOAT_EQ(*read_real(" 1 2 3", 0), 123.0f); // embedded blanks are ignored
}

TEST(ReadReal, ExponentAndScaleFactor) {
    // A value written with an exponent is taken as written; without one it is divided by 10.
    EXPECT_FLOAT_EQ(*read_real("   1.5E+03", 5, 1), 1500.0f);
    EXPECT_FLOAT_EQ(*read_real("    1500.0", 5, 1), 150.0f);
    EXPECT_FLOAT_EQ(*read_real(" 2.51680E+09", 5, 1), 2.5168e9f);
    EXPECT_FLOAT_EQ(*read_real(" -3.700400E-02", 6), -0.037004f);
    EXPECT_FLOAT_EQ(*read_real("1.5D2"), 150.0f);
    EXPECT_FLOAT_EQ(*read_real("1.5-2"), 0.015f);       // sign-only exponent of fixed-column input
    EXPECT_FLOAT_EQ(*read_real("150000", 5, 1), 0.15f); // implied decimals and scale together
}

TEST(ReadReal, MalformedFieldsAreRejected) {
    EXPECT_FALSE(read_real("abc"));
    EXPECT_FALSE(read_real("1.2.3"));
    EXPECT_FALSE(read_real("--1"));
    EXPECT_FALSE(read_real("."));
    EXPECT_FALSE(read_real("1E"));
    EXPECT_FALSE(read_real("1E99")); // overflows single precision
    EXPECT_TRUE(read_double("1E99"));
}

TEST(ReadInt, BlanksSignsAndErrors) {
    EXPECT_EQ(*read_int("2007"), 2007);
    EXPECT_EQ(*read_int("    "), 0);
    EXPECT_EQ(*read_int(" -12"), -12);
    EXPECT_EQ(*read_int("0 5"), 5);
    EXPECT_FALSE(read_int("12a"));
    EXPECT_FALSE(read_int("-"));
    EXPECT_FALSE(read_int("99999999999"));
}

TEST(Column, FieldOfALineWithAndWithoutItsBlanks) {
    const std::string line = " STA   HHZ  12.50";
    EXPECT_EQ(column(line, Column{2, 5}), "STA  ");
    EXPECT_EQ(field_text(line, Column{2, 5}), "STA");
    EXPECT_EQ(field_text(line, Column{11, 7}), "12.50");
    EXPECT_EQ(field_text(line, Column{18, 4}), ""); // beyond the end of a short line
    EXPECT_EQ(Column({11, 7}).last(), 17);
}
