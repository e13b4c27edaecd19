#include "estimators/energy.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "text/messages.hpp"

namespace tw {
namespace {

constexpr int kRate = 100;
constexpr int kSamples = 6000;       // 60 s
constexpr double kBurstStart = 20.0; // s
constexpr double kBurstLength = 20.0;
constexpr double kFrequency = 1.0; // Hz, inside the 0.05-5 Hz band
constexpr float kGain = 1.0e6f;    // counts per m/s

// A flat velocity sensor: the correction divides by its gain.
InstrumentResponse velocity_sensor() {
    InstrumentResponse instr;
    instr.unit_code = 1;
    instr.gs = kGain;
    return instr;
}

TraceHeader header(const char* chan) {
    TraceHeader head;
    head.stat.assign("STX");
    head.chan.assign(chan);
    head.network.assign("CI");
    head.npts = kSamples;
    head.sample_rate = kRate;
    return head;
}

// Counts of a whole number of cycles of amplitude a (m/s) between 20 s and 40 s, quiet elsewhere.
std::vector<float> burst(double a) {
    std::vector<float> d(kMaxSamples + 2, 0.0f);
    for (int i = 0; i < kSamples; ++i) {
        const double t = static_cast<double>(i) / kRate;
        if (t >= kBurstStart && t < kBurstStart + kBurstLength)
            d[i] = static_cast<float>(
                kGain * a * std::sin(2.0 * std::numbers::pi * kFrequency * (t - kBurstStart)));
    }
    return d;
}

class EnergyTest : public ::testing::Test {
  protected:
    // Runs one group of three with the given channel letters and amplitudes; returns the estimate
    // of the third call, with its status in ierr.
    std::optional<EnergyEstimate> run_group(const std::array<const char*, 3>& chans,
                                            const std::array<double, 3>& amps, float dist) {
        std::array<int, 3> ic{0, 0, 0};
        std::optional<EnergyEstimate> e;
        for (int k = 0; k < 3; ++k) {
            const char letter = chans[k][2];
            ic[letter == 'Z' ? 0 : letter == 'N' ? 1 : 2]++;
            d1 = burst(amps[k]);
            e = estimator.est_energy(header(chans[k]), velocity_sensor(), d1, dw, dist, k + 1, ic,
                                     ierr);
            if (k < 2) {
                EXPECT_EQ(ierr, 0);
                EXPECT_FALSE(e) << "only the third component completes the group";
            }
        }
        return e;
    }

