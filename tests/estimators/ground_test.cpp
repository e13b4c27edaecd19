#include "estimators/ground.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "tests/estimators/in_temp_dir.hpp"

namespace tw {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

TraceHeader rjob_like() {
    TraceHeader head;
    head.stat.assign("AB");
    head.chan.assign("HHZ");
    head.network.assign("BW");
    head.sample_rate = 100;
    head.azi = 90.0f;
    head.dip = -90.0f;
    head.slat = 47.737f;
    head.slon = 12.796f;
    return head;
}

ext_time sample_time() {
    ext_time t;
    t.year = 2024;
    t.doy = 45;
    t.hour = 3;
    t.minute = 7;
    t.second = 9;
    t.usec = 123456;
    return t;
}

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

// --- peak times ---------------------------------------------------------------------------

TEST(PeakTime, IsStartPlusOneBasedIndexTimesInterval) {
    const int_time start{2024, 3600, 500000};
    EXPECT_EQ(peak_time(start, 1, 0.25f), (int_time{2024, 3600, 750000}));
    EXPECT_EQ(peak_time(start, 1000, 1.0f / 128.0f), (int_time{2024, 3608, 312500}));
    // 0.01 as a single real is slightly below 0.01; the product is taken in double precision and
    // the fraction of a microsecond dropped, so 1000 samples end 1 microsecond short of 10 s.
    EXPECT_EQ(peak_time(start, 1000, 1.0f / 100.0f), (int_time{2024, 3610, 499999}));
}

// --- result lines -------------------------------------------------------------------------

TEST(GroundLine, EveryColumnInPlace) {
    const std::string line = ground_line(rjob_like(), "PGA", 1.23456f, 0.5f, sample_time(), 25.5f);
    const std::string expected =
        std::string(" ") + "  AB" + " " + "HHZ" + " " + " BW " + " PGA " + " 90." + " " + "-90." +
        " " + "2024" + " " + " 45" + " " + " 3" + " " + " 7" + " " + " 9" + " " + " 1234" + " " +
        "     1.23456" + "     2.00000" + " 47.737" + " " + "  12.796" + " " + "    25.50000";
    EXPECT_EQ(line, expected);
    EXPECT_EQ(line.size(), 106u);
}

TEST(GroundLine, FieldsEndUnderTheirHeaderLabels) {
    const std::string header = kGroundHeader;
    ASSERT_EQ(header.size(), 106u);
    const std::string line =
        ground_line(rjob_like(), "PGV", 123.45678f, 0.25f, sample_time(), 1234.5f);
    ASSERT_EQ(line.size(), 106u);
    // last column (1-based) of each numeric field, which is also where its header label ends
    for (const char* label :
         {"Year", "Doy", "Hr", "Mn", "Sc", "Ms", "Amax", "Freq(hz)", "Lat", "Lon", "Dist(km)"}) {
        const std::size_t end = header.find(label) + std::string(label).size() - 1;
        EXPECT_NE(line[end], ' ') << label;
    }
    EXPECT_EQ(line.substr(14, 5), " PGV ");
    EXPECT_EQ(line.substr(53, 12), "   123.45678");
    EXPECT_EQ(line.substr(65, 12), "     4.00000");
    EXPECT_EQ(line.substr(94, 12), "  1234.50000");
}

TEST(GroundLine, OverflowAndZeroPeriodFillTheFieldWithAsterisks) {
    const std::string line = ground_line(rjob_like(), "PGD", 1.0e7f, 0.0f, sample_time(), 0.0f);
    EXPECT_EQ(line.size(), 106u);
    EXPECT_EQ(line.substr(53, 12), std::string(12, '*'));
    EXPECT_EQ(line.substr(65, 12), std::string(12, '*'));
    EXPECT_EQ(line.substr(94, 12), "     0.00000");
}

TEST(GroundLine, ShortCodesAreRightJustified) {
    TraceHeader head = rjob_like();
    head.stat.assign("ABCDEF");
    head.network.assign("X");
    const std::string line = ground_line(head, "PGA", 1.0f, 1.0f, sample_time(), 0.0f);
    EXPECT_EQ(line.substr(0, 19), " ABCD HHZ  X   PGA ");
}

TEST(ShakeLine, EveryColumnInPlace) {
    const std::string header = kShakeHeader;
    ASSERT_EQ(header.size(), 110u);
    const std::string line =
        shake_line(rjob_like(), {12.34f, 5.0f, 0.01f, 0.0f}, sample_time(), 25.5f);
    const std::string expected = std::string(" ") + "  AB" + " " + "HHZ" + " " + " BW " + " SHAK" +
                                 " 90." + " " + "-90." + " " + "2024" + " " + " 45" + " " + " 3" +
                                 " " + " 7" + " " + " 9" + " " + " 1234" + " " + " 12.340" +
                                 "  5.000" + "  0.010" + "  0.000" + " 47.737" + " " + "  12.796" +
                                 " " + "    25.50000";
    EXPECT_EQ(line, expected);
    EXPECT_EQ(line.size(), 110u);
    for (const char* label : {"5%", "10%", "25%", "50%", "Lat", "Lon", "Dist(km)"}) {
        const std::size_t end = header.find(label) + std::string(label).size() - 1;
        EXPECT_NE(line[end], ' ') << label;
    }
}

// --- files --------------------------------------------------------------------------------

GroundMotion some_motion() {
    GroundMotion m;
    m.acc = {0.5f, 0.1f, 11};
    m.vel = {0.02f, 0.2f, 101};
    m.dsp = {0.001f, 0.4f, 1001};
    m.shake = {1.5f, 0.0f, 0.0f, 0.0f};
    return m;
}

TEST(GroundFiles, HeadersOnCreationThenLinesOnly) {
    testing::InTempDir here;
    TraceHeader head = rjob_like();
    head.stime = int_time{2024, 0, 0};
    write_ground(head, some_motion(), 10.0f);

    auto ground = testing::lines_of(testing::slurp(kGroundFile));
    ASSERT_EQ(ground.size(), 5u);
    EXPECT_EQ(ground[0], "# ");
    EXPECT_EQ(ground[1], kGroundHeader);
    const char* kinds[] = {" PGA ", " PGV ", " PGD "};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ground[2 + i].size(), 106u);
        EXPECT_EQ(ground[2 + i].substr(14, 5), kinds[i]);
    }
    // millimetre units and 1 / period
    EXPECT_EQ(ground[2].substr(53, 24), "   500.00000    10.00000");
    EXPECT_EQ(ground[3].substr(53, 24), "    20.00000     5.00000");
    EXPECT_EQ(ground[4].substr(53, 24), "     1.00000     2.50000");
    // peak times: 11, 101 and 1001 sample intervals after the start (0.11 s, 1.01 s, 10.01 s,
    // each a microsecond short of the decimal value since 0.01 is not exact in single precision)
    EXPECT_EQ(ground[2].substr(29, 23), "2024   1  0  0  0  1099");
    EXPECT_EQ(ground[3].substr(29, 23), "2024   1  0  0  1    99");
    EXPECT_EQ(ground[4].substr(29, 23), "2024   1  0  0 10    99");

    auto shake = testing::lines_of(testing::slurp(kShakeFile));
    ASSERT_EQ(shake.size(), 3u);
    EXPECT_EQ(shake[0], "# ");
    EXPECT_EQ(shake[1], kShakeHeader);
    EXPECT_EQ(shake[2].size(), 110u);
    EXPECT_EQ(shake[2].substr(14, 5), " SHAK");
    // dated at the displacement peak
    EXPECT_EQ(shake[2].substr(29, 23), ground[4].substr(29, 23));
    EXPECT_EQ(shake[2].substr(53, 28), "  1.500  0.000  0.000  0.000");

    write_ground(head, some_motion(), 10.0f);
    auto again = testing::lines_of(testing::slurp(kGroundFile));
    ASSERT_EQ(again.size(), 8u);
    EXPECT_EQ(again[5], ground[2]);
    EXPECT_EQ(again[7], ground[4]);
    auto shake_again = testing::lines_of(testing::slurp(kShakeFile));
    ASSERT_EQ(shake_again.size(), 4u);
    EXPECT_EQ(shake_again[3], shake[2]);
}

} // namespace
} // namespace tw
