#include "commands/synth/recording.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "commands/synth/random.hpp"

namespace tw::synth {
namespace {

enum Stream : uint64_t { kGroundNoise = 6, kDigitizerNoise = 7 };
constexpr double kNoiseHighCutHz = 15.0;
constexpr double kDigitizerNoiseRms = 0.5;  // counts
constexpr double kLargestCount = 8388607.0; // 24 bits

} // namespace

double station_noise_scale(int station_index) {
    return 1.0 + 0.25 * ((station_index * 7) % 5);
}

std::vector<int32_t> record_component(const Spectrum& ground_velocity, const Instrument& inst,
                                      const TraceGrid& grid, int station_index, Component c,
                                      uint64_t seed, double model_low_cut_hz) {
    const auto id = static_cast<uint64_t>(station_index);
    const double sigma = kGroundNoiseRms * station_noise_scale(station_index);

    Spectrum noise(grid.fft_length, {0.0, 0.0});
    SplitMix64 ground = stream(seed, id, kGroundNoise, c);
    for (std::size_t j = 0; j < grid.samples; ++j)
        noise[j] = {sigma * ground.gaussian(), 0.0};
    fft(noise, true);

    Spectrum counts(grid.fft_length, {0.0, 0.0});
    for (std::size_t k = 1; k < grid.fft_length; ++k) {
        if (k == grid.fft_length / 2) continue;
        const double w = 2.0 * std::numbers::pi * grid.frequency(k);
        // Noise transform on the continuous scale (times dt), shaped to its band.
        const std::complex<double> n = noise[k] * grid.dt *
                                       butterworth_highpass(w, model_low_cut_hz, 4) *
                                       butterworth_lowpass(w, kNoiseHighCutHz, 2);
        counts[k] = (ground_velocity[k] + n) * inst.response.at(w);
    }
    fft(counts, false);

    SplitMix64 digitizer = stream(seed, id, kDigitizerNoise, c);
    std::vector<int32_t> out(grid.samples);
    for (std::size_t j = 0; j < grid.samples; ++j) {
        double v = counts[j].real() / grid.dt + kDigitizerNoiseRms * digitizer.gaussian();
        v = std::clamp(std::nearbyint(v), -kLargestCount, kLargestCount);
        out[j] = static_cast<int32_t>(v);
    }
    return out;
}

} // namespace tw::synth
