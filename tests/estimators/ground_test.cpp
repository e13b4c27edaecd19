#include "estimators/ground.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace tw {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// --- measurements -------------------------------------------------------------------------

// A 2 Hz velocity under a slow sin^2 envelope with a crest of exactly vmax in the middle, so that
// every peak lies well inside the trace and the integral from zero carries no offset.
std::vector<float> enveloped_cosine(int n, float dt, double f, double vmax) {
    std::vector<float> vel(static_cast<std::size_t>(n));
    const double total = n * static_cast<double>(dt), centre = total / 2;
    for (int i = 0; i < n; ++i) {
        const double t = i * static_cast<double>(dt);
        const double env = std::pow(std::sin(std::numbers::pi * t / total), 2);
        vel[static_cast<std::size_t>(i)] =
            static_cast<float>(vmax * env * std::cos(kTwoPi * f * (t - centre)));
    }
    return vel;
}

TEST(MeasureGround, SinusoidalVelocityGivesPeaksOfAccelerationAndDisplacement) {
    // v = V cos(w t): a = -V w sin(w t), d = V / w sin(w t).
    const float dt = 0.01f;
    const double f = 2.0, vmax = 0.004, w = kTwoPi * f;
    const int n = 3000;
    const std::vector<float> vel = enveloped_cosine(n, dt, f, vmax);
    const GroundMotion m = measure_ground(n, dt, vel);
    EXPECT_NEAR(m.vel.amax, vmax, vmax * 0.01);
    EXPECT_EQ(m.vel.imax, n / 2 + 1);
    EXPECT_NEAR(m.acc.amax, vmax * w, vmax * w * 0.01);
    EXPECT_NEAR(m.dsp.amax, vmax / w, vmax / w * 0.01);
    for (const PeakPeriod* p : {&m.vel, &m.acc, &m.dsp})
        EXPECT_NEAR(p->per, 1.0 / f, 0.01 / f);
    // 0.05 g is far above the 0.05 m/s^2 of this motion
    for (float sd : m.shake)
        EXPECT_EQ(sd, 0.0f);
}

TEST(MeasureGround, DurationsBracketTheFirstAndLastExceedance) {
    // Velocity ramps give constant accelerations: 0.07 g for samples 101..150 (1-based), then a
    // single step of 0.6 g at sample 301.
    const float dt = 0.01f;
    const int n = 1000;
    std::vector<float> vel(n, 0.0f);
    for (int j = 1; j < n; ++j) {
        const int one_based = j + 1;
        float a = 0.0f;
        if (one_based >= 101 && one_based <= 150) a = 0.07f * kGravity;
        if (one_based == 301) a = 0.6f * kGravity;
        vel[j] = vel[j - 1] + a * dt;
    }
    const GroundMotion m = measure_ground(n, dt, vel);
    EXPECT_NEAR(m.shake[0], (301 - 101 + 1) * dt, 1e-5);
    EXPECT_NEAR(m.shake[1], dt, 1e-7);
    EXPECT_NEAR(m.shake[2], dt, 1e-7);
    EXPECT_NEAR(m.shake[3], dt, 1e-7);
    EXPECT_EQ(m.acc.imax, 301);
    EXPECT_NEAR(m.acc.amax, 0.6f * kGravity, 1e-3);
    // Without the spike, the 50 samples of the pulse last half a second above 0.05 g only.
    const GroundMotion pulse = measure_ground(300, dt, vel);
    EXPECT_NEAR(pulse.shake[0], 50 * dt, 1e-5);
    EXPECT_EQ(pulse.shake[1], 0.0f);
    EXPECT_EQ(pulse.shake[2], 0.0f);
    EXPECT_EQ(pulse.shake[3], 0.0f);
}

