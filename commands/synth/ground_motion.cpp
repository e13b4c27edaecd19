#include "commands/synth/ground_motion.hpp"

#include <cmath>
#include <numbers>
#include <vector>

#include "commands/synth/random.hpp"

namespace tw::synth {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;
// Average radiation coefficients of P and S over the focal sphere, and the free-surface factor.
constexpr double kRadiationP = 0.52;
constexpr double kRadiationS = 0.63;
constexpr double kFreeSurface = 2.0;
// Amplitudes of the scattered coda trains relative to the direct waves.
constexpr double kCodaP = 0.3;
constexpr double kCodaS = 0.5;
// Seconds before the origin that the traces start.
constexpr double kLeadSeconds = 30.0;

// Purposes of the random streams of one station.
enum Stream : uint64_t { kPDirect = 1, kPCoda = 2, kSh = 3, kSv = 4, kSCoda = 5 };

// Linear rise over `rise` seconds, then exponential decay with time constant `decay`.
struct Envelope {
    double onset; // s after the first sample
    double rise;
    double decay;
    double at(double t) const {
        const double tau = t - onset;
        if (tau <= 0.0) return 0.0;
        if (tau < rise) return tau / rise;
        return std::exp(-(tau - rise) / decay);
    }
};

// Spectrum of Gaussian noise under the envelope, scaled to unit mean-square amplitude.
Spectrum windowed_noise(const TraceGrid& grid, const Envelope& envelope, SplitMix64 rng) {
    Spectrum w(grid.fft_length, {0.0, 0.0});
    double energy = 0.0;
    for (std::size_t j = 0; j < grid.samples; ++j) {
        const double g = rng.gaussian();
        const double value = g * envelope.at(static_cast<double>(j) * grid.dt);
        w[j] = {value, 0.0};
        energy += value * value;
    }
    fft(w, true);
    const double scale = energy > 0.0 ? 1.0 / std::sqrt(energy) : 0.0;
    for (auto& v : w)
        v *= scale;
    return w;
}

// Brune corner frequency (Hz) for shear-wave speed beta (km/s), stress drop (bar) and moment
// (dyne cm).
double brune_corner(double beta, double stress_drop_bar, double moment_dyne_cm) {
    return 4.906e6 * beta * std::cbrt(stress_drop_bar / moment_dyne_cm);
}

// Ground velocity spectrum (continuous-transform scale) of a unit-amplitude phase: causal
// omega-square source, low cut, attenuation along the path and near the surface.
Spectrum phase_spectrum(const TraceGrid& grid, const EarthModel& model, double corner_hz,
                        double distance_km, double speed_km_s) {
    Spectrum s(grid.fft_length, {0.0, 0.0});
    const double wc = 2.0 * std::numbers::pi * corner_hz;
    for (std::size_t k = 0; k < grid.fft_length; ++k) {
        if (k == 0 || k == grid.fft_length / 2) continue;
        const double f = grid.frequency(k);
        const double w = 2.0 * std::numbers::pi * f;
        const std::complex<double> iw(0.0, w);
        const std::complex<double> pole = 1.0 + iw / wc;
        const std::complex<double> source = 1.0 / (pole * pole);
        const double af = std::fabs(f);
        const double path = std::exp(-std::numbers::pi * std::pow(af, 1.0 - model.q_exponent) *
                                     distance_km / (model.q0 * speed_km_s));
        const double site = std::exp(-std::numbers::pi * model.kappa_s * af);
        s[k] = source * butterworth_highpass(w, model.low_cut_hz, 4) * path * site * iw;
    }
    return s;
}

// Weights on Z, N, E of a motion along (up, radial, transverse) at the given azimuth (rad).
std::array<double, 3> zne(double up, double radial, double transverse, double azimuth) {
    return {up, radial * std::cos(azimuth) - transverse * std::sin(azimuth),
            radial * std::sin(azimuth) + transverse * std::cos(azimuth)};
}

// Adds amplitude * weight * noise * base to each component spectrum.
void add_train(GroundMotion& gm, const Spectrum& noise, const Spectrum& base, double amplitude,
               const std::array<double, 3>& weights) {
    for (std::size_t c = 0; c < 3; ++c) {
        const double w = weights[c] * amplitude;
        if (w == 0.0) continue;
        for (std::size_t k = 0; k < noise.size(); ++k)
            gm.velocity[c][k] += w * noise[k] * base[k];
    }
}

} // namespace

double TraceGrid::frequency(std::size_t k) const {
    const double df = 1.0 / (static_cast<double>(fft_length) * dt);
    return k <= fft_length / 2 ? static_cast<double>(k) * df
                               : -static_cast<double>(fft_length - k) * df;
}

TraceGrid make_grid(const Event& event, std::size_t samples) {
    TraceGrid g;
    g.samples = samples;
    g.dt = 0.01;
    g.fft_length = power_of_two_at_least(2 * samples);
    // The first sample falls on a whole second, at least 30 s before the origin.
    const CalendarTime o = event.origin.calendar();
    const int64_t into_second = o.usec;
    g.start =
        event.origin.plus_microseconds(-into_second - static_cast<int64_t>(kLeadSeconds * 1e6));
    g.origin_offset = static_cast<double>(event.origin.minus(g.start)) * 1e-6;
    return g;
}

