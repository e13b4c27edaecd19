// Branch selection by keyword, generic names, and the ordering of arrivals.
#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "tests/traveltime/built_tables.hpp"
#include "traveltime/model_tables.hpp"
#include "traveltime/r4sort.hpp"
#include "traveltime/travel_times.hpp"

namespace {

using tw::ModelTables;

TEST(GenericName, DropsBranchLettersAndCutsAtBranchSuffixes) {
    EXPECT_EQ(ModelTables::generic_name("Pn"), "P");
    EXPECT_EQ(ModelTables::generic_name("Pg"), "P");
    EXPECT_EQ(ModelTables::generic_name("Pb"), "P");
    EXPECT_EQ(ModelTables::generic_name("PKPab"), "PKP");
    EXPECT_EQ(ModelTables::generic_name("PKPdf"), "PKP");
    EXPECT_EQ(ModelTables::generic_name("SKSac"), "SKS");
    EXPECT_EQ(ModelTables::generic_name("pPn"), "pP");
    EXPECT_EQ(ModelTables::generic_name("PKiKP"), "PKiKP");
    EXPECT_EQ(ModelTables::generic_name("PcP     "), "PcP");
}

class Selection : public ::testing::Test {
  protected:
    ModelTables tables;
    std::array<int, tw::ttcap::kSegments> segmsk{};
    std::ostringstream out;
    std::istringstream in;
    void SetUp() override { tables.load(tw::testing::built_model_base()); }
    void select(std::vector<std::string> keys, std::array<int, 3> prflags = {0, 0, 0}) {
        segmsk = tw::select_segments(tables, keys, prflags, in, out);
    }
    bool selected(int seg) const { return segmsk[seg] != 0; }
    // Whether some branch of segment seg has one of the generic names.
    bool segment_has(int seg, const std::vector<std::string>& names) {
        for (int b = 0; b < tables.branch_count(); ++b) {
            if (tables.branch_segment(b) != seg) continue;
            const std::string g = ModelTables::generic_name(tables.branch_code(b));
            for (const auto& n : names)
                if (g == n) return true;
        }
        return false;
    }
};

TEST_F(Selection, KeywordPSelectsExactlyTheSegmentsOfPPKiKPAndPKP) {
    select({"P"});
    int count = 0;
    for (int n = 0; n < tables.segment_count(); ++n) {
        EXPECT_EQ(selected(n), segment_has(n, {"P", "PKiKP", "PKP"})) << n;
        count += selected(n);
    }
    EXPECT_EQ(count, 3); // P; PKiKP with PKPdf; PKPab and PKPbc
}

TEST_F(Selection, DfBranchesSitWithTheInnerCoreReflection) {
    auto segment_of = [&](const std::string& code) {
        for (int b = 0; b < tables.branch_count(); ++b)
            if (tables.branch_code(b) == code) return tables.branch_segment(b);
        return -1;
    };
    ASSERT_GE(segment_of("PKiKP"), 0);
    EXPECT_EQ(segment_of("PKPdf"), segment_of("PKiKP"));
    ASSERT_GE(segment_of("SKiKS"), 0);
    EXPECT_EQ(segment_of("SKSdf"), segment_of("SKiKS"));
    EXPECT_NE(segment_of("PKPab"), segment_of("PKiKP"));
}

TEST_F(Selection, AllSelectsEverySegment) {
    select({"all"});
    for (int n = 0; n < tables.segment_count(); ++n)
        EXPECT_TRUE(selected(n));
    select({"ALL"});
    for (int n = 0; n < tables.segment_count(); ++n)
        EXPECT_TRUE(selected(n));
}

TEST_F(Selection, CommandListsAndPhaseNames) {
    select({"S+"});
    for (int n = 0; n < tables.segment_count(); ++n)
        EXPECT_EQ(selected(n), segment_has(n, {"S", "ScS", "sS", "pS"})) << n;
    select({"PcP", "SKS"});
    for (int n = 0; n < tables.segment_count(); ++n)
        EXPECT_EQ(selected(n), segment_has(n, {"PcP", "SKS"})) << n;
    EXPECT_TRUE(out.str().empty());
}

TEST_F(Selection, UnknownPhaseIsReported) {
    select({"PxP"});
    EXPECT_EQ(out.str(), " Brnset:  phase PxP not found.\n");
    for (int n = 0; n < tables.segment_count(); ++n)
        EXPECT_FALSE(selected(n));
}

TEST_F(Selection, QueryReadsKeywordsUntilABlankLine) {
    in.str("PcP\nScS\n\n");
    select({"query"});
    for (int n = 0; n < tables.segment_count(); ++n)
        EXPECT_EQ(selected(n), segment_has(n, {"PcP", "ScS"})) << n;
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
    select({"P"}, {0, 0, 1});
    EXPECT_NE(out.str().find("Brnset:  the following phases have been selected -"),
              std::string::npos);
    EXPECT_NE(out.str().find("PKiKP"), std::string::npos);
}

TEST(ModelTablesDeath, BlankModelNameEndsTheProcessWithoutAsking) {
    for (const char* name : {"", " iasp91"}) {
        ModelTables tables;
        EXPECT_EXIT(tables.load(name), ::testing::ExitedWithCode(2),
                    "travel-time table model: no model name given");
    }
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
