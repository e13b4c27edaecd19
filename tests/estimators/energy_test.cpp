#include "estimators/energy.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "tests/estimators/in_temp_dir.hpp"

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

double atten2_reference(double r) {
    return 0.4971 * std::exp(-0.0035 * r) / std::pow(r, 1.0322);
}

class EnergyTest : public ::testing::Test {
  protected:
    // Runs one group of three with the given channel letters and amplitudes; returns the last ierr.
    int run_group(const std::array<const char*, 3>& chans, const std::array<double, 3>& amps,
                  float dist) {
        std::array<int, 3> ic{0, 0, 0};
        int ierr = 0;
        const std::string before =
            std::filesystem::exists(kEnergyFile) ? testing::slurp(kEnergyFile) : "";
        for (int k = 0; k < 3; ++k) {
            const char letter = chans[k][2];
            if (letter == 'Z') ++ic[0];
            if (letter == 'N') ++ic[1];
            if (letter == 'E') ++ic[2];
            d1 = burst(amps[k]);
            estimator.est_energy(header(chans[k]), velocity_sensor(), d1, dw, dist, k + 1, ic,
                                 ierr);
            if (k < 2) {
                EXPECT_EQ(ierr, 0);
                const std::string now =
                    std::filesystem::exists(kEnergyFile) ? testing::slurp(kEnergyFile) : "";
                EXPECT_EQ(now, before) << "only the third call writes";
            }
        }
        return ierr;
    }

    testing::InTempDir here;
    std::ostringstream messages;
    EnergyEstimator estimator{messages};
    std::vector<float> d1;
    std::vector<cfloat> dw = std::vector<cfloat>(kMaxSamples / 2 + 1);
};

TEST_F(EnergyTest, SinusoidsGiveTheirMeanSquareAndTheStatedEnergy) {
    const std::array<double, 3> amps{1.0e-3, 2.0e-3, 0.5e-3};
    ASSERT_EQ(run_group({"HHZ", "HHN", "HHE"}, amps, 0.0f), 0);
    double expected = 0.0;
    for (double a : amps)
        expected += (100.0 * a) * (100.0 * a) * kBurstLength / 2.0;
    EXPECT_NEAR(estimator.totint(), expected, 0.01 * expected);

    // Zero distance: the reference distance of 8 km and no distance correction (g = 1).
    const double cf = 4.0 * std::numbers::pi * 2.5 * 3.0e5 / 4.0;
    const double r0 = 8.0e5;
    const double ener = cf * r0 * r0 * estimator.totint();
    EXPECT_FLOAT_EQ(estimator.rdist(), 8.0f);
    EXPECT_NEAR(estimator.energy(), ener, 1e-5 * ener);
    EXPECT_NEAR(estimator.magnitude(), (std::log10(ener) - 9.05) / 1.96, 1e-5);

    // On return d1 holds the summed squared velocity, whose trapezoidal integral is totint.
    double integral = 0.0;
    for (int i = 0; i + 1 < kSamples; ++i)
        integral += 0.5 / kRate * (d1[i] + d1[i + 1]);
    EXPECT_NEAR(integral, estimator.totint(), 1e-4 * integral);
}

TEST_F(EnergyTest, DistanceCorrectionScalesTheEnergy) {
    const float dist = 60.0f;
    ASSERT_EQ(run_group({"HHZ", "HHN", "HHE"}, {1.0e-3, 1.0e-3, 1.0e-3}, dist), 0);
    const double rdist = std::sqrt(60.0 * 60.0 + 64.0);
    const double g = (8.0 * atten2_reference(8.0)) / (rdist * atten2_reference(rdist));
    const double cf = 4.0 * std::numbers::pi * 2.5 * 3.0e5 / 4.0;
    const double r1 = rdist * 1.0e5;
    const double ener = cf * r1 * r1 * g * g * estimator.totint();
    EXPECT_NEAR(estimator.rdist(), rdist, 1e-4);
    EXPECT_NEAR(estimator.energy(), ener, 1e-4 * ener);
    EXPECT_NEAR(atten2(8.0f), atten2_reference(8.0), 1e-7);
}

TEST_F(EnergyTest, ResultLineColumnsAndHeader) {
    ASSERT_EQ(run_group({"HHZ", "HHN", "HHE"}, {1.0e-3, 2.0e-3, 0.5e-3}, 25.0f), 0);
    const auto lines = testing::lines_of(testing::slurp(kEnergyFile));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "# ");
    EXPECT_EQ(lines[1], "# ");
    const std::string& l = lines[2];
    ASSERT_EQ(l.size(), 65u) << l;
    EXPECT_EQ(l.substr(0, 20), "  STX HH  CI   EMAG ") << "station, band letters, network, label";
    EXPECT_EQ(l[20], ' ');
    EXPECT_NEAR(std::stod(l.substr(21, 5)), estimator.magnitude(), 0.0051);
    EXPECT_EQ(l[26], ' ');
    EXPECT_EQ(l.substr(27, 7), "  26.25") << "sqrt(25^2 + 8^2) = 26.249";
    EXPECT_EQ(l[34], ' ');
    // Exponent fields of 15 columns: 0.ddddd, E, sign, two digits, right-justified.
    for (const std::size_t start : {35u, 50u}) {
        const std::string field = l.substr(start, 15);
        EXPECT_EQ(field.substr(0, 4), "    ") << field;
        EXPECT_EQ(field.substr(4, 2), "0.") << field;
        EXPECT_EQ(field[11], 'E') << field;
    }
    EXPECT_NEAR(std::stod(l.substr(35, 15)), estimator.energy(), 5.1e-5 * estimator.energy());
    EXPECT_NEAR(std::stod(l.substr(50, 15)), estimator.totint(), 5.1e-5 * estimator.totint());

    // A second station appends one line without a second header.
    ASSERT_EQ(run_group({"BHE", "BHN", "BHZ"}, {1.0e-3, 1.0e-3, 1.0e-3}, 25.0f), 0);
    const auto more = testing::lines_of(testing::slurp(kEnergyFile));
    ASSERT_EQ(more.size(), 4u);
    EXPECT_EQ(more[3].substr(0, 20), "  STX BH  CI   EMAG ");
}

TEST_F(EnergyTest, GroupWithoutOneOfEachOrientationIsRefused) {
    EXPECT_EQ(run_group({"HHZ", "HHZ", "HHE"}, {1.0e-3, 1.0e-3, 1.0e-3}, 10.0f), -3);
    EXPECT_FALSE(std::filesystem::exists(kEnergyFile));
    // d1 keeps the third trace's velocity in m/s: the sinusoid's peak is 1e-3.
    float peak = 0.0f;
    for (int i = 0; i < kSamples; ++i)
        peak = std::max(peak, std::fabs(d1[i]));
    EXPECT_NEAR(peak, 1.0e-3f, 2e-5f);
}

TEST_F(EnergyTest, SilentGroupWritesAsterisksAndSaysSo) {
    ASSERT_EQ(run_group({"HHZ", "HHN", "HHE"}, {0.0, 0.0, 0.0}, 10.0f), 0);
    const auto lines = testing::lines_of(testing::slurp(kEnergyFile));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].substr(21, 5), "*****");
    EXPECT_EQ(lines[2].size(), 65u);
    EXPECT_NE(messages.str().find(" est_energy:"), std::string::npos) << messages.str();
}

TEST_F(EnergyTest, TraceTheStoreCannotTakeIsRefused) {
    std::array<int, 3> ic{1, 0, 0};
    int ierr = 0;
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
