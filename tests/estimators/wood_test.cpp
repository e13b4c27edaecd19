#include "estimators/wood.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/estimators/in_temp_dir.hpp"

namespace tw {
namespace {

TraceHeader station(const char* stat, const char* chan) {
    TraceHeader head;
    head.stat.assign(stat);
    head.chan.assign(chan);
    head.sample_rate = 100;
    return head;
}

TEST(WoodLine, NumbersWithoutLeadingBlanksAndCodesRunTogether) {
    const TraceHeader head = station("STA", "HHZ");
    // log10(12.345 / 0.812) = 1.18194...
    EXPECT_EQ(wood_line(head, {12.345f, 0.812f, 5322}), " STAHHZ WAS 12.345 0.812 5321 1.182");
    EXPECT_EQ(wood_line(head, {0.01f, 1.0f, 1}), " STAHHZ WAS 0.010 1.000 0 -2.000");
}

TEST(WoodLine, StationCodeIsTakenToFourCharacters) {
    EXPECT_EQ(wood_line(station("RJOB", "EHZ"), {1.0f, 0.1f, 11}),
              " RJOBEHZ WAS 1.000 0.100 10 1.000");
    EXPECT_EQ(wood_line(station("ABCDE", "BHN"), {1.0f, 0.1f, 11}),
              " ABCDBHN WAS 1.000 0.100 10 1.000");
    EXPECT_EQ(wood_line(station("AB", "BHN"), {1.0f, 0.1f, 11}), " ABBHN WAS 1.000 0.100 10 1.000");
}

TEST(WoodLine, TooWideNumberIsTenAsterisks) {
    const TraceHeader head = station("STA", "HHZ");
    // the widest value that fits ten columns with three decimals, and the first that does not
    EXPECT_EQ(wood_line(head, {999999.875f, 1.0f, 1}), " STAHHZ WAS 999999.875 1.000 0 6.000");
    EXPECT_EQ(wood_line(head, {2.0e6f, 1.0f, 1}), " STAHHZ WAS ********** 1.000 0 6.301");
    EXPECT_EQ(wood_line(head, {1.0f, 1.0f, 1}).find('*'), std::string::npos);
}

TEST(WoodLine, ZeroAmplitudeOrPeriodHasNoMagnitude) {
    const TraceHeader head = station("STA", "HHZ");
    EXPECT_EQ(wood_line(head, {0.0f, 0.0f, 1}), " STAHHZ WAS 0.000 0.000 0 **********");
    EXPECT_EQ(wood_line(head, {5.0f, 0.0f, 7}), " STAHHZ WAS 5.000 0.000 6 **********");
}

TEST(WoodFile, HeaderOnlyWhenCreatedAndLinesAppended) {
    testing::InTempDir here;
    const TraceHeader a = station("STA", "HHZ");
    const TraceHeader b = station("STB", "HHN");
    write_wood(a, {12.345f, 0.812f, 5322});
    EXPECT_EQ(testing::slurp(kWoodFile), "# \n# \n STAHHZ WAS 12.345 0.812 5321 1.182\n");
    write_wood(b, {1.0f, 0.1f, 11});
    EXPECT_EQ(testing::slurp(kWoodFile), "# \n# \n STAHHZ WAS 12.345 0.812 5321 1.182\n"
                                         " STBHHN WAS 1.000 0.100 10 1.000\n");
}

TEST(WoodFile, ExistingFileIsOnlyAppendedTo) {
    testing::InTempDir here;
    { std::ofstream(kWoodFile) << "kept\n"; }
    write_wood(station("STA", "HHZ"), {1.0f, 0.1f, 11});
    EXPECT_EQ(testing::slurp(kWoodFile), "kept\n STAHHZ WAS 1.000 0.100 10 1.000\n");
}

} // namespace
} // namespace tw
