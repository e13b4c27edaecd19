#include "estimators/ramp.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "tests/estimators/in_temp_dir.hpp"

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
    // One group of three: returns the ierr of the last call.
    int run_group(const std::function<double(double)>& f, float dist, bool lclip = false,
                  std::array<const char*, 3> chans = {"HHZ", "HHN", "HHE"},
                  std::array<int_time, 3> starts = {}) {
        std::array<int, 3> ic{0, 0, 0};
        int ierr = 0;
        for (int k = 0; k < 3; ++k) {
            const char letter = chans[k][2];
            ic[letter == 'Z' ? 0 : letter == 'N' ? 1 : 2]++;
            const int_time stime = starts[k].year != 0 ? starts[k] : add_time(kPick, -30, 0);
            const int first =
                static_cast<int>(std::trunc(tdiff(add_time(kPick, 0, -500000), stime) / 1e4 + 1));
            d1 = component(f, first);
            estimator.est_ramp(header(chans[k], stime), InstrumentResponse{}, filter, d1, kPick,
                               dist, k + 1, ic, lclip && k == 2, ierr);
            if (k < 2) {
                EXPECT_EQ(ierr, 0) << messages.str();
                EXPECT_FALSE(std::filesystem::exists(kRampFile));
            }
        }
        return ierr;
    }
    std::string ramp_line() {
        const auto lines = testing::lines_of(testing::slurp(kRampFile));
        return lines.size() == 3 ? lines[2] : std::string();
    }

    testing::InTempDir here;
    std::ostringstream messages;
    RampEstimator estimator{messages};
    FilterSpec filter;
    std::vector<float> d1;
};

TEST_F(RampTest, QuadraticGrowthGivesItsSlopeBack) {
    const double g0 = 0.5, g2 = 3.0;
    ASSERT_EQ(run_group([&](double t) { return g0 + g2 * t * t; }, 40.0f), 0) << messages.str();
    const auto& est = estimator.last_estimate();
    EXPECT_NEAR(est.gamma_es, g2, 1e-4 * g2);
    EXPECT_NEAR(est.gamma_b, g0, 1e-3);
    EXPECT_NEAR(est.chi, 0.0f, 1e-4);
    EXPECT_NEAR(est.cvar, 100.0f, 1e-3);

    // Moment and magnitude from the distance and the slope.
    const double con =
        0.5 * std::sqrt(1.0 / 31.5) * 1.0e20 * 4.0 * std::numbers::pi * 2.7 * std::pow(40.0, 4);
    const double fm0 = con * std::sqrt(static_cast<double>(est.gamma_es));
    EXPECT_NEAR(est.fm0, fm0, 1e-5 * fm0);
    EXPECT_NEAR(est.fmw, 2.0 / 3.0 * std::log10(fm0) - 10.7, 1e-5);
    EXPECT_NEAR(est.sem0, 0.5 * est.fm0 * est.gamma_se / est.gamma_es, 1e-6 * est.sem0 + 1e-30);
    EXPECT_NE(messages.str().find(" Now beginning ramp estimation 600 6050 2\n"), std::string::npos)
        << messages.str();
}

TEST_F(RampTest, EverGrowingSlopeUsesTheSecondToLastOfTwelveWindows) {
    ASSERT_EQ(run_group([](double t) { return t * t * t * t; }, 40.0f), 0) << messages.str();
    EXPECT_EQ(estimator.estimates_computed(), 12);
    EXPECT_EQ(estimator.last_estimate().nest, 11);
    EXPECT_EQ(estimator.last_estimate().window, 11 * 50);
    const std::string l = ramp_line();
    ASSERT_EQ(l.size(), 191u) << l;
    EXPECT_EQ(l.substr(59, 27), " 29.51   6.00   0.50   5.50") << "S, W, L and T columns";
}

TEST_F(RampTest, SlopeThatStopsGrowingIsCutAtTheWindowBefore) {
    // Convex growth up to 2.0 s (the end of window 4), silence afterwards.
    ASSERT_EQ(run_group([](double t) { return t <= 2.0 ? t * t * t * t : 0.0; }, 40.0f), 0)
        << messages.str();
    EXPECT_EQ(estimator.estimates_computed(), 5);
    EXPECT_EQ(estimator.last_estimate().nest, 4);
    EXPECT_EQ(ramp_line().substr(80, 6), "  2.00");
}

