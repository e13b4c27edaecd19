#pragma once
// What the station records: ground velocity plus background noise, through the instrument,
// to integer counts.
#include <cstdint>
#include <vector>

#include "commands/synth/ground_motion.hpp"
#include "commands/synth/instrument.hpp"

namespace tw::synth {

// Background noise: ground velocity noise of this RMS (m/s) before shaping, band-limited by a
// 4-pole high-pass at the model's low cut and a 2-pole low-pass at 15 Hz, scaled per station;
// plus Gaussian digitizer noise of 0.5 counts RMS and rounding to whole counts.
inline constexpr double kGroundNoiseRms = 1.5e-8;

// Counts of one component (samples of the grid), clipped to the 24-bit range.
std::vector<int32_t> record_component(const Spectrum& ground_velocity, const Instrument& inst,
                                      const TraceGrid& grid, int station_index, Component c,
                                      uint64_t seed, double model_low_cut_hz);

// Noise scale of a station: 1.0, 1.5, 2.0, 1.25, ... so that the stations differ.
double station_noise_scale(int station_index);

} // namespace tw::synth