    MessageLog said;
    InstrumentCorrection correction{said};
    EnergyEstimator estimator{correction, said};
    std::vector<float> d1;
    std::vector<cfloat> dw = std::vector<cfloat>(kMaxSamples / 2 + 1);
    int ierr = -1;
};

TEST_F(EnergyTest, SinusoidsGiveTheirMeanSquareAndTheFluxThroughTheReferenceSphere) {
    const std::array<double, 3> amps{1.0e-3, 2.0e-3, 0.5e-3};
    const auto e = run_group({"HHZ", "HHN", "HHE"}, amps, 0.0f);
    ASSERT_TRUE(e);
    ASSERT_EQ(ierr, 0);
    // The integral of a whole number of cycles of a sinusoid is its amplitude squared times half
    // the duration; velocities in cm/s.
    double expected = 0.0;
    for (double a : amps)
        expected += (100.0 * a) * (100.0 * a) * kBurstLength / 2.0;
    EXPECT_NEAR(e->totint, expected, 0.01 * expected);

    // At the epicentre the station lies on the reference sphere of 8 km (the reference depth), and
    // the energy is the S-wave flux through it: 4 pi r^2 rho beta times the integral, for a
    // density of 2.5 g/cm^3 and a shear speed of 3 km/s; a quarter of it, since the free surface
    // doubles the amplitude the station records.
    const double r = 8.0e5, rho = 2.5, beta = 3.0e5;
    const double flux = 4.0 * std::numbers::pi * r * r * rho * beta * e->totint / 4.0;
    EXPECT_FLOAT_EQ(e->rdist, 8.0f);
    EXPECT_NEAR(e->energy, flux, 1e-5 * flux);

    // On return d1 holds the summed squared velocity, whose trapezoidal integral is totint.
    double integral = 0.0;
    for (int i = 0; i + 1 < kSamples; ++i)
        integral += 0.5 / kRate * (d1[i] + d1[i + 1]);
    EXPECT_NEAR(integral, e->totint, 1e-4 * integral);
}

TEST_F(EnergyTest, EnergyGrowsWithTheSquaredAmplitudeAndOnlyTheAttenuationCurveCountsWithDistance) {
    const auto near = run_group({"HHZ", "HHN", "HHE"}, {1.0e-3, 1.0e-3, 1.0e-3}, 0.0f);
    const auto loud = run_group({"HHZ", "HHN", "HHE"}, {2.0e-3, 2.0e-3, 2.0e-3}, 0.0f);
    const auto far = run_group({"HHZ", "HHN", "HHE"}, {1.0e-3, 1.0e-3, 1.0e-3}, 60.0f);
    ASSERT_TRUE(near && loud && far);
    EXPECT_NEAR(loud->energy / near->energy, 4.0, 4e-5);
    // One magnitude unit per factor 10^1.96 of energy.
    EXPECT_NEAR(loud->magnitude - near->magnitude, std::log10(4.0) / 1.96, 1e-5);
    // The geometric spreading to the hypocentral distance cancels: what remains is the ratio of
    // the empirical attenuation at the reference distance and at the station.
    EXPECT_NEAR(far->rdist, std::hypot(60.0, 8.0), 1e-4);
    const double attenuation = atten2(8.0f) / atten2(far->rdist);
    EXPECT_NEAR(far->energy / near->energy, attenuation * attenuation, 1e-4 * attenuation);
}

TEST_F(EnergyTest, GroupWithoutOneOfEachOrientationIsRefused) {
    EXPECT_FALSE(run_group({"HHZ", "HHZ", "HHE"}, {1.0e-3, 1.0e-3, 1.0e-3}, 10.0f));
    EXPECT_EQ(ierr, -3);
    // d1 keeps the third trace's velocity in m/s: the sinusoid's peak is 1e-3.
    float peak = 0.0f;
    for (int i = 0; i < kSamples; ++i)
        peak = std::max(peak, std::fabs(d1[i]));
    EXPECT_NEAR(peak, 1.0e-3f, 2e-5f);
}

TEST_F(EnergyTest, SilentGroupHasNoMagnitudeAndSaysSo) {
    const auto e = run_group({"HHZ", "HHN", "HHE"}, {0.0, 0.0, 0.0}, 10.0f);
    ASSERT_TRUE(e);
    EXPECT_TRUE(std::isnan(e->magnitude));
    EXPECT_EQ(said.out, " est_energy:  no energy at STX - magnitude not computed\n");
}

// A component refused before it was stored, or shorter than the third, must not be read from
// what an earlier group left in its slot.
TEST_F(EnergyTest, GroupWithAComponentNotStoredWholeIsIncomplete) {
    ASSERT_TRUE(run_group({"HHZ", "HHN", "HHE"}, {5.0e-3, 5.0e-3, 5.0e-3}, 10.0f));
    std::array<int, 3> ic{1, 0, 0};
    d1 = burst(1.0e-3);
    TraceHeader no_rate = header("HHZ");
    no_rate.sample_rate = 0;
    estimator.est_energy(no_rate, velocity_sensor(), d1, dw, 10.0f, 1, ic, ierr);
    EXPECT_EQ(ierr, 999);
    ic = {1, 1, 0};
    d1 = burst(1.0e-3);
    estimator.est_energy(header("HHN"), velocity_sensor(), d1, dw, 10.0f, 2, ic, ierr);
    EXPECT_EQ(ierr, 0);
    ic = {1, 1, 1};
    d1 = burst(1.0e-3);
    said.out.clear();
    EXPECT_FALSE(
        estimator.est_energy(header("HHE"), velocity_sensor(), d1, dw, 10.0f, 3, ic, ierr));
    EXPECT_EQ(ierr, -3);
    EXPECT_EQ(said.out, " est_energy: a component of the group was not stored whole\n");

    // The first two shorter than the third: their slots end before its samples do.
    for (int k = 1; k <= 3; ++k) {
        TraceHeader head = header(k == 1 ? "HHZ" : k == 2 ? "HHN" : "HHE");
        if (k < 3) head.npts = kSamples / 2;
        ic = {1, k >= 2 ? 1 : 0, k >= 3 ? 1 : 0};
        d1 = burst(1.0e-3);
        estimator.est_energy(head, velocity_sensor(), d1, dw, 10.0f, k, ic, ierr);
    }
    EXPECT_EQ(ierr, -3);
    // Longer ones are read as far as the third goes.
    for (int k = 1; k <= 3; ++k) {
        TraceHeader head = header(k == 1 ? "HHZ" : k == 2 ? "HHN" : "HHE");
        if (k == 3) head.npts = kSamples / 2;
        ic = {1, k >= 2 ? 1 : 0, k >= 3 ? 1 : 0};
        d1 = burst(1.0e-3);
        estimator.est_energy(head, velocity_sensor(), d1, dw, 10.0f, k, ic, ierr);
    }
    EXPECT_EQ(ierr, 0);
}

TEST_F(EnergyTest, TraceTheStoreCannotTakeIsRefused) {
    std::array<int, 3> ic{1, 0, 0};
    d1 = burst(1.0e-3);
    estimator.est_energy(header("HHZ"), velocity_sensor(), d1, dw, 0.0f, 4, ic, ierr);
    EXPECT_EQ(ierr, 999);
    TraceHeader head = header("HHZ");
    head.npts = 0;
    estimator.est_energy(head, velocity_sensor(), d1, dw, 0.0f, 1, ic, ierr);
    EXPECT_EQ(ierr, 999);
}

} // namespace
} // namespace tw