TEST_F(RampTest, ResultLineColumnsAndHeader) {
    // The third trace starts 1 s later than the others: its start time is the one written.
    const int_time early = add_time(kPick, -30, 0);
    const int_time late = add_time(kPick, -29, -123400);
    ASSERT_EQ(run_group([](double t) { return 1.0 + 2.0 * t * t; }, 40.0f, false,
                        {"HHZ", "HHN", "HHE"}, {early, early, late}),
              0)
        << messages.str();
    const auto lines = testing::lines_of(testing::slurp(kRampFile));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "#");
    EXPECT_EQ(lines[1].size(), 164u);
    EXPECT_EQ(lines[1].substr(0, 30), "#Stat Com Nt    Val    Rdist Y");
    const std::string& l = lines[2];
    ASSERT_EQ(l.size(), 191u) << l;
    EXPECT_EQ(l.substr(0, 21), "  RMP HH  AZ   RAMP  ");
    EXPECT_NEAR(std::stod(l.substr(21, 5)), estimator.last_estimate().fmw, 0.0051);
    EXPECT_EQ(l.substr(26, 9), "   40.00 ");
    // 12:34:56.789 less 29.1234 s is 12:34:27.6656.
    EXPECT_EQ(l.substr(35, 24), "2024 101 12 34 27  6656 ") << l;
    EXPECT_EQ(l.substr(59, 7), " 28.63 ") << "np of the third trace";
    const auto& est = estimator.last_estimate();
    struct Field {
        std::size_t start, width;
        double value;
    };
    for (const Field& f :
         {Field{87, 4, est.semw}, Field{92, 12, est.fm0}, Field{105, 12, est.sem0},
          Field{118, 10, est.chi}, Field{129, 10, est.cvar}, Field{140, 12, est.gamma_b},
          Field{153, 12, 0.0}, Field{166, 12, est.gamma_es}, Field{179, 12, est.gamma_se}}) {
        EXPECT_EQ(l[f.start - 1], ' ') << f.start;
        const std::string field = l.substr(f.start, f.width);
        // Five significant digits, or two decimals for the magnitude error.
        EXPECT_NEAR(std::stod(field), f.value, 5.1e-5 * std::fabs(f.value) + 5e-3 * (f.width == 4))
            << field;
    }
    EXPECT_EQ(l.substr(153, 12), " 0.00000E+00") << "the middle term is always zero";
    EXPECT_EQ(l[129], '.') << "10-column exponent fields drop the leading zero";
}

TEST_F(RampTest, ClippedTraceAddsTheClippingText) {
    ASSERT_EQ(run_group([](double t) { return 1.0 + 2.0 * t * t; }, 40.0f, true), 0);
    const std::string l = ramp_line();
    ASSERT_EQ(l.size(), 211u);
    EXPECT_EQ(l.substr(191), "   possible clipping");
}

TEST_F(RampTest, IncompleteGroupAndUnusableEstimatesWriteNothing) {
    EXPECT_EQ(run_group([](double t) { return 1.0 + t * t; }, 40.0f, false, {"HHZ", "HHZ", "HHE"}),
              -3);
    EXPECT_EQ(run_group([](double t) { return 1.0 + t * t; }, 0.0f), 999) << "zero distance";
    EXPECT_EQ(run_group([](double t) { return 4.0 - 0.1 * t * t; }, 40.0f), 999)
        << "velocity decaying after the pick";
    EXPECT_FALSE(std::filesystem::exists(kRampFile));
    EXPECT_NE(messages.str().find(" est_ramp:  no moment"), std::string::npos);
}

