#include "estimators/ramp.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "text/messages.hpp"

namespace tw {
namespace {

constexpr int kRate = 100;
constexpr int kSamples = 9000;                           // 90 s: 30 s before to 60 s after the pick
constexpr float kSensitivity = 100.0f;                   // counts per m/s: one count is 1 cm/s
constexpr int kWindowStart = 30 * kRate - kRate / 2 + 1; // sample 0.5 s before the pick

const int_time kPick{2024, 100 * 86400 + 45296, 789000}; // 2024 day 101, 12:34:56.789

TraceHeader header(const char* chan, const int_time& stime) {
    TraceHeader head;
    head.stat.assign("RMP");
    head.chan.assign(chan);
    head.network.assign("AZ");
    head.npts = kSamples;
    head.sample_rate = kRate;
    head.stime = stime;
    head.unit_code = 1;
    head.fp_sens = kSensitivity;
    return head;
}

// Velocity (cm/s, as counts) whose squares over three components sum to f(t), t counted from
// one sample before the window start; the samples before the window average to zero with it.
std::vector<float> component(const std::function<double(double)>& f, int first = kWindowStart) {
    std::vector<float> d(kMaxSamples + 2, 0.0f);
    for (int j = first; j <= kSamples; ++j) {
        const double t = static_cast<double>(j - first + 1) / kRate;
        d[j - 1] = static_cast<float>(std::sqrt(std::max(f(t), 0.0) / 3.0));
    }
    d[first - 2] = -d[first - 1];
    return d;
}

class RampTest : public ::testing::Test {
  protected:
    // One group of three; returns the estimate of the last call, its status in ierr.
    std::optional<RampEstimate> run_group(const std::function<double(double)>& f, float dist,
                                          std::array<const char*, 3> chans = {"HHZ", "HHN", "HHE"},
                                          std::array<int_time, 3> starts = {}) {
        std::array<int, 3> ic{0, 0, 0};
        std::optional<RampEstimate> est;
        for (int k = 0; k < 3; ++k) {
            const char letter = chans[k][2];
            ic[letter == 'Z' ? 0 : letter == 'N' ? 1 : 2]++;
            const int_time stime = starts[k].year != 0 ? starts[k] : add_time(kPick, -30, 0);
            const int first =
                static_cast<int>(std::trunc(tdiff(add_time(kPick, 0, -500000), stime) / 1e4 + 1));
            d1 = component(f, first);
            est = estimator.est_ramp(header(chans[k], stime), InstrumentResponse{}, filter, d1,
                                     kPick, dist, k + 1, ic, ierr);
            if (k < 2) {
                EXPECT_EQ(ierr, 0) << said.out;
                EXPECT_FALSE(est);
            }
        }
        return est;
    }
    // One component alone, as the first of its group.
    void run_one(const TraceHeader& head, const InstrumentResponse& instr = {}) {
        const std::array<int, 3> ic{1, 0, 0};
        EXPECT_FALSE(estimator.est_ramp(head, instr, filter, d1, kPick, 40.0f, 1, ic, ierr));
    }

