// tesk_tt as a user meets it: its lines for the tables this build made, and its refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/run_program.hpp"
#include "tests/traveltime/built_tables.hpp"

namespace {

using tw::testing::run_program;

tw::testing::ProgramResult tesk_tt(std::vector<std::string> args) {
    return run_program(TESK_TT, args);
}

const std::string kGolden = std::string(TW_SOURCE_DIR) + "/tests/traveltime/golden/";

// Keyword P to the antipode: P, the diffracted P to 145 degrees, PKPbc just past the PKP
// caustic, then the P through the inner core; and every phase at one distance.
TEST(TeskTt, LinesMatchTheGoldenFiles) {
    const std::string model = tw::testing::built_model_base();
    struct Case {
        std::vector<std::string> args;
        const char* golden;
    };
    const std::vector<Case> cases = {
        {{"-model", model, "-k", "P", "10", "0", "30", "100", "144", "145.2", "146", "150", "160",
          "180"},
         "tesk_tt_p.txt"},
        {{"-model", model, "33", "47.5"}, "tesk_tt_all.txt"},
    };
    for (const Case& c : cases) {
        const auto r = tesk_tt(c.args);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.out, tw::testing::slurp(kGolden + c.golden)) << c.golden;
    }
}

TEST(TeskTt, ArgumentsThatAreNotNumbersInRangeAreRefused) {
    const std::string model = tw::testing::built_model_base();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"10", "nan"}, " tesk_tt - not a number: nan"},
        {{"nan", "10"}, " tesk_tt - not a number: nan"},
        {{"10", "inf"}, " tesk_tt - not a number: inf"},
        {{"10", "0x10"}, " tesk_tt - not a number: 0x10"},
        {{"10", "1e400"}, " tesk_tt - not a number: 1e400"},
        {{"10", "30km"}, " tesk_tt - not a number: 30km"},
        {{"10", "1e40"}, " tesk_tt - distance out of range (0 to 360 degrees): 1e40"},
        {{"10", "-5"}, " tesk_tt - distance out of range (0 to 360 degrees): -5"},
        {{"-1", "10"}, " tesk_tt - depth out of range (0 to 6371 km): -1"},
        {{"6371.5", "10"}, " tesk_tt - depth out of range (0 to 6371 km): 6371.5"},
        {{"-k", "", "10", "30"}, " tesk_tt - empty phase list"},
        {{"10", "30", "-k"}, " tesk_tt - -k needs a value"},
    };
    for (const auto& [args, message] : cases) {
        std::vector<std::string> full = {"-model", model};
        full.insert(full.end(), args.begin(), args.end());
        const auto r = tesk_tt(full);
        EXPECT_EQ(r.status, 1) << message;
        const auto lines = tw::testing::lines_of(r.out);
        ASSERT_GE(lines.size(), 2u) << message;
        EXPECT_EQ(lines[0], message);
        EXPECT_EQ(lines[1].rfind("usage: tesk_tt", 0), 0u) << lines[1];
    }
}

// An unset shell variable gives an empty model name: refused, never asked for.
TEST(TeskTt, EmptyModelNameIsRefused) {
    for (const char* name : {"", " iasp91"}) {
        const auto r = tesk_tt({"-model", name, "-k", "P", "10", "30"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(tw::testing::lines_of(r.out).at(0), " tesk_tt - empty model name");
        EXPECT_EQ(r.out.find("Enter model name"), std::string::npos);
    }
}

// Without -model the installed tables are read: the program names that path and does not
// carry the build tree's.
TEST(TeskTt, DefaultIsTheInstalledModelPath) {
    const auto r = tesk_tt({});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(std::string("(default: ") + TW_MODEL_BASE + ")"), std::string::npos)
        << r.out;
    const std::string program = tw::testing::slurp(TESK_TT);
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(program.find(tw::testing::built_model_base()), std::string::npos);
}

TEST(TeskTt, SourceDepthsAtAndBelowTheCore) {
    const std::string model = tw::testing::built_model_base();
    const auto at_cmb = tesk_tt({"-model", model, "-k", "P", "2889", "0"});
    EXPECT_EQ(at_cmb.status, 0);
    EXPECT_NE(at_cmb.out.find("       P "), std::string::npos) << at_cmb.out;
    const auto below = tesk_tt({"-model", model, "-k", "P", "3000", "30"});
    EXPECT_EQ(below.status, 3);
    EXPECT_EQ(below.out, "Source depth (3000.0) too deep.\n");
}

} // namespace
