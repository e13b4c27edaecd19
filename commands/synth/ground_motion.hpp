#pragma once
// Ground velocity at one station from the synthetic event: P and S wave trains built by the
// stochastic method (windowed Gaussian noise whose spectrum is replaced, on average, by a
// target spectrum), with a Brune source, geometric spreading, anelastic attenuation and a
// near-surface attenuation term.
#include <array>
#include <cstddef>
#include <cstdint>

#include "commands/synth/calendar.hpp"
#include "commands/synth/fft.hpp"
#include "commands/synth/network.hpp"

namespace tw::synth {

// The sampling of every trace.
struct TraceGrid {
    std::size_t samples = 0;    // samples per trace
    double dt = 0.01;           // s
    std::size_t fft_length = 0; // power of two, at least twice `samples`
    UtcInstant start;           // time of the first sample
    double origin_offset = 0.0; // origin time minus start, s

    double frequency(std::size_t k) const; // Hz of spectral line k, negative above N/2
};

TraceGrid make_grid(const Event& event, std::size_t samples);

enum Component : std::size_t { kZ = 0, kN = 1, kE = 2 };
inline constexpr std::array<char, 3> kComponentLetters{'Z', 'N', 'E'};

// Half-space and attenuation constants of the model.
struct EarthModel {
    double vp_km_s = 5.8;
    double vs_km_s = 3.36;
    double density_kg_m3 = 2700.0;
    double q0 = 300.0; // Q(f) = q0 * f^q_exponent
    double q_exponent = 0.5;
    double kappa_s = 0.03;   // near-surface attenuation exp(-pi kappa f)
    double low_cut_hz = 0.5; // the radiated spectrum is band-limited below this (4 poles)
    double surface_slowness_ratio = 0.6; // sin(incidence) = ratio * epicentral / hypocentral
};

struct GroundMotion {
    // Ground velocity spectra (Z up, N, E), scaled as continuous transforms: the trace is the
    // inverse transform divided by dt. Line N/2 is zero.
    std::array<Spectrum, 3> velocity;
    double p_arrival = 0.0; // s after the first sample
    double s_arrival = 0.0;
};

GroundMotion simulate_ground_motion(const Event& event, const Station& station, int station_index,
                                    const TraceGrid& grid, uint64_t seed,
                                    const EarthModel& model = {});

// Causal Butterworth responses at angular frequency w (rad/s).
std::complex<double> butterworth_highpass(double w, double corner_hz, int order);
std::complex<double> butterworth_lowpass(double w, double corner_hz, int order);

} // namespace tw::synth
