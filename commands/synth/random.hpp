#pragma once
// Deterministic pseudo-random numbers for the synthetic event. The generator and the Gaussian
// transform are written out here so that a given seed gives the same numbers with every
// standard library (the library's distributions are free to differ between versions).
#include <cmath>
#include <cstdint>
#include <numbers>

namespace tw::synth {

// splitmix64: a 64-bit counter passed through a fixed mixing function.
class SplitMix64 {
  public:
    explicit SplitMix64(uint64_t seed) : state_(seed) {}

    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in (0, 1): 53 random bits, never exactly 0 or 1.
    double uniform() { return (static_cast<double>(next() >> 11) + 0.5) * 0x1.0p-53; }

    // Standard normal by the Box-Muller transform; the second value of each pair is kept.
    double gaussian() {
        if (has_spare_) {
            has_spare_ = false;
            return spare_;
        }
        const double radius = std::sqrt(-2.0 * std::log(uniform()));
        const double angle = 2.0 * std::numbers::pi * uniform();
        spare_ = radius * std::sin(angle);
        has_spare_ = true;
        return radius * std::cos(angle);
    }

  private:
    uint64_t state_;
    double spare_ = 0.0;
    bool has_spare_ = false;
};

// An independent stream for one purpose: the run's seed mixed with small integer labels.
inline SplitMix64 stream(uint64_t seed, uint64_t a, uint64_t b = 0, uint64_t c = 0) {
    SplitMix64 mix(seed ^ (a * 0xD1B54A32D192ED03ULL) ^ (b * 0xABC98388FB8FAC03ULL) ^
                   (c * 0x8CB92BA72F3D8DD7ULL));
    return SplitMix64(mix.next());
}

} // namespace tw::synth
