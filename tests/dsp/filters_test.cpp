#include "dsp/filters.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <vector>

namespace {

using tw::cfloat;

const float kInvSqrt2 = 1.0f / std::sqrt(2.0f);
const float kOctave = 1.0f / std::sqrt(1.0f + 4096.0f); // 1 / sqrt(1 + 2^12)

TEST(SixthOrderButterworth, LowPassCornerAndOctave) {
    cfloat v;
    tw::lobwth(v, 3.0f, 3.0f);
    EXPECT_NEAR(std::abs(v), kInvSqrt2, 1e-6f);
    tw::lobwth(v, 6.0f, 3.0f);
    EXPECT_NEAR(std::abs(v), kOctave, 1e-6f);
    tw::lobwth(v, 0.0f, 3.0f);
    EXPECT_NEAR(v.real(), 1.0f, 1e-6f);
    EXPECT_NEAR(v.imag(), 0.0f, 1e-6f);
}

TEST(SixthOrderButterworth, HighPassCornerOctaveAndFloor) {
    cfloat v;
    float w = 8.0f;
    tw::hibwth(v, w, 8.0f);
    EXPECT_NEAR(std::abs(v), kInvSqrt2, 1e-6f);
    w = 4.0f;
    tw::hibwth(v, w, 8.0f);
    EXPECT_NEAR(std::abs(v), kOctave, 1e-6f);
    EXPECT_EQ(w, 4.0f);

    float zero = 0.0f;
    cfloat at_zero, at_floor;
    tw::hibwth(at_zero, zero, 0.05f);
    EXPECT_EQ(zero, 0.01f);
    float floor = 0.01f;
    tw::hibwth(at_floor, floor, 0.05f);
    EXPECT_EQ(at_zero, at_floor);
}

TEST(SixthOrderButterworth, BandPassCentreCornersAndFloor) {
    const float wl = 2.0f, wh = 8.0f;
    cfloat v;
    float w = 4.0f; // sqrt(wl wh)
    tw::bpbwth(v, w, wl, wh);
    EXPECT_NEAR(std::abs(v), 1.0f, 1e-6f);
    for (float corner : {wl, wh}) {
        w = corner;
        tw::bpbwth(v, w, wl, wh);
        EXPECT_NEAR(std::abs(v), kInvSqrt2, 1e-6f) << corner;
    }
    w = -1.0f;
    tw::bpbwth(v, w, wl, wh);
    EXPECT_EQ(w, 0.01f);
    EXPECT_LT(std::abs(v), 1e-6f);
}

// |value| of a Butterworth band-pass of order np built from a low-pass at wh and high-pass at wl.
double butter_magnitude(double w, double wl, double wh, int np) {
    return 1.0 / std::sqrt(1.0 + std::pow(w / wh, 2 * np)) /
           std::sqrt(1.0 + std::pow(wl / w, 2 * np));
}

TEST(Butter, MagnitudeOfEveryOrder) {
    const float wl = 0.5f, wh = 40.0f;
    for (int np = 1; np <= tw::kMaxButterOrder; ++np) {
        for (float w : {0.1f, 0.25f, 0.5f, 1.0f, 4.47f, 20.0f, 40.0f, 80.0f}) {
            cfloat v;
            tw::butter(v, w, wl, wh, np);
            EXPECT_NEAR(std::abs(v), butter_magnitude(w, wl, wh, np), 2e-6 * np)
                << "np=" << np << " w=" << w;
        }
    }
}

TEST(Butter, CornersOfSecondOrderAndPhaseOfFirstOrder) {
    cfloat v;
    tw::butter(v, 0.1f, 0.1f, 1000.0f, 2);
    EXPECT_NEAR(std::abs(v), kInvSqrt2, 1e-4f);
    tw::butter(v, 1000.0f, 0.1f, 1000.0f, 2);
    EXPECT_NEAR(std::abs(v), kInvSqrt2, 1e-4f);

    // order 1: wh / (wh + i w) * i w / (wl + i w)
    const std::complex<double> jw(0.0, 3.0);
    const auto expected = 20.0 / (20.0 + jw) * jw / (2.0 + jw);
    tw::butter(v, 3.0f, 2.0f, 20.0f, 1);
    EXPECT_NEAR(v.real(), expected.real(), 1e-6);
    EXPECT_NEAR(v.imag(), expected.imag(), 1e-6);
}

TEST(Butter, ZeroFrequencyOrderZeroAndRefusedOrders) {
    cfloat v{5.0f, 5.0f};
    tw::butter(v, 0.0f, 1.0f, 10.0f, 4);
    EXPECT_EQ(v, cfloat(0.0f, 0.0f));
    tw::butter(v, 3.0f, 1.0f, 10.0f, 0);
    EXPECT_EQ(v, cfloat(1.0f, 0.0f));
    tw::butter(v, 0.0f, 1.0f, 10.0f, 0);
    EXPECT_EQ(v, cfloat(0.0f, 0.0f));
    for (int np : {-1, 21, 1000}) {
        v = cfloat{5.0f, 5.0f};
        tw::butter(v, 3.0f, 1.0f, 10.0f, np);
        EXPECT_EQ(v, cfloat(0.0f, 0.0f)) << np;
    }
}

TEST(PeriodWindow, PassbandFlanksAndStopbands) {
    const auto at_period = [](float period) {
        cfloat v;
        tw::lpbptf_b(v, 2.0f * std::numbers::pi_v<float> / period);
        EXPECT_EQ(v.imag(), 0.0f);
        return v.real();
    };
    for (float t : {17.0f, 20.0f, 23.0f})
        EXPECT_NEAR(at_period(t), 1.0f, 1e-6f) << t;
    for (float t : {15.4f, 25.4f, 100.0f, 1.0f})
        EXPECT_EQ(at_period(t), 0.0f) << t;

    const float two_pi = 2.0f * std::numbers::pi_v<float>;
    const float wa = two_pi / 23.0f / 1.1f, wb = two_pi / 23.0f;
    const float wc = two_pi / 17.0f, wd = two_pi / 17.0f * 1.1f;
    cfloat v;
    tw::lpbptf_b(v, (wa + wb) / 2.0f);
    EXPECT_NEAR(v.real(), 0.5f, 1e-5f);
    tw::lpbptf_b(v, (wc + wd) / 2.0f);
    EXPECT_NEAR(v.real(), 0.5f, 1e-5f);
}

TEST(Bpcos, TrapezoidWithCosineFlanks) {
    EXPECT_EQ(tw::bpcos(123.0f, -1.0f, 0.0f, 0.0f, 0.0f), 1.0f);
    EXPECT_EQ(tw::bpcos(0.5f, 1.0f, 2.0f, 3.0f, 4.0f), 0.0f);
    EXPECT_EQ(tw::bpcos(4.5f, 1.0f, 2.0f, 3.0f, 4.0f), 0.0f);
    EXPECT_NEAR(tw::bpcos(1.5f, 1.0f, 2.0f, 3.0f, 4.0f), 0.5f, 1e-6f);
    EXPECT_NEAR(tw::bpcos(1.25f, 1.0f, 2.0f, 3.0f, 4.0f),
                (1.0f - std::cos(std::numbers::pi_v<float> / 4.0f)) / 2.0f, 1e-6f);
    EXPECT_EQ(tw::bpcos(2.0f, 1.0f, 2.0f, 3.0f, 4.0f), 1.0f);
    EXPECT_EQ(tw::bpcos(3.0f, 1.0f, 2.0f, 3.0f, 4.0f), 1.0f);
    EXPECT_NEAR(tw::bpcos(3.5f, 1.0f, 2.0f, 3.0f, 4.0f), 0.5f, 1e-6f);
}

TEST(Taper, FivePercentOfAThousandSamples) {
    std::vector<float> x(1000, 2.0f);
    tw::taper(x, 1000, 5.0f);
    EXPECT_EQ(x[0], 0.0f);
    EXPECT_EQ(x[999], 0.0f);
    for (int i = 25; i <= 975; ++i)
        EXPECT_EQ(x[i - 1], 2.0f) << "sample " << i;
    for (int i = 2; i < 25; ++i) {
        EXPECT_GT(x[i - 1], x[i - 2]) << "rising ramp at " << i;
        EXPECT_NEAR(x[i - 1], x[999 - i], 1e-5f) << "ramps mirror each other at " << i;
    }
    EXPECT_NEAR(x[12 - 1], 2.0f * (1.0f - std::cos(std::numbers::pi_v<float> * 12 / 25)) / 2,
                1e-6f);
}

TEST(Taper, NothingToTaperAndOneSample) {
    std::vector<float> x{3.0f};
    tw::taper(x, 0, 5.0f);
    EXPECT_EQ(x[0], 3.0f);
    tw::taper(x, 1, 5.0f);
    EXPECT_EQ(x[0], 0.0f);
    tw::taper(x, 5, 5.0f); // more samples claimed than the array holds
    EXPECT_EQ(x[0], 0.0f);
}

TEST(Demean, WholeTraceAndNoiseWindow) {
    std::vector<float> x{1.0f, 2.0f, 3.0f, 10.0f};
    tw::demean(x, 0);
    EXPECT_EQ(x, (std::vector<float>{1.0f, 2.0f, 3.0f, 10.0f}));
    tw::demean(x, 4);
    EXPECT_EQ(x, (std::vector<float>{-3.0f, -2.0f, -1.0f, 6.0f}));

    std::vector<float> y{1.0f, 3.0f, 7.0f, 12.0f};
    tw::demean_noise(y, 2, 4);
    EXPECT_EQ(y, (std::vector<float>{-1.0f, 1.0f, 5.0f, 10.0f}));
    tw::demean_noise(y, 0, 4);
    EXPECT_EQ(y, (std::vector<float>{-1.0f, 1.0f, 5.0f, 10.0f}));
}

} // namespace

