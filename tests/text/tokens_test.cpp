#include <gtest/gtest.h>

#include <vector>

#include "text/tokens.hpp"

using namespace tw;

namespace {
std::vector<std::string> all_tokens(std::string_view text, std::size_t length = 4) {
    std::vector<std::string> out;
    int position = 0;
    for (int guard = 0; guard < 20; ++guard) {
        const std::string token = ciptok(text, position, length);
        out.push_back(token);
        if (token.rfind("eoi", 0) == 0) break;
    }
    return out;
}
} // namespace

TEST(Ciptok, BlanksAndCommasSeparate) {
    EXPECT_EQ(all_tokens("RJOB EHZ  1"),
              (std::vector<std::string>{"RJOB", "EHZ ", "1   ", "eoi "}));
    // A comma with blanks around it is one separator; two commas give an empty field.
    EXPECT_EQ(all_tokens("a , b,,c , ,d"),
              (std::vector<std::string>{"a   ", "b   ", "    ", "c   ", "    ", "d   ", "eoi "}));
}

TEST(Ciptok, CutsPadsAndHandlesOddPositions) {
    int position = 0;
    EXPECT_EQ(ciptok("STATION", position, 4), "STAT");
    EXPECT_EQ(position, 7);
    EXPECT_EQ(ciptok("STATION", position, 4), "eoi ");
    position = -3;
    EXPECT_EQ(ciptok("abc", position, 3), "   ");
    EXPECT_EQ(position, 0);
    position = 0;
    EXPECT_EQ(ciptok("   ", position, 3), "eoi");
}

TEST(Cipnum, DecodesNumbersAndReportsTheOffendingCharacter) {
    float value = -1.0f;
    int flag = -1;
    cipnum("1.5E3", value, flag);
    EXPECT_EQ(flag, 0);
    EXPECT_FLOAT_EQ(value, 1500.0f);
    cipnum("12a", value, flag);
    EXPECT_EQ(flag, 'a');
    EXPECT_EQ(value, 0.0f);
    cipnum("-122 trailing", value, flag);
    EXPECT_EQ(flag, 0);
    EXPECT_FLOAT_EQ(value, -122.0f);
    cipnum("   ", value, flag);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(value, 0.0f);
    cipnum("1-2", value, flag); // a sign between digits is no number
    EXPECT_EQ(flag, '-');
    cipnum("--1", value, flag);
    EXPECT_EQ(flag, '-');
    cipnum("1234567890123456", value, flag); // longer than the 15-column field
    EXPECT_NE(flag, 0);
    cipnum("4.9", value, flag);
    EXPECT_FLOAT_EQ(value, 4.9f);
}