TEST_F(RampTest, WindowOutsideTheTraceIsRefused) {
    std::array<int, 3> ic{1, 0, 0};
    int ierr = 0;
    d1 = component([](double t) { return t * t; });
    // A trace starting 86 s before the pick ends before 5.5 s after it.
    TraceHeader head = header("HHZ", add_time(kPick, -86, 0));
    estimator.est_ramp(head, InstrumentResponse{}, filter, d1, kPick, 40.0f, 1, ic, false, ierr);
    EXPECT_EQ(ierr, 999);
    head.stime = add_time(kPick, 1, 0); // trace starts after the pick
    estimator.est_ramp(head, InstrumentResponse{}, filter, d1, kPick, 40.0f, 1, ic, false, ierr);
    EXPECT_EQ(ierr, 999);
    head = header("HHZ", add_time(kPick, -30, 0));
    head.sample_rate = 1;
    estimator.est_ramp(head, InstrumentResponse{}, filter, d1, kPick, 40.0f, 1, ic, false, ierr);
    EXPECT_EQ(ierr, 999);
    EXPECT_NE(messages.str().find(" est_ramp:  window"), std::string::npos) << messages.str();
    EXPECT_NE(messages.str().find(" est_ramp:  fewer than 2 samples"), std::string::npos);
}

TEST_F(RampTest, RefusedComponentLeavesTheGroupWithoutLine) {
    std::array<int, 3> ic{1, 0, 0};
    int ierr = 0;
    const auto f = [](double t) { return 1.0 + t * t; };
    d1 = component(f);
    estimator.est_ramp(header("HHZ", add_time(kPick, -30, 0)), InstrumentResponse{}, filter, d1,
                       kPick, 40.0f, 1, ic, false, ierr);
    ASSERT_EQ(ierr, 0);
    ic = {1, 1, 0};
    TraceHeader odd = header("HHN", add_time(kPick, -30, 0));
    odd.unit_code = 999;
    d1 = component(f);
    estimator.est_ramp(odd, InstrumentResponse{}, filter, d1, kPick, 40.0f, 2, ic, false, ierr);
    EXPECT_EQ(ierr, 999) << "unit code outside 0, 1, 2";
    EXPECT_NE(messages.str().find(" est_ramp:  unit code 999"), std::string::npos);
    ic = {1, 1, 1};
    d1 = component(f);
    estimator.est_ramp(header("HHE", add_time(kPick, -30, 0)), InstrumentResponse{}, filter, d1,
                       kPick, 40.0f, 3, ic, false, ierr);
    EXPECT_EQ(ierr, 999);
    EXPECT_FALSE(std::filesystem::exists(kRampFile));
}

TEST_F(RampTest, ConversionsByUnitCode) {
    std::array<int, 3> ic{1, 0, 0};
    int ierr = 0;
    const int_time stime = add_time(kPick, -30, 0);
    // Acceleration: a constant 2 from the window start on integrates to 2 t.
    TraceHeader acc = header("HNZ", stime);
    acc.unit_code = 2;
    d1.assign(kMaxSamples + 2, 0.0f);
    for (int j = kWindowStart + 1; j <= kSamples; ++j)
        d1[j - 1] = 2.0f;
    estimator.est_ramp(acc, InstrumentResponse{}, filter, d1, kPick, 40.0f, 1, ic, false, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_NE(messages.str().find(" Integration to Velocity\n"), std::string::npos);
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
    messages.str("");
    estimator.est_ramp(disp, InstrumentResponse{}, filter, d1, kPick, 40.0f, 1, ic, false, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_NE(messages.str().find(" Differentiation to Velocity\n"), std::string::npos);
    EXPECT_NE(messages.str().find(" est_ramp:  no instrument correction\n"), std::string::npos);
    EXPECT_EQ(d1[0], 0.0f);
    EXPECT_NEAR(d1[kWindowStart + 299], 6.0f * 3.0f, 0.05f);
}

TEST_F(RampTest, FilterBandPassesThroughTheCorrection) {
    filter = {4, 0.1f, 10.0f};
    std::array<int, 3> ic{1, 0, 0};
    int ierr = 0;
    InstrumentResponse instr;
    instr.unit_code = 1;
    instr.gs = kSensitivity;
    d1 = component([](double t) { return t * t; });
    estimator.est_ramp(header("HHZ", add_time(kPick, -30, 0)), instr, filter, d1, kPick, 40.0f, 1,
                       ic, false, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(messages.str(), " Filtering data\n");
}

} // namespace
} // namespace tw
