// The example's data and metadata together: decoding the counts with an independent reader and
// removing the response read from the response file gives back the true ground motion, also for
// an event whose every channel has its own instrument.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <numbers>

#include "commands/synth/fft.hpp"
#include "example_files.hpp"
#include "metadata/response.hpp"
#include "records/records.hpp"
#include "tests/support/libmseed.hpp"
#include "time/int_time.hpp"

using namespace tw::testing;
using tw::synth::fft;
using tw::synth::Spectrum;

namespace {

using C = std::complex<double>;

namespace fs = std::filesystem;

std::vector<double> decoded_counts(const fs::path& dir, const std::string& name) {
    const auto d = decode_with_libmseed(read_bytes(dir / name), 512);
    EXPECT_TRUE(d.ok) << name;
    std::vector<double> x;
    for (const auto& r : d.records)
        x.insert(x.end(), r.samples.begin(), r.samples.end());
    return x;
}

// The channel's response as the analyser's reader takes it from the response file, evaluated
// in double precision.
struct Response {
    tw::InstrumentResponse instr;
    C at(double omega) const {
        const C s(0.0, omega);
        C r(instr.gs, 0.0);
        for (int k = 0; k < instr.nz; ++k)
            r *= s - C(instr.poles[static_cast<std::size_t>(instr.np + k)]);
        for (int k = 0; k < instr.np; ++k)
            r /= s - C(instr.poles[static_cast<std::size_t>(k)]);
        return r;
    }
};

Response response_of(const fs::path& dir, const std::string& station, const std::string& channel) {
    tw::TraceHeader head;
    head.stat = station;
    head.chan = channel;
    tw::ext_time first; // the first sample: 2024-03-15 (day 75) 12:29:34
    first.year = 2024;
    first.doy = 75;
    first.month = 3;
    first.day = 15;
    first.hour = 12;
    first.minute = 29;
    first.second = 34;
    head.stime = tw::ext_to_int(first);
    Response r;
    int ierr = -1;
    tw::fetch_response((dir / "synth.resp").string(), head, r.instr, ierr);
    EXPECT_EQ(ierr, 0) << station << channel;
    return r;
}

// Demean, 5 % cosine taper, zero-pad to at least twice the length, divide by the response and
// multiply by `factor`; returns the corrected trace (length of the input).
std::vector<double> corrected(std::vector<double> x, const Response& resp, double dt,
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
        const double w = edge < ramp ? 0.5 * (1 - std::cos(std::numbers::pi * edge / ramp)) : 1.0;
        s[j] = (x[j] - mean) * w;
    }
    fft(s, true);
    const std::size_t m = s.size();
    for (std::size_t k = 0; k < m; ++k) {
        const double f =
            (k <= m / 2 ? static_cast<double>(k) : static_cast<double>(k) - m) / (m * dt);
        const double w = 2 * std::numbers::pi * f;
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

// Velocity, acceleration, displacement and the Wood-Anderson seismogram of every component of
// the event in `dir`, from its counts and responses, against the truth file.
void expect_true_ground_motion(const fs::path& dir) {
    const double dt = 0.01;
    const auto truth = read_truth(dir / "synth.truth");
    ASSERT_EQ(truth.size(), 12u);
    for (const auto& t : truth) {
        const Response resp = response_of(dir, t.station, t.channel);
        const auto counts = decoded_counts(dir, "XX." + t.station + ".." + t.channel + ".mseed");
        ASSERT_EQ(counts.size(), 12000u);

        // Velocity with a zero-phase 6-pole high-pass at 0.1 Hz, as the analyser makes it.
        const auto v = corrected(counts, resp, dt, [](double w) {
            const double x = 2 * std::numbers::pi * 0.1 / std::fabs(w);
            return C(1.0 / std::sqrt(1.0 + std::pow(x, 12)), 0.0);
        });
        std::vector<double> a(v.size(), 0.0), d(v.size(), 0.0);
        for (std::size_t j = 1; j < v.size(); ++j)
            a[j] = (v[j] - v[j - 1]) / dt;
        for (std::size_t j = 1; j < v.size(); ++j)
            d[j] = d[j - 1] + 0.5 * dt * (v[j - 1] + v[j]);
        const auto wa = corrected(counts, resp, dt, [](double w) {
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

// The example event made again with every channel its own instrument, in a fresh folder.
fs::path distinct_instrument_event() {
    const fs::path dir =
        fs::temp_directory_path() / ("tesk_synth_distinct_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const std::string command = std::string(TW_BINARY_DIR) + "/commands/tesk_synth -o " +
                                dir.string() + " -instruments distinct > /dev/null";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    return dir;
}

} // namespace

TEST(ExampleChain, ResponseRemovalGivesTheTrueGroundMotionOfEveryComponent) {
    expect_true_ground_motion(example_dir());
}

TEST(DistinctInstruments, ResponseRemovalGivesTheTrueGroundMotionThroughEachChannelsOwnResponse) {
    const fs::path dir = distinct_instrument_event();
    // No two channels share a response: poles, zeros or gain differ.
    const auto truth = read_truth(dir / "synth.truth");
    ASSERT_EQ(truth.size(), 12u);
    std::vector<tw::InstrumentResponse> seen;
    for (const auto& t : truth) {
        const tw::InstrumentResponse r = response_of(dir, t.station, t.channel).instr;
        for (const auto& other : seen)
            EXPECT_FALSE(other.gs == r.gs && other.np == r.np && other.nz == r.nz &&
                         other.poles == r.poles)
                << t.station << " " << t.channel;
        seen.push_back(r);
    }
    expect_true_ground_motion(dir);
    // The ground motion is the example's: only the instruments differ.
    EXPECT_TRUE(read_bytes(dir / "synth.truth") == read_bytes(example_dir() / "synth.truth"));
    EXPECT_TRUE(read_bytes(dir / "synth.pick") == read_bytes(example_dir() / "synth.pick"));
    EXPECT_FALSE(read_bytes(dir / "XX.SY01..HHZ.mseed") ==
                 read_bytes(example_dir() / "XX.SY01..HHZ.mseed"));
    fs::remove_all(dir);
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

// The energy magnitude as the analyser defines it (velocity band-passed 0.05-5 Hz without phase,
// squared and summed over the three components, integrated over the window from 30 s before to
// 60 s after the P pick, scaled with the empirical distance correction) comes out alike at every
// station: the model's spreading and attenuation are those of a real crust.
TEST(ExampleChain, EnergyMagnitudesAgreeAcrossStations) {
    const double dt = 0.01;
    const auto truth = read_truth(example_dir() / "synth.truth");
    // P picks sit 30.25 s + hypocentral distance / 5.8 km/s after the first sample.
    std::vector<double> magnitudes;
    for (std::size_t i = 0; i + 2 < truth.size(); i += 3) {
        const double pick = 30.25 + truth[i].hypocentral_km / 5.8;
        const auto first = static_cast<std::size_t>((pick - 30.0) / dt);
        const auto last = static_cast<std::size_t>((pick + 60.0) / dt);
        std::vector<double> sum;
        for (std::size_t c = 0; c < 3; ++c) {
            const auto& t = truth[i + c];
            const Response resp = response_of(example_dir(), t.station, t.channel);
            auto counts =
                decoded_counts(example_dir(), "XX." + t.station + ".." + t.channel + ".mseed");
            counts = std::vector<double>(counts.begin() + static_cast<long>(first),
                                         counts.begin() + static_cast<long>(last));
            const auto v = corrected(counts, resp, dt, [](double w) {
                const double wl = 2 * std::numbers::pi * 0.05, wh = 2 * std::numbers::pi * 5.0,
                             aw = std::fabs(w);
                const double x = (aw * aw - wl * wh) / (aw * (wh - wl));
                return C(1.0 / std::sqrt(1.0 + std::pow(x, 12)), 0.0);
            });
            sum.resize(v.size(), 0.0);
            for (std::size_t j = 0; j < v.size(); ++j)
                sum[j] += (v[j] * 100) * (v[j] * 100);
        }
        double total = 0;
        for (std::size_t j = 0; j + 1 < sum.size(); ++j)
            total += 0.5 * dt * (sum[j] + sum[j + 1]);
        auto atten2 = [](double r) { return 0.4971 * std::exp(-0.0035 * r) / std::pow(r, 1.0322); };
        const double rdist = std::hypot(truth[i].epicentral_km, 8.0);
        const double r0 = 8.0e5, r1 = rdist * 1e5;
        const double g = (r0 * atten2(8.0)) / (r1 * atten2(rdist));
        const double energy = 4 * std::numbers::pi * 2.5 * 3.0e5 / 4.0 * r1 * r1 * g * g * total;
        magnitudes.push_back((std::log10(energy) - 9.05) / 1.96);
    }
    ASSERT_EQ(magnitudes.size(), 4u);
    const auto [lo, hi] = std::minmax_element(magnitudes.begin(), magnitudes.end());
    EXPECT_LT(*hi - *lo, 0.3) << magnitudes[0] << " " << magnitudes[1] << " " << magnitudes[2]
                              << " " << magnitudes[3];
}