    MessageLog said;
    InstrumentCorrection correction{said};
    RampEstimator estimator{correction, said};
    FilterSpec filter;
    std::vector<float> d1;
    int ierr = -1;
};

TEST_F(RampTest, QuadraticGrowthGivesItsSlopeBack) {
    const double g0 = 0.5, g2 = 3.0;
    const auto est = run_group([&](double t) { return g0 + g2 * t * t; }, 40.0f);
    ASSERT_TRUE(est) << said.out;
    EXPECT_NEAR(est->gamma_es, g2, 1e-4 * g2);
    EXPECT_NEAR(est->gamma_b, g0, 1e-3);
    EXPECT_NEAR(est->chi, 0.0f, 1e-4);
    EXPECT_NEAR(est->cvar, 100.0f, 1e-3);
    EXPECT_NE(("\n" + said.out).find("\n Now beginning ramp estimation  600 6050 2\n"),
              std::string::npos)
        << said.out;
    // The window starts 0.5 s before the pick, 29.5 s into the trace; the span reaches 5.5 s
    // after the pick in steps of 0.5 s.
    EXPECT_FLOAT_EQ(est->start, 29.51f);
    EXPECT_FLOAT_EQ(est->span, 6.0f);
    EXPECT_FLOAT_EQ(est->step, 0.5f);
}

TEST_F(RampTest, MomentGrowsWithTheFourthPowerOfDistanceAndTheRootOfTheSlope) {
    const auto base = run_group([](double t) { return 1.0 + 2.0 * t * t; }, 20.0f);
    const auto steeper = run_group([](double t) { return 1.0 + 8.0 * t * t; }, 20.0f);
    const auto farther = run_group([](double t) { return 1.0 + 2.0 * t * t; }, 40.0f);
    ASSERT_TRUE(base && steeper && farther) << said.out;
    EXPECT_NEAR(steeper->fm0 / base->fm0, 2.0, 1e-4);
    EXPECT_NEAR(farther->fm0 / base->fm0, 16.0, 1e-4);
    // Moment magnitude on the scale of Hanks and Kanamori, moment in dyne cm.
    for (const auto& e : {*base, *steeper, *farther}) {
        EXPECT_NEAR(e.fmw, 2.0 / 3.0 * std::log10(e.fm0) - 10.7, 1e-6);
        // The errors follow from the slope's: half its relative error for the moment.
        EXPECT_NEAR(e.sem0 / e.fm0, 0.5 * e.gamma_se / e.gamma_es, 1e-6);
        EXPECT_NEAR(e.semw, 2.0 / (3.0 * std::log(10.0)) * e.sem0 / e.fm0, 1e-6);
    }
    EXPECT_FALSE(ramp_moment(0.0f, 0.0f, 40.0f)) << "no moment from a flat slope";
    EXPECT_FALSE(ramp_moment(2.0f, 0.0f, 0.0f)) << "no moment at zero distance";
}

TEST_F(RampTest, EverGrowingSlopeUsesTheSecondToLastOfTwelveWindows) {
    const auto est = run_group([](double t) { return t * t * t * t; }, 40.0f);
    ASSERT_TRUE(est) << said.out;
    EXPECT_EQ(estimator.fits().size(), 12u);
    EXPECT_EQ(est->nest, 11);
    EXPECT_EQ(est->window, 11 * 50);
    EXPECT_FLOAT_EQ(est->window_length, 5.5f);
}

TEST_F(RampTest, SlopeThatStopsGrowingIsCutAtTheWindowBefore) {
    // Convex growth up to 2.0 s (the end of window 4), silence afterwards.
    const auto est = run_group([](double t) { return t <= 2.0 ? t * t * t * t : 0.0; }, 40.0f);
    ASSERT_TRUE(est) << said.out;
    EXPECT_EQ(estimator.fits().size(), 5u);
    EXPECT_EQ(est->nest, 4);
    EXPECT_FLOAT_EQ(est->window_length, 2.0f);
}

TEST_F(RampTest, TheLastTraceOfTheGroupGivesTheStartTime) {
    // The third trace starts 1 s later than the others.
    const int_time early = add_time(kPick, -30, 0);
    const int_time late = add_time(kPick, -29, -123400);
    const auto est = run_group([](double t) { return 1.0 + 2.0 * t * t; }, 40.0f,
                               {"HHZ", "HHN", "HHE"}, {early, early, late});
    ASSERT_TRUE(est) << said.out;
    EXPECT_EQ(est->stime, late);
    EXPECT_FLOAT_EQ(est->start, 28.63f) << "window start in the third trace";
    EXPECT_FLOAT_EQ(est->dist, 40.0f);
}

TEST_F(RampTest, IncompleteGroupAndUnusableEstimatesGiveNothing) {
    EXPECT_FALSE(run_group([](double t) { return 1.0 + t * t; }, 40.0f, {"HHZ", "HHZ", "HHE"}));
    EXPECT_EQ(ierr, -3);
    EXPECT_FALSE(run_group([](double t) { return 1.0 + t * t; }, 0.0f));
    EXPECT_EQ(ierr, 999) << "zero distance";
    EXPECT_FALSE(run_group([](double t) { return 4.0 - 0.1 * t * t; }, 40.0f));
    EXPECT_EQ(ierr, 999) << "velocity decaying after the pick";
    EXPECT_NE(said.out.find(" est_ramp:  no moment"), std::string::npos);
}

TEST_F(RampTest, WindowOutsideTheTraceIsRefused) {
    d1 = component([](double t) { return t * t; });
    // A trace starting 86 s before the pick ends before 5.5 s after it.
    run_one(header("HHZ", add_time(kPick, -86, 0)));
    EXPECT_EQ(ierr, 999);
    run_one(header("HHZ", add_time(kPick, 1, 0))); // trace starts after the pick
    EXPECT_EQ(ierr, 999);
    TraceHeader slow = header("HHZ", add_time(kPick, -30, 0));
    slow.sample_rate = 1;
    run_one(slow);
    EXPECT_EQ(ierr, 999);
    EXPECT_NE(said.out.find(" est_ramp:  window"), std::string::npos) << said.out;
    EXPECT_NE(said.out.find(" est_ramp:  fewer than 2 samples"), std::string::npos);
}

TEST_F(RampTest, RefusedComponentLeavesTheGroupWithoutEstimate) {
    const auto f = [](double t) { return 1.0 + t * t; };
    d1 = component(f);
    run_one(header("HHZ", add_time(kPick, -30, 0)));
    ASSERT_EQ(ierr, 0);
    std::array<int, 3> ic{1, 1, 0};
    TraceHeader odd = header("HHN", add_time(kPick, -30, 0));
    odd.unit_code = 999;
    d1 = component(f);
    estimator.est_ramp(odd, InstrumentResponse{}, filter, d1, kPick, 40.0f, 2, ic, ierr);
    EXPECT_EQ(ierr, 999) << "unit code outside 0, 1, 2";
    EXPECT_NE(said.out.find(" est_ramp:  unit code 999"), std::string::npos);
    ic = {1, 1, 1};
    d1 = component(f);
    EXPECT_FALSE(estimator.est_ramp(header("HHE", add_time(kPick, -30, 0)), InstrumentResponse{},
                                    filter, d1, kPick, 40.0f, 3, ic, ierr));
    EXPECT_EQ(ierr, 999);
}

TEST_F(RampTest, ConversionsByUnitCode) {
    const int_time stime = add_time(kPick, -30, 0);
    // Acceleration: a constant 2 from the window start on integrates to 2 t.
    TraceHeader acc = header("HNZ", stime);
    acc.unit_code = 2;
    d1.assign(kMaxSamples + 2, 0.0f);
    for (int j = kWindowStart + 1; j <= kSamples; ++j)
        d1[j - 1] = 2.0f;
    run_one(acc);
    ASSERT_EQ(ierr, 0);
    EXPECT_NE(("\n" + said.out).find("\n Integration to Velocity\n"), std::string::npos);
    const int j = kWindowStart + 500; // 5 s later
    EXPECT_NEAR(d1[j - 1], 2.0f * 5.0f, 0.02f);
    EXPECT_EQ(d1[kSamples - 1], d1[kSamples - 2]) << "the last sample keeps its neighbour";

    // Displacement: 3 t^2 differentiates to 6 t, and the first sample is 0.
    TraceHeader disp = header("HHZ", stime);
    disp.unit_code = 0;
    disp.fp_sens = 0.0f;
    d1.assign(kMaxSamples + 2, 0.0f);
    for (int k = kWindowStart; k <= kSamples; ++k) {
        const float t = static_cast<float>(k - kWindowStart) / kRate;
        d1[k - 1] = 3.0f * t * t;
    }
    d1[0] = -d1[kWindowStart - 1]; // zero mean before the window
    said.out.clear();
    run_one(disp);
    ASSERT_EQ(ierr, 0);
    EXPECT_NE(said.out.find(" Differentiation to Velocity\n"), std::string::npos);
    EXPECT_NE(("\n" + said.out).find("\n est_ramp:  no instrument correction\n"),
              std::string::npos);
    EXPECT_EQ(d1[0], 0.0f);
    EXPECT_NEAR(d1[kWindowStart + 299], 6.0f * 3.0f, 0.05f);
}

TEST_F(RampTest, FilterBandPassesThroughTheCorrection) {
    filter = {4, 0.1f, 10.0f};
    InstrumentResponse instr;
    instr.unit_code = 1;
    instr.gs = kSensitivity;
    d1 = component([](double t) { return t * t; });
    run_one(header("HHZ", add_time(kPick, -30, 0)), instr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(said.out, " Filtering data\n");
}

} // namespace
} // namespace tw
