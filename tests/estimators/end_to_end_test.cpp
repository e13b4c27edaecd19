// The estimators through the instrument correction, on synthetic traces of known ground motion
// recorded by a flat instrument, so that the expected values follow from the motion alone.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "estimators/ground.hpp"
#include "estimators/wood.hpp"
#include "text/messages.hpp"

namespace tw {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr float kGain = 1.0e9f; // counts per metre (or per m/s)

MessageLog said;

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

TEST(EstWood, SinusoidOfKnownDisplacementGivesTheWoodAndersonAmplitude) {
    InstrumentCorrection correction(said);
    for (const double f : {0.5, 1.25, 4.0}) {
        SCOPED_TRACE(f);
        const int n = 6000, rate = 100;
        const double a = 2.0e-6; // metres of ground displacement
        Buffers b;
        fill_enveloped_cosine(b.x, n, 1.0f / rate, f, a * kGain);
        int ierr = -1;
        const PeakPeriod peak = est_wood(correction, trace(n, rate), flat(0), b.x, b.cx, ierr);
        ASSERT_EQ(ierr, 0);
        const double expected = wood_anderson_gain(f) * a;
        EXPECT_NEAR(peak.amax, expected, expected * 0.01);
        EXPECT_NEAR(peak.per, 1.0 / f, 0.01 / f);
    }
}

TEST(EstWoodAndGround, FailedCorrectionGivesItsStatus) {
    InstrumentCorrection correction(said);
    Buffers b;
    int ierr = 0;
    est_wood(correction, trace(0, 100), flat(0), b.x, b.cx, ierr); // no samples: no transform
    EXPECT_EQ(ierr, 2);
    // a buffer without room for the transform of 40000 samples
    est_wood(correction, trace(40000, 100), flat(0), b.x, b.cx, ierr);
    EXPECT_EQ(ierr, 2);
    est_ground(correction, trace(0, 100), flat(1), b.x, b.cx, ierr);
    EXPECT_EQ(ierr, 2);
}

TEST(EstGround, SinusoidOfKnownVelocityGivesPeakGroundMotion) {
    InstrumentCorrection correction(said);
    const int n = 6000, rate = 100;
    const float dt = 1.0f / rate;
    const double f = 2.0, v = 0.003, w = kTwoPi * f; // m/s, well above the 0.1 Hz high-pass
    Buffers b;
    fill_enveloped_cosine(b.x, n, dt, f, v * kGain);
    int ierr = -1;
    const GroundMotion m = est_ground(correction, trace(n, rate), flat(1), b.x, b.cx, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_NEAR(m.vel.amax, v, v * 0.01);
    EXPECT_NEAR(m.acc.amax, w * v, w * v * 0.01);
    EXPECT_NEAR(m.dsp.amax, v / w, v / w * 0.01);
    for (const PeakPeriod& p : {m.acc, m.vel, m.dsp})
        EXPECT_NEAR(p.per, 1.0 / f, 0.01 / f);
    // The velocity crest is the middle sample, index n/2 + 1.
    EXPECT_EQ(m.vel.imax, n / 2 + 1);
    // 0.075 m/s^2 of acceleration stays below 0.05 g
    EXPECT_EQ(m.shake, (std::array<float, 4>{}));
}

} // namespace
} // namespace tw
