#include "estimators/amaxper.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <span>
#include <vector>

namespace tw {
namespace {

TEST(Amaxper, FinelySampledSinusoidGivesItsAmplitudeAndPeriod) {
    const float dt = 0.001f;
    const double period = 0.8, amplitude = 3.5, phase = -0.3;
    std::vector<float> x(5000);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(
            amplitude *
            std::sin(2.0 * std::numbers::pi * static_cast<double>(i) * dt / period + phase));
    const PeakPeriod p = amaxper(static_cast<int>(x.size()), dt, x);
    EXPECT_NEAR(p.amax, amplitude, amplitude * 1e-5);
    EXPECT_NEAR(p.per, period, 1e-4);
    // the first crest, preceded by a zero crossing: phase + 2 pi t / T = pi / 2
    const double t_crest = (std::numbers::pi / 2 - phase) * period / (2.0 * std::numbers::pi);
    EXPECT_NEAR((p.imax - 1) * dt, t_crest, dt);
}

TEST(Amaxper, InterpolatesTheZeroCrossingsOnBothSides) {
    // Peak 3 at index 3; forward one whole step then half way from 1 to -1; backward one whole
    // step then all the way from 1 to 0: per = 2 * (1.5 + 2) sample intervals.
    const std::vector<float> x{0.0f, 1.0f, 3.0f, 1.0f, -1.0f};
    const PeakPeriod p = amaxper(5, 0.5f, x);
    EXPECT_EQ(p.imax, 3);
    EXPECT_FLOAT_EQ(p.amax, 3.0f);
    EXPECT_FLOAT_EQ(p.per, 2.0f * 3.5f * 0.5f);

    // The same shape upside down measures the same: amplitude without sign.
    std::vector<float> neg(x);
    for (float& v : neg)
        v = -v;
    const PeakPeriod q = amaxper(5, 0.5f, neg);
    EXPECT_EQ(q.imax, 3);
    EXPECT_FLOAT_EQ(q.amax, 3.0f);
    EXPECT_FLOAT_EQ(q.per, p.per);
}

TEST(Amaxper, ZeroSampleEndsTheWalkOfEitherSign) {
    // A sample of exactly zero stops both a positive and a negative walk.
    const std::vector<float> pos{-1.0f, 0.0f, 2.0f, 0.0f, 5.0f};
    EXPECT_FLOAT_EQ(amaxper(3, 1.0f, pos).per, 2.0f * (1.0f + 1.0f));
    const std::vector<float> neg{1.0f, 0.0f, -2.0f, 0.0f, -5.0f};
    EXPECT_FLOAT_EQ(amaxper(3, 1.0f, neg).per, 2.0f * (1.0f + 1.0f));
}

TEST(Amaxper, FirstOfEqualPeaksWins) {
    const std::vector<float> x{0.0f, -2.0f, 0.0f, 2.0f, 0.0f, -2.0f};
    const PeakPeriod p = amaxper(6, 1.0f, x);
    EXPECT_EQ(p.imax, 2);
    EXPECT_FLOAT_EQ(p.amax, 2.0f);
}

TEST(Amaxper, PeakOnTheFirstSampleHasNoBackwardWalk) {
    // forward: one step to 2, then half way to -2; backward: nothing before the first sample
    const std::vector<float> x{4.0f, 2.0f, -2.0f};
    const PeakPeriod p = amaxper(3, 1.0f, x);
    EXPECT_EQ(p.imax, 1);
    EXPECT_FLOAT_EQ(p.per, 2.0f * 1.5f);
}

TEST(Amaxper, WalkReachingAnEndMeasuresToThatEnd) {
    // Peak on the last sample, same sign back to the first: tf = 0, tb = two whole steps.
    const std::vector<float> x{1.0f, 2.0f, 3.0f};
    const PeakPeriod p = amaxper(3, 0.25f, x);
    EXPECT_EQ(p.imax, 3);
    EXPECT_FLOAT_EQ(p.per, 2.0f * 2.0f * 0.25f);
}

TEST(Amaxper, ForwardWalkContinuesPastTheSearchedSamples) {
    // Only the first two samples are searched, but the walk goes on into the rest of the array.
    const std::vector<float> x{1.0f, 3.0f, 2.0f, -2.0f};
    const PeakPeriod whole = amaxper(2, 1.0f, x);
    EXPECT_EQ(whole.imax, 2);
    EXPECT_FLOAT_EQ(whole.per, 2.0f * (1.5f + 1.0f));
    // Given only the searched samples, the walk stops at the second one.
    const PeakPeriod cut = amaxper(2, 1.0f, std::span<const float>(x).first(2));
    EXPECT_FLOAT_EQ(cut.per, 2.0f * (0.0f + 1.0f));
}

TEST(Amaxper, TraceWithoutSignalGivesZeroAmplitudeAndPeriod) {
    const std::vector<float> zeros(64, 0.0f);
    const PeakPeriod p = amaxper(64, 0.01f, zeros);
    EXPECT_EQ(p.amax, 0.0f);
    EXPECT_EQ(p.per, 0.0f);
    EXPECT_EQ(p.imax, 1);
    EXPECT_FALSE(std::isnan(p.per));
}

TEST(Amaxper, CountsBeyondTheArrayAreClamped) {
    const std::vector<float> x{0.5f, -1.0f, 0.25f};
    const PeakPeriod p = amaxper(1000, 1.0f, x);
    EXPECT_EQ(p.imax, 2);
    const PeakPeriod none = amaxper(0, 1.0f, x);
    EXPECT_EQ(none.amax, 0.0f);
    EXPECT_EQ(none.per, 0.0f);
    const PeakPeriod empty = amaxper(5, 1.0f, std::span<const float>());
    EXPECT_EQ(empty.amax, 0.0f);
}

} // namespace
} // namespace tw