std::complex<double> butterworth_highpass(double w, double corner_hz, int order) {
    const std::complex<double> s(0.0, w);
    const double wc = 2.0 * std::numbers::pi * corner_hz;
    std::complex<double> r(1.0, 0.0);
    for (int k = 1; k <= order; ++k) {
        const double angle = std::numbers::pi * (2.0 * k + order - 1) / (2.0 * order);
        const std::complex<double> p(wc * std::cos(angle), wc * std::sin(angle));
        r *= s / (s - p);
    }
    return r;
}

std::complex<double> butterworth_lowpass(double w, double corner_hz, int order) {
    const std::complex<double> s(0.0, w);
    const double wc = 2.0 * std::numbers::pi * corner_hz;
    std::complex<double> r(1.0, 0.0);
    for (int k = 1; k <= order; ++k) {
        const double angle = std::numbers::pi * (2.0 * k + order - 1) / (2.0 * order);
        const std::complex<double> p(wc * std::cos(angle), wc * std::sin(angle));
        r *= -p / (s - p);
    }
    return r;
}

GroundMotion simulate_ground_motion(const Event& event, const Station& station, int station_index,
                                    const TraceGrid& grid, uint64_t seed, const EarthModel& model) {
    GroundMotion gm;
    for (auto& c : gm.velocity)
        c.assign(grid.fft_length, {0.0, 0.0});

    const double r_km = station.hypocentral_km;
    const double r_m = r_km * 1000.0;
    gm.p_arrival = grid.origin_offset + r_km / model.vp_km_s;
    gm.s_arrival = grid.origin_offset + r_km / model.vs_km_s;

    // Source: moment from Mw (N m), Brune corners for S and, 1.5 times higher, for P.
    const double moment = std::pow(10.0, 1.5 * event.moment_magnitude + 9.1);
    const double fc_s = brune_corner(model.vs_km_s, event.stress_drop_bar, moment * 1.0e7);
    const double fc_p = 1.5 * fc_s;

    // Low-frequency displacement level (m s) of each phase: M0 R F / (4 pi rho v^3 r).
    const double vp = model.vp_km_s * 1000.0;
    const double vs = model.vs_km_s * 1000.0;
    const double level_p = moment * kRadiationP * kFreeSurface /
                           (4.0 * std::numbers::pi * model.density_kg_m3 * vp * vp * vp * r_m);
    const double level_s = moment * kRadiationS * kFreeSurface /
                           (4.0 * std::numbers::pi * model.density_kg_m3 * vs * vs * vs * r_m);

    const double sin_i =
        model.surface_slowness_ratio * station.epicentral_km / station.hypocentral_km;
    const double cos_i = std::sqrt(1.0 - sin_i * sin_i);
    const double azimuth = station.azimuth_deg * kDeg;
    // Share of SH and SV in the S wave, varying with azimuth as a radiation pattern would.
    const double psi = (35.0 + 15.0 * std::sin(2.0 * azimuth)) * kDeg;

    const Spectrum base_p = phase_spectrum(grid, model, fc_p, r_km, model.vp_km_s);
    const Spectrum base_s = phase_spectrum(grid, model, fc_s, r_km, model.vs_km_s);
    const auto id = static_cast<uint64_t>(station_index);

    const Envelope p_direct{gm.p_arrival, 0.3 / fc_p + 0.005 * r_km, 0.4 + 0.02 * r_km};
    const Envelope p_coda{gm.p_arrival, 0.5 + 0.01 * r_km, 1.5 + 0.03 * r_km};
    const Envelope s_direct{gm.s_arrival, 0.3 / fc_s + 0.01 * r_km, 0.6 + 0.03 * r_km};
    const Envelope s_coda{gm.s_arrival, 1.0 / fc_s + 0.02 * r_km, 3.0 + 0.05 * r_km};

    // Direct waves, linearly polarised: P along the ray, SH transverse, SV in the vertical plane.
    add_train(gm, windowed_noise(grid, p_direct, stream(seed, id, kPDirect)), base_p, level_p,
              zne(cos_i, sin_i, 0.0, azimuth));
    add_train(gm, windowed_noise(grid, s_direct, stream(seed, id, kSh)), base_s, level_s,
              zne(0.0, 0.0, std::cos(psi), azimuth));
    add_train(gm, windowed_noise(grid, s_direct, stream(seed, id, kSv)), base_s, level_s,
              zne(std::sin(psi) * sin_i, std::sin(psi) * cos_i, 0.0, azimuth));
    // Scattered coda: independent on each component.
    for (std::size_t c = 0; c < 3; ++c) {
        std::array<double, 3> only{0.0, 0.0, 0.0};
        only[c] = 1.0;
        add_train(gm, windowed_noise(grid, p_coda, stream(seed, id, kPCoda, c)), base_p,
                  kCodaP * level_p, only);
        add_train(gm, windowed_noise(grid, s_coda, stream(seed, id, kSCoda, c)), base_s,
                  kCodaS * level_s, only);
    }
    return gm;
}

} // namespace tw::synth