TEST(MeasureGround, LastAccelerationSampleTakesNoPart) {
    // The only jump is between the last two samples: d2(n) is the only non-zero acceleration.
    const float dt = 0.01f;
    std::vector<float> vel(200, 0.0f);
    vel.back() = 1.0f;
    const GroundMotion m = measure_ground(200, dt, vel);
    EXPECT_EQ(m.acc.amax, 0.0f);
    for (float sd : m.shake)
        EXPECT_EQ(sd, 0.0f);
    // the same jump one sample earlier is seen
    vel[198] = 1.0f;
    const GroundMotion seen = measure_ground(200, dt, vel);
    EXPECT_EQ(seen.acc.imax, 199);
    EXPECT_NEAR(seen.acc.amax, 100.0f, 1e-3);
    for (float sd : seen.shake)
        EXPECT_NEAR(sd, dt, 1e-7);
}

TEST(MeasureGround, DisplacementIsTheTrapezoidalIntegralFromZero) {
    // Constant velocity 2 m/s: displacement at sample l+1 is 2 l dt; its peak is the last one
    // searched (index n-1), with the whole trace as one half-cycle.
    const float dt = 0.5f;
    std::vector<float> vel(10, 2.0f);
    const GroundMotion m = measure_ground(10, dt, vel);
    EXPECT_FLOAT_EQ(m.dsp.amax, 2.0f * 9 * dt);
    EXPECT_EQ(m.dsp.imax, 9);
    EXPECT_FLOAT_EQ(m.vel.amax, 2.0f);
    EXPECT_EQ(m.vel.imax, 1);
}

TEST(MeasureGround, TinyTracesDoNotFail) {
    const std::vector<float> one{1.0f};
    const GroundMotion m = measure_ground(1, 0.01f, one);
    EXPECT_FLOAT_EQ(m.vel.amax, 1.0f);
    EXPECT_EQ(m.acc.amax, 0.0f);
    EXPECT_EQ(m.dsp.amax, 0.0f);
    const GroundMotion none = measure_ground(0, 0.01f, std::span<const float>());
    EXPECT_EQ(none.vel.amax, 0.0f);
}

} // namespace
} // namespace tw

namespace tw {
namespace {

// The durations as a count of every acceleration sample at or above each level.
std::array<float, 4> counted_durations(const std::vector<float>& vel, float dt) {
    std::array<float, 4> out{};
    const std::size_t n = vel.size();
    for (std::size_t k = 0; k < kShakeLevels.size(); ++k) {
        int hits = 0, first = 0, last = 0;
        for (std::size_t l = 0; l + 1 < n; ++l) {
            const float acc = l == 0 ? 0.0f : (vel[l] - vel[l - 1]) / dt;
            if (std::fabs(acc / kGravity) >= kShakeLevels[k]) {
                if (++hits == 1) first = static_cast<int>(l);
                last = static_cast<int>(l);
            }
        }
        out[k] = hits > 0 ? static_cast<float>(last - first + 1) * dt : 0.0f;
    }
    return out;
}

TEST(MeasureGround, DurationsAsEverySampleCountedAtEveryLevel) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    uint32_t state = 7;
    const auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 24);
    };
    const float dt = 0.01f;
    for (int trial = 0; trial < 200; ++trial) {
        const std::size_t n = 2 + static_cast<std::size_t>(next() * 300.0f);
        // Velocity steps that make accelerations around the levels, a spike or a NaN at times.
        std::vector<float> vel(n);
        const float scale = 0.02f * static_cast<float>(trial % 7);
        for (std::size_t i = 0; i < n; ++i) {
            vel[i] = scale * (next() - 0.5f);
            if (next() < 0.01f) vel[i] = nan;
        }
        const GroundMotion m = measure_ground(static_cast<int>(n), dt, vel);
        const auto expected = counted_durations(vel, dt);
        for (std::size_t k = 0; k < kShakeLevels.size(); ++k)
            ASSERT_EQ(std::memcmp(&m.shake[k], &expected[k], sizeof(float)), 0)
                << "trial " << trial << " level " << kShakeLevels[k] << ": " << m.shake[k]
                << " != " << expected[k];
    }
}

} // namespace
} // namespace tw
