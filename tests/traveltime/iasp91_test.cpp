// The built IASP91 tables: phase names, depth and core phases, distance folding, caching.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <functional>
#include <sstream>
#include <string>

#include "tests/traveltime/built_tables.hpp"
#include "tests/traveltime/calculator_access.hpp"
#include "traveltime/travel_times.hpp"

namespace {

using tw::TravelTimeCalculator;
using tw::TravelTimes;

class Iasp91 : public ::testing::Test {
  protected:
    std::ostringstream messages;
    std::istringstream no_input;
    TravelTimeCalculator calc{tw::testing::built_model_base(), no_input, messages};
    TravelTimes tt;

    const TravelTimes& at(float depth, float dist, const char* keyword = "all") {
        calc.ttimes(depth, dist, keyword, tt);
        return tt;
    }
    std::string first_name(float depth, float dist, const char* keyword) {
        return std::string(at(depth, dist, keyword).phcd[0].trimmed());
    }
    // Time of the first arrival of the named phase, or -1.
    double time_of(const std::string& name) const {
        for (int i = 0; i < tt.n; ++i)
            if (tt.phcd[i].trimmed() == name) return tt.tt[i];
        return -1.0;
    }
};

TEST_F(Iasp91, FirstArrivalNamesOfP) {
    EXPECT_EQ(first_name(10.0f, 1.0f, "P"), "Pg");
    EXPECT_EQ(first_name(0.0f, 10.0f, "P"), "Pn");
    EXPECT_EQ(first_name(0.0f, 30.0f, "P"), "P");
    EXPECT_EQ(first_name(0.0f, 60.0f, "P"), "P");
    EXPECT_EQ(first_name(0.0f, 110.0f, "P"), "Pdiff");
    EXPECT_EQ(first_name(100.0f, 130.0f, "P"), "Pdiff");
    // Past the end of the diffracted wave the first P is the one through the inner core.
    EXPECT_EQ(first_name(0.0f, 150.0f, "P"), "PKPdf");
    EXPECT_EQ(first_name(0.0f, 180.0f, "P"), "PKPdf");
}

// The driver places its windows at the first arrival of "P": it is the earliest P-type arrival
// of all phases (a name beginning with P: the ray leaves the source downward and arrives as P)
// at every depth and distance, through the inner core beyond the diffracted P.
TEST_F(Iasp91, KeywordPGivesTheFirstPTypeArrivalEverywhere) {
    TravelTimes all;
    for (float depth : {0.0f, 10.0f, 33.0f, 100.0f, 200.0f, 300.0f, 410.0f, 550.0f, 700.0f}) {
        for (float dist = 0.0f; dist <= 180.0f; dist += 0.5f) {
            calc.ttimes(depth, dist, "all", all);
            int first = -1;
            for (int i = 0; i < all.n && first < 0; ++i)
                if (all.phcd[i].view().front() == 'P') first = i;
            ASSERT_GE(first, 0) << "depth " << depth << " dist " << dist;
            at(depth, dist, "P");
            ASSERT_GT(tt.n, 0) << "depth " << depth << " dist " << dist;
            EXPECT_EQ(tt.phcd[0].trimmed(), all.phcd[first].trimmed())
                << "depth " << depth << " dist " << dist;
            EXPECT_EQ(tt.tt[0], all.tt[first]) << "depth " << depth << " dist " << dist;
        }
    }
}

TEST_F(Iasp91, FirstArrivalNamesOfS) {
    EXPECT_EQ(first_name(10.0f, 1.0f, "S"), "Sg");
    EXPECT_EQ(first_name(0.0f, 10.0f, "S"), "Sn");
    EXPECT_EQ(first_name(0.0f, 40.0f, "S"), "S");
    EXPECT_EQ(first_name(0.0f, 110.0f, "S"), "Sdiff");
}

// Straight-ray checks in the uniform upper crust (5.8 km/s, 3.36 km/s): vertical travel times.
TEST_F(Iasp91, VerticalRaysInTheUpperCrust) {
    at(10.0f, 0.0f, "P");
    EXPECT_NEAR(tt.tt[0], 10.0 / 5.8, 2e-3);
    EXPECT_NEAR(tt.dtdd[0], 0.0, 0.02);
    at(10.0f, 0.0f, "S");
    EXPECT_NEAR(tt.tt[0], 10.0 / 3.36, 2e-3);
}

TEST_F(Iasp91, ZeroDepthBehavesAsElevenMetres) {
    const TravelTimes a = at(0.0f, 30.0f, "P");
    const TravelTimes b = at(0.011f, 30.0f, "P");
    ASSERT_GT(a.n, 0);
    EXPECT_EQ(a.tt[0], b.tt[0]);
}

TEST_F(Iasp91, DepthPhasesLagMoreWithDepth) {
    double prev_pp = 0.0, prev_sp = 0.0;
    for (float depth : {50.0f, 150.0f, 300.0f, 600.0f}) {
        at(depth, 50.0f);
        const double p = time_of("P"), pp = time_of("pP"), sp = time_of("sP");
        ASSERT_GT(p, 0.0);
        ASSERT_GT(pp, p) << depth;
        ASSERT_GT(sp, pp) << depth;
        EXPECT_GT(pp - p, prev_pp);
        EXPECT_GT(sp - p, prev_sp);
        prev_pp = pp - p;
        prev_sp = sp - p;
    }
    // Near-vertical legs: pP - P is close to twice the vertical P time through the source depth.
    at(33.0f, 60.0f);
    EXPECT_NEAR(time_of("pP") - time_of("P"), 2.0 * (20.0 / 5.8 + 13.0 / 6.5), 3.0);
}

TEST_F(Iasp91, CorePhasesInTheirRanges) {
    at(0.0f, 150.0f);
    EXPECT_GT(time_of("PKPdf"), 0.0);
    EXPECT_GT(time_of("PKPbc"), 0.0);
    EXPECT_GT(time_of("PKPab"), 0.0);
    EXPECT_LT(time_of("PKPdf"), time_of("PKPbc"));
    at(0.0f, 170.0f);
    EXPECT_GT(time_of("PKPab"), 0.0);
    EXPECT_LT(time_of("PKPbc"), 0.0); // bc ends near 155 degrees
    at(0.0f, 120.0f);
    EXPECT_LT(time_of("PKPab"), 0.0); // inside the core shadow of PKP
    EXPECT_GT(time_of("PKPdf"), 0.0);
    // SKS trails S at 70 degrees and overtakes it in the low eighties.
    at(0.0f, 70.0f);
    EXPECT_GT(time_of("SKSac"), time_of("S"));
    at(0.0f, 95.0f);
    EXPECT_LT(time_of("SKSac"), time_of("S"));
    at(0.0f, 110.0f);
    EXPECT_GT(time_of("SKSac"), 0.0);
}

TEST_F(Iasp91, ResultsAreSortedAndCapped) {
    for (float dist : {5.0f, 40.0f, 95.0f, 150.0f, 179.0f}) {
        at(300.0f, dist);
        ASSERT_LE(tt.n, 60);
        for (int i = 1; i < tt.n; ++i)
            EXPECT_LE(tt.tt[i - 1], tt.tt[i]);
    }
}

TEST_F(Iasp91, DistanceFolding) {
    const TravelTimes ten = at(100.0f, 10.0f);
    const TravelTimes folded = at(100.0f, 370.0f);
    ASSERT_EQ(ten.n, folded.n);
    for (int i = 0; i < ten.n; ++i) {
        EXPECT_EQ(ten.phcd[i], folded.phcd[i]);
        EXPECT_NEAR(ten.tt[i], folded.tt[i], 1e-3);
    }
    const TravelTimes mirrored = at(100.0f, 350.0f);
    ASSERT_EQ(ten.n, mirrored.n);
    for (int i = 0; i < ten.n; ++i)
        EXPECT_NEAR(ten.tt[i], mirrored.tt[i], 1e-3);
}

TEST_F(Iasp91, ZeroAndAntipode) {
    at(50.0f, 0.0f, "P");
    ASSERT_GT(tt.n, 0);
    EXPECT_NEAR(tt.tt[0], 15.0 / 6.5 + 20.0 / 5.8 + 15.0 / 8.04, 0.05); // straight up
    at(0.0f, 180.0f);
    EXPECT_GT(time_of("PKPdf"), 1200.0);
    EXPECT_LT(time_of("PKPdf"), 1220.0);
    // SKKS reaches past 180 degrees: at 160 degrees it also comes in along the major arc
    // (200 degrees), with a negative slowness.
    at(0.0f, 160.0f, "SKKS");
    bool positive = false, negative = false;
    for (int i = 0; i < tt.n; ++i) {
        positive = positive || tt.dtdd[i] > 0.0f;
        negative = negative || tt.dtdd[i] < 0.0f;
    }
    EXPECT_TRUE(positive);
    EXPECT_TRUE(negative);
}

TEST_F(Iasp91, TablesReadOnceAndCorrectedOncePerDepthAndPhaseList) {
    using Access = tw::TravelTimeTestAccess;
    at(10.0f, 30.0f, "P");
    at(10.0f, 40.0f, "P");
    EXPECT_EQ(Access::model_loads(calc), 1);
    EXPECT_EQ(Access::branches(calc, "P").depth_corrections(), 1);
    at(20.0f, 40.0f, "P");
    EXPECT_EQ(Access::branches(calc, "P").depth_corrections(), 2);
    // Another phase list keeps its own corrected tables; the model files are not read again.
    at(20.0f, 40.0f, "S+");
    at(20.0f, 50.0f, "P");
    at(20.0f, 50.0f, "S+");
    EXPECT_EQ(Access::model_loads(calc), 1);
    EXPECT_EQ(Access::branches(calc, "P").depth_corrections(), 2);
    EXPECT_EQ(Access::branches(calc, "S+").depth_corrections(), 1);
}

TEST_F(Iasp91, OutputsClearedAtEntry) {
    at(10.0f, 30.0f, "P");
    ASSERT_GT(tt.n, 0);
    at(10.0f, 30.0f, "Nonsense");
    EXPECT_EQ(tt.n, 0);
    EXPECT_EQ(tt.tt[0], 0.0f);
    EXPECT_EQ(tt.phcd[0].trimmed(), "");
    EXPECT_NE(messages.str().find("Brnset:  phase Nonsense not found."), std::string::npos);
}

TEST_F(Iasp91, DepthDerivativeSigns) {
    at(100.0f, 40.0f);
    EXPECT_LT(tt.dtdh[0], 0.0f); // P leaves downward: a deeper source arrives earlier
    at(100.0f, 1.0f, "P");
    EXPECT_GT(tt.dtdh[0], 0.0f); // straight up: a deeper source arrives later
    // dT/dh of the up-going ray near vertical is the source slowness 1/v.
    at(10.0f, 0.0f, "P");
    EXPECT_NEAR(tt.dtdh[0], 1.0 / 5.8, 2e-3);
}

TEST_F(Iasp91, TooManyArrivalsWarnAndStopAtTheMaximum) {
    at(100.0f, 40.0f);
    ASSERT_GT(tt.n, 3);
    TravelTimes few;
    tw::TravelTimeTestAccess::branches(calc, "all").trtm(40.0f, 3, few);
    EXPECT_EQ(few.n, 3);
    EXPECT_NE(messages.str().find(" More than  3 arrivals found."), std::string::npos);
}

using Iasp91Death = Iasp91;

// The message goes to standard output; the child sends that to the standard error the test
// reads.
void with_stdout_on_stderr(const std::function<void()>& f) {
    ::dup2(2, 1);
    f();
}

TEST_F(Iasp91Death, SourceBelowTheMantleEndsTheProcessShowingTheDepthGiven) {
    EXPECT_EXIT(with_stdout_on_stderr([&] { at(3000.0f, 30.0f, "P"); }),
                ::testing::ExitedWithCode(3), "Source depth \\(3000.0\\) too deep.");
    // Deeper than the Earth's radius: no flattened depth to show, the depth as given.
    EXPECT_EXIT(with_stdout_on_stderr([&] { at(8000.0f, 30.0f, "P"); }),
                ::testing::ExitedWithCode(3), "Source depth \\(8000.0\\) too deep.");
}

TEST_F(Iasp91, SourceOnTheDeepestSampleAboveTheCore) {
    // The core-mantle boundary of IASP91 lies at 2889 km: P leaves straight up.
    at(2889.0f, 0.0f, "P");
    ASSERT_GT(tt.n, 0);
    EXPECT_EQ(tt.phcd[0].trimmed(), "P");
    EXPECT_GT(tt.dtdh[0], 0.0f);
    // Nearly vertical through the whole mantle: between the times at the slowest and fastest
    // mantle velocities.
    EXPECT_GT(tt.tt[0], 2889.0f / 13.7f);
    EXPECT_LT(tt.tt[0], 2889.0f / 5.8f);
    at(2889.0f, 30.0f, "S");
    ASSERT_GT(tt.n, 0);
    EXPECT_EQ(tt.phcd[0].trimmed(), "S");
}

TEST(TravelTimeTables, ModelOneIsPremBesideTheTables) {
    TravelTimeCalculator calc("/nonexistent/dir/iasp91");
    calc.set_model(1);
    TravelTimes tt;
    EXPECT_EXIT(calc.ttimes(10.0f, 30.0f, "P", tt), ::testing::ExitedWithCode(2),
                "/nonexistent/dir/prem.hed: No such file or directory");
}

TEST(TravelTimeTables, MissingTableEndsTheProcessNamingTheFile) {
    TravelTimeCalculator calc("/nonexistent/dir/model");
    TravelTimes tt;
    EXPECT_EXIT(calc.ttimes(10.0f, 30.0f, "P", tt), ::testing::ExitedWithCode(2),
                "/nonexistent/dir/model.hed: No such file or directory");
}

} // namespace
