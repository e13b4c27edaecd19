// Branch selection by keyword, generic names, and the ordering of arrivals.
#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "traveltime/model_paths.hpp"
#include "traveltime/r4sort.hpp"
#include "traveltime/travel_times.hpp"

namespace {

using tw::TravelTimeCalculator;

TEST(GenericName, DropsBranchLettersAndCutsAtBranchSuffixes) {
    EXPECT_EQ(TravelTimeCalculator::generic_name("Pn"), "P");
    EXPECT_EQ(TravelTimeCalculator::generic_name("Pg"), "P");
    EXPECT_EQ(TravelTimeCalculator::generic_name("Pb"), "P");
    EXPECT_EQ(TravelTimeCalculator::generic_name("PKPab"), "PKP");
    EXPECT_EQ(TravelTimeCalculator::generic_name("PKPdf"), "PKP");
    EXPECT_EQ(TravelTimeCalculator::generic_name("SKSac"), "SKS");
    EXPECT_EQ(TravelTimeCalculator::generic_name("pPn"), "pP");
    EXPECT_EQ(TravelTimeCalculator::generic_name("PKiKP"), "PKiKP");
    EXPECT_EQ(TravelTimeCalculator::generic_name("PcP     "), "PcP");
}

class Selection : public ::testing::Test {
  protected:
    TravelTimeCalculator calc{tw::built_model_base()};
    std::ostringstream out;
    std::istringstream in;
    void SetUp() override {
        calc.set_streams(in, out);
        calc.tabin(tw::built_model_base());
    }
    void select(std::vector<std::string> keys) { calc.brnset(keys, {0, 0, 0}); }
    // Whether some branch of segment seg has one of the generic names.
    bool segment_has(int seg, const std::vector<std::string>& names) {
        for (int b = 0; b < calc.branch_count(); ++b) {
            if (calc.branch_segment(b) != seg) continue;
            const std::string g = TravelTimeCalculator::generic_name(calc.branch_code(b));
            for (const auto& n : names)
                if (g == n) return true;
        }
        return false;
    }
};

TEST_F(Selection, KeywordPSelectsExactlyTheSegmentsOfPAndPKiKP) {
    select({"P"});
    int selected = 0;
    for (int n = 0; n < calc.segment_count(); ++n) {
        EXPECT_EQ(calc.segment_selected(n), segment_has(n, {"P", "PKiKP"})) << n;
        selected += calc.segment_selected(n);
    }
    EXPECT_EQ(selected, 2);
}

TEST_F(Selection, AllSelectsEverySegment) {
    select({"all"});
    for (int n = 0; n < calc.segment_count(); ++n)
        EXPECT_TRUE(calc.segment_selected(n));
    select({"ALL"});
    for (int n = 0; n < calc.segment_count(); ++n)
        EXPECT_TRUE(calc.segment_selected(n));
}

TEST_F(Selection, CommandListsAndPhaseNames) {
    select({"S+"});
    for (int n = 0; n < calc.segment_count(); ++n)
        EXPECT_EQ(calc.segment_selected(n), segment_has(n, {"S", "ScS", "sS", "pS"})) << n;
    select({"PcP", "SKS"});
    for (int n = 0; n < calc.segment_count(); ++n)
        EXPECT_EQ(calc.segment_selected(n), segment_has(n, {"PcP", "SKS"})) << n;
    EXPECT_TRUE(out.str().empty());
}

TEST_F(Selection, UnknownPhaseIsReported) {
    select({"PxP"});
    EXPECT_EQ(out.str(), " Brnset:  phase PxP not found.\n");
    for (int n = 0; n < calc.segment_count(); ++n)
        EXPECT_FALSE(calc.segment_selected(n));
}

TEST_F(Selection, QueryReadsKeywordsUntilABlankLine) {
    in.str("PcP\nScS\n\n");
    select({"query"});
    for (int n = 0; n < calc.segment_count(); ++n)
        EXPECT_EQ(calc.segment_selected(n), segment_has(n, {"PcP", "ScS"})) << n;
    EXPECT_NE(out.str().find("Enter desired branch control list at the prompts:"),
              std::string::npos);
}

TEST_F(Selection, QueryWithoutAnswersExplainsTheChoices) {
    in.str("\n");
    select({"QUERY"});
    EXPECT_NE(out.str().find("You must enter some branch control information!"), std::string::npos);
    EXPECT_NE(out.str().find("or any generic phase name"), std::string::npos);
}

TEST_F(Selection, ListingNamesTheSelectedSegments) {
    calc.brnset(std::vector<std::string>{"P"}, {0, 0, 1});
    EXPECT_NE(out.str().find("Brnset:  the following phases have been selected -"),
              std::string::npos);
    EXPECT_NE(out.str().find("PKiKP"), std::string::npos);
}

TEST(Tabin, BlankModelNameAsksForOne) {
    TravelTimeCalculator calc{""};
    std::istringstream in(std::string(tw::built_model_base()) + "\n");
    std::ostringstream out;
    calc.set_streams(in, out);
    tw::TravelTimes tt;
    calc.ttimes(10.0f, 30.0f, "P", tt);
    EXPECT_EQ(out.str(), "Enter model name:\n");
    ASSERT_GT(tt.n, 0);
    EXPECT_EQ(tt.phcd[0].trimmed(), "P");
}

tw::TravelTimes arrivals(std::vector<std::pair<std::string, float>> list) {
    tw::TravelTimes t;
    for (const auto& [name, time] : list) {
        t.phcd[t.n] = tw::FixedText<8>(name);
        t.tt[t.n] = time;
        t.dtdd[t.n] = time / 100.0f;
        ++t.n;
    }
    return t;
}

TEST(CopySortedArrivals, SameNameWithinFiveMillisecondsIsOneArrival) {
    tw::TravelTimes out;
    copy_sorted_arrivals(arrivals({{"P", 100.004f}, {"P", 100.0f}}), 2, out);
    ASSERT_EQ(out.n, 1);
    EXPECT_FLOAT_EQ(out.tt[0], 100.0f);
    copy_sorted_arrivals(arrivals({{"P", 100.006f}, {"P", 100.0f}}), 2, out);
    EXPECT_EQ(out.n, 2);
    copy_sorted_arrivals(arrivals({{"P", 100.0f}, {"PcP", 100.002f}}), 2, out);
    EXPECT_EQ(out.n, 2);
}

TEST(CopySortedArrivals, OrdersByTimeKeepingTheFields) {
    tw::TravelTimes out;
    copy_sorted_arrivals(arrivals({{"S", 300.0f}, {"P", 100.0f}, {"PcP", 200.0f}}), 3, out);
    ASSERT_EQ(out.n, 3);
    EXPECT_EQ(out.phcd[0].trimmed(), "P");
    EXPECT_EQ(out.phcd[1].trimmed(), "PcP");
    EXPECT_EQ(out.phcd[2].trimmed(), "S");
    EXPECT_FLOAT_EQ(out.dtdd[2], 3.0f);
}

TEST(R4sort, StableIndexOrder) {
    const std::array<float, 5> keys{3.0f, 1.0f, 2.0f, 1.0f, 0.5f};
    std::array<int, 5> order{};
    tw::r4sort(5, keys, order);
    EXPECT_EQ(order, (std::array<int, 5>{4, 1, 3, 2, 0}));
}

} // namespace
