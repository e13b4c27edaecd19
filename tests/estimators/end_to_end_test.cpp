// The estimators through the instrument correction, on synthetic traces of known ground motion
// recorded by a flat instrument, so that the expected values follow from the motion alone.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "estimators/ground.hpp"
#include "estimators/wood.hpp"
#include "tests/estimators/in_temp_dir.hpp"

namespace tw {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr float kGain = 1.0e9f; // counts per metre (or per m/s)

// The driver's buffers: room for the longest transform of a 65536-value array.
struct Buffers {
    std::vector<float> x = std::vector<float>(kMaxSamples + 2);
    std::vector<std::complex<float>> cx = std::vector<std::complex<float>>(kMaxSamples / 2 + 1);
};

// A gain without poles or zeros: counts proportional to displacement (unit 0) or velocity (1).
InstrumentResponse flat(int unit_code) {
    InstrumentResponse r;
    r.unit_code = unit_code;
    r.gs = kGain;
    return r;
}

TraceHeader trace(int npts, int rate) {
    TraceHeader head;
    head.stat.assign("SYN");
    head.chan.assign("HHZ");
    head.network.assign("XX");
    head.npts = npts;
    head.sample_rate = rate;
    head.stime = int_time{2024, 10 * 86400 + 3600, 0};
    return head;
}

// Gain of the Wood-Anderson seismograph (mm per m of ground displacement) at f Hz: natural
// period 0.8 s, damping 0.69, static magnification 2080.
double wood_anderson_gain(double f) {
    const std::complex<double> s(0.0, kTwoPi * f);
    const double w0 = kTwoPi / 0.8, h = 0.69;
    return std::abs(2080000.0 * s * s / (s * s + 2.0 * h * w0 * s + w0 * w0));
}

// Samples of a * env(t) * cos(2 pi f (t - centre)), env = sin^2(pi t / length): a single crest of
// exactly a in the middle sample, the signal fading out well inside the tapered ends.
void fill_enveloped_cosine(std::vector<float>& x, int n, float dt, double f, double a) {
    const double total = n * static_cast<double>(dt), centre = (n / 2) * static_cast<double>(dt);
    for (int i = 0; i < n; ++i) {
        const double t = i * static_cast<double>(dt);
        const double env = std::pow(std::sin(std::numbers::pi * t / total), 2);
        x[static_cast<std::size_t>(i)] =
            static_cast<float>(a * env * std::cos(kTwoPi * f * (t - centre)));
    }
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

TEST(EstWood, SinusoidOfKnownDisplacementGivesTheWoodAndersonAmplitude) {
    testing::InTempDir here;
    for (const double f : {0.5, 1.25, 4.0}) {
        SCOPED_TRACE(f);
        const int n = 6000, rate = 100;
        const double a = 2.0e-6; // metres of ground displacement
        Buffers b;
        fill_enveloped_cosine(b.x, n, 1.0f / rate, f, a * kGain);
        std::filesystem::remove(kWoodFile);
        int ierr = -1;
        est_wood(trace(n, rate), flat(0), b.x, b.cx, ierr);
        ASSERT_EQ(ierr, 0);
        const auto lines = testing::lines_of(testing::slurp(kWoodFile));
        ASSERT_EQ(lines.size(), 3u);
        const auto w = words(lines[2]);
        ASSERT_EQ(w.size(), 6u);
        EXPECT_EQ(w[0], "SYNHHZ");
        EXPECT_EQ(w[1], "WAS");
        const double amp = std::stod(w[2]), per = std::stod(w[3]);
        const double expected = wood_anderson_gain(f) * a;
        EXPECT_NEAR(amp, expected, expected * 0.01);
        EXPECT_NEAR(per, 1.0 / f, 0.01 / f);
        EXPECT_NEAR(std::stod(w[5]), std::log10(amp / per), 0.0015);
    }
}

TEST(EstWood, FailedCorrectionWritesNothing) {
    testing::InTempDir here;
    Buffers b;
    int ierr = 0;
    est_wood(trace(0, 100), flat(0), b.x, b.cx, ierr); // no samples: no transform
    EXPECT_NE(ierr, 0);
    EXPECT_FALSE(std::filesystem::exists(kWoodFile));
    // a buffer without room for the transform of 40000 samples
    est_wood(trace(40000, 100), flat(0), b.x, b.cx, ierr);
    EXPECT_NE(ierr, 0);
    EXPECT_FALSE(std::filesystem::exists(kWoodFile));
}

TEST(EstGround, SinusoidOfKnownVelocityGivesPeakGroundMotion) {
    testing::InTempDir here;
    const int n = 6000, rate = 100;
    const float dt = 1.0f / rate;
    const double f = 2.0, v = 0.003, w = kTwoPi * f; // m/s, well above the 0.1 Hz high-pass
    Buffers b;
    fill_enveloped_cosine(b.x, n, dt, f, v * kGain);
    const TraceHeader head = trace(n, rate);
    int ierr = -1;
    est_ground(head, flat(1), b.x, b.cx, 42.5f, ierr);
    ASSERT_EQ(ierr, 0);

    const auto ground = testing::lines_of(testing::slurp(kGroundFile));
    ASSERT_EQ(ground.size(), 5u);
    // amplitude column in mm units, frequency column in Hz
    auto amplitude = [&](int row) { return std::stod(ground[row].substr(53, 12)); };
    auto frequency = [&](int row) { return std::stod(ground[row].substr(65, 12)); };
    const double pga = amplitude(2), pgv = amplitude(3), pgd = amplitude(4);
    EXPECT_NEAR(pgv, 1000.0 * v, 1000.0 * v * 0.01);
    EXPECT_NEAR(pga, w * pgv, w * pgv * 0.01);
    EXPECT_NEAR(pgd, pgv / w, pgv / w * 0.01);
    for (int row = 2; row <= 4; ++row) {
        EXPECT_EQ(ground[row].size(), 106u);
        EXPECT_NEAR(frequency(row), f, f * 0.01);
        EXPECT_EQ(ground[row].substr(94, 12), "    42.50000");
    }
    // The velocity crest is the middle sample, index n/2 + 1: dated (n/2 + 1) * dt after the start,
    // 30.01 s less the microsecond lost to 0.01 in single precision.
    EXPECT_EQ(ground[3].substr(29, 23), "2024  11  1  0 30    99");

    const auto shake = testing::lines_of(testing::slurp(kShakeFile));
    ASSERT_EQ(shake.size(), 3u);
    EXPECT_EQ(shake[2].size(), 110u);
    // 0.075 m/s^2 of acceleration stays below 0.05 g
    EXPECT_EQ(shake[2].substr(53, 28), "  0.000  0.000  0.000  0.000");
    EXPECT_EQ(shake[2].substr(29, 23), ground[4].substr(29, 23));
}

TEST(EstGround, FailedCorrectionWritesNothing) {
    testing::InTempDir here;
    Buffers b;
    int ierr = 0;
    est_ground(trace(0, 100), flat(1), b.x, b.cx, 0.0f, ierr);
    EXPECT_NE(ierr, 0);
    EXPECT_FALSE(std::filesystem::exists(kGroundFile));
    EXPECT_FALSE(std::filesystem::exists(kShakeFile));
}

} // namespace
} // namespace tw