namespace {

// The taper weights only the flanks; each sample must come out as multiplying it by its weight
// would make it, whatever the length and the percentage (none, all, more than all, negative,
// not a number).
TEST(Taper, EverySampleAsWeightedByTheTrapezoid) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<int> lengths;
    for (int n = 1; n <= 45; ++n)
        lengths.push_back(n);
    for (int n : {999, 1000, 1001, 9000, 16384, 20001})
        lengths.push_back(n);
    for (int n : lengths) {
        for (float percent : {5.0f, 0.0f, 0.1f, 2.5f, 50.0f, 100.0f, 150.0f, -3.0f, nan, inf}) {
            std::vector<float> x(static_cast<std::size_t>(n) + 3);
            for (std::size_t i = 0; i < x.size(); ++i)
                x[i] = std::sin(0.37f * static_cast<float>(i)) * 1000.0f - 3.0f;
            std::vector<float> expected = x;
            const float fl = static_cast<float>(n);
            const float fls = percent * 0.005f * fl;
            for (int i = 1; i <= n; ++i)
                expected[static_cast<std::size_t>(i - 1)] *=
                    tw::bpcos(static_cast<float>(i), 0.0f, fls, fl - fls, fl);
            expected[0] = 0.0f;
            expected[static_cast<std::size_t>(n - 1)] = 0.0f;
            tw::taper(x, n, percent);
            ASSERT_EQ(std::memcmp(x.data(), expected.data(), x.size() * sizeof(float)), 0)
                << "n " << n << " percent " << percent;
        }
    }
}

} // namespace