namespace tw {
namespace {

// The peak search as a walk keeping each larger |x| from 0: what the search must find (the
// period is not compared here).
PeakPeriod walked_peak(int n, std::span<const float> x) {
    PeakPeriod p;
    std::size_t peak = 0;
    const std::size_t count = std::min<std::size_t>(n > 0 ? n : 0, x.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (std::fabs(x[i]) > p.amax) {
            p.amax = std::fabs(x[i]);
            peak = i;
        }
    }
    p.imax = static_cast<int>(peak) + 1;
    return p;
}

TEST(Amaxper, PeakOfEveryLengthTiesSignsAndNaNsAsTheWalkFindsIt) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    uint32_t state = 99;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (int n = 0; n <= 70; ++n) {
        for (int trial = 0; trial < 30; ++trial) {
            std::vector<float> x(static_cast<std::size_t>(n) + 5);
            for (float& v : x) {
                // Few distinct values, so that ties are common; a NaN or a negative zero now
                // and then.
                const uint32_t r = next();
                v = static_cast<float>(static_cast<int>(r % 9) - 4) * 0.5f;
                if (r % 23 == 0) v = nan;
                if (r % 29 == 0) v = -0.0f;
            }
            const PeakPeriod expected = walked_peak(n, x);
            const PeakPeriod got = amaxper(n, 0.01f, x);
            ASSERT_EQ(std::memcmp(&got.amax, &expected.amax, sizeof(float)), 0)
                << "n " << n << " trial " << trial;
            ASSERT_EQ(got.imax, expected.imax) << "n " << n << " trial " << trial;
        }
    }
    // A long trace: the largest value at every position of an eight-value group and in the tail.
    for (std::size_t at : {0u, 1u, 7u, 8u, 13u, 995u, 998u}) {
        std::vector<float> x(999, 1.0f);
        x[at] = -3.0f;
        x[(at + 500) % 999] = 3.0f; // the same size later (or earlier): the first wins
        const PeakPeriod got = amaxper(999, 0.01f, x);
        EXPECT_EQ(got.amax, 3.0f);
        EXPECT_EQ(got.imax, static_cast<int>(std::min(at, (at + 500) % 999)) + 1) << at;
    }
}

} // namespace
} // namespace tw
