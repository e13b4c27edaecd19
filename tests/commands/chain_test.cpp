// The example's data and metadata together: decoding the counts with an independent reader and
// removing the response read from the response file gives back the true ground motion.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>

#include "commands/synth/fft.hpp"
#include "example_files.hpp"
#include "mseed_oracle.hpp"
#include "response_reader.hpp"

using namespace tw::test;
using tw::synth::fft;
using tw::synth::Spectrum;

namespace {

using C = std::complex<double>;

std::vector<double> decoded_counts(const std::string& name) {
    const auto d = decode_with_libmseed(read_bytes(example_dir() / name), 512);
    EXPECT_TRUE(d.ok) << name;
    std::vector<double> x;
    for (const auto& r : d.records)
        x.insert(x.end(), r.samples.begin(), r.samples.end());
    return x;
}

// Demean, 5 % cosine taper, zero-pad to at least twice the length, divide by the response and
// multiply by `factor`; returns the corrected trace (length of the input).
std::vector<double> corrected(std::vector<double> x, const ResponseEntry& resp, double dt,
                              const std::function<C(double)>& factor) {
    const std::size_t n = x.size();
    double mean = 0;
    for (double v : x)
        mean += v;
    mean /= static_cast<double>(n);
    const double ramp = 0.025 * static_cast<double>(n);
    Spectrum s(tw::synth::power_of_two_at_least(2 * n));
    for (std::size_t j = 0; j < n; ++j) {
        const double edge = std::min(static_cast<double>(j), static_cast<double>(n - 1 - j));
        const double w = edge < ramp ? 0.5 * (1 - std::cos(M_PI * edge / ramp)) : 1.0;
        s[j] = (x[j] - mean) * w;
    }
    fft(s, true);
    const std::size_t m = s.size();
    for (std::size_t k = 0; k < m; ++k) {
        const double f =
            (k <= m / 2 ? static_cast<double>(k) : static_cast<double>(k) - m) / (m * dt);
        const double w = 2 * M_PI * f;
        s[k] = (k == 0 || k == m / 2) ? C(0, 0) : s[k] / resp.at(w) * factor(w);
    }
    fft(s, false);
    std::vector<double> out(n);
    for (std::size_t j = 0; j < n; ++j)
        out[j] = s[j].real();
    return out;
}

double peak(const std::vector<double>& x, std::size_t first, std::size_t last) {
    double p = 0;
    for (std::size_t j = first; j < last; ++j)
        p = std::max(p, std::fabs(x[j]));
    return p;
}

} // namespace

TEST(ExampleChain, ResponseRemovalGivesTheTrueGroundMotionOfEveryComponent) {
    const double dt = 0.01;
    const auto entries = read_responses(read_lines(example_dir() / "synth.resp"));
    const auto truth = read_truth(example_dir() / "synth.truth");
    ASSERT_EQ(truth.size(), 12u);
    for (const auto& t : truth) {
        const ResponseEntry* resp = nullptr;
        for (const auto& e : entries)
            if (e.station == t.station && e.channel == t.channel) resp = &e;
        ASSERT_NE(resp, nullptr) << t.station << t.channel;
        const auto counts = decoded_counts("XX." + t.station + ".." + t.channel + ".mseed");
        ASSERT_EQ(counts.size(), 12000u);

        // Velocity with a zero-phase 6-pole high-pass at 0.1 Hz, as the analyser makes it.
        const auto v = corrected(counts, *resp, dt, [](double w) {
            const double x = 2 * M_PI * 0.1 / std::fabs(w);
            return C(1.0 / std::sqrt(1.0 + std::pow(x, 12)), 0.0);
        });
        std::vector<double> a(v.size(), 0.0), d(v.size(), 0.0);
        for (std::size_t j = 1; j < v.size(); ++j)
            a[j] = (v[j] - v[j - 1]) / dt;
        for (std::size_t j = 1; j < v.size(); ++j)
            d[j] = d[j - 1] + 0.5 * dt * (v[j - 1] + v[j]);
        const auto wa = corrected(counts, *resp, dt, [](double w) {
            const C s(0, w);
            return 2080000.0 * s / ((s - C(-5.41925, 5.68479)) * (s - C(-5.41925, -5.68479)));
        });

        const std::string where = t.station + " " + t.channel;
        EXPECT_NEAR(peak(v, 0, v.size()) * 1e3 / t.pgv, 1.0, 0.02) << where;
        EXPECT_NEAR(peak(a, 0, a.size()) * 1e3 / t.pga, 1.0, 0.03) << where;
        EXPECT_NEAR(peak(d, 0, d.size()) * 1e3 / t.pgd, 1.0, 0.03) << where;
        EXPECT_NEAR(peak(wa, 0, wa.size()) / t.wa, 1.0, 0.02) << where;
    }
}

TEST(ExampleChain, NearerStationsShakeHarder) {
    const auto truth = read_truth(example_dir() / "synth.truth");
    ASSERT_EQ(truth.size(), 12u);
    // Vertical components in order of distance: every measure decreases.
    std::vector<TruthLine> z;
    for (const auto& t : truth)
        if (t.channel == "HHZ") z.push_back(t);
    std::sort(z.begin(), z.end(), [](const TruthLine& a, const TruthLine& b) {
        return a.epicentral_km < b.epicentral_km;
    });
    for (std::size_t i = 1; i < z.size(); ++i) {
        EXPECT_LT(z[i].pgv, z[i - 1].pgv) << z[i].station;
        EXPECT_LT(z[i].wa, z[i - 1].wa) << z[i].station;
    }
}
