#include "estimators/amaxper.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "dsp/vector_clones.hpp"

namespace tw {
namespace {

// Time from sample `from` (0-based) to the zero crossing met when walking in `step` direction
// while the samples keep the peak's sign: one sample interval per step, added one by one in
// single precision, plus the interpolated fraction of the last interval.
float walk_to_crossing(std::span<const float> x, std::size_t from, int step, bool positive,
                       float dt) {
    auto same_sign = [positive](float v) { return positive ? v > 0.0f : v < 0.0f; };
    float t = 0.0f;
    std::size_t prev = from;
    for (;;) {
        if (step > 0 ? prev + 1 >= x.size() : prev == 0) return t; // end of the array
        const std::size_t j = step > 0 ? prev + 1 : prev - 1;
        if (!same_sign(x[j])) {
            // fraction of a sample interval from x[prev] to the crossing
            return t + dt * (0.0f - x[prev]) / (x[j] - x[prev]);
        }
        t += dt;
        prev = j;
    }
}

using Lanes = float __attribute__((vector_size(32)));
constexpr std::size_t kLanes = 8;

// The largest |x[i]| over i < count, NaNs aside, and 0 when there is none: what a walk keeping
// every |x[i]| greater than the largest so far ends with. Eight lanes keep their own largest;
// the order in which values meet does not change the largest.
TW_VECTOR_CLONES
float largest_magnitude(const float* x, std::size_t count) {
    Lanes largest{};
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        Lanes v;
        std::memcpy(&v, x + i, sizeof v);
        v = v < 0.0f ? -v : v;
        largest = v > largest ? v : largest;
    }
    float result = 0.0f;
    for (std::size_t k = 0; k < kLanes; ++k)
        result = largest[k] > result ? largest[k] : result;
    for (; i < count; ++i)
        result = std::fabs(x[i]) > result ? std::fabs(x[i]) : result;
    return result;
}

} // namespace

void amaxper(int n, float dt, std::span<const float> x, float& amax, float& per, int& imax) {
    amax = 0.0f;
    per = 0.0f;
    imax = 1;
    const std::size_t count =
        std::min<std::size_t>(n > 0 ? static_cast<std::size_t>(n) : 0, x.size());
    // The largest value first, then the first sample that has it: the peak a walk keeping each
    // larger value would end on.
    amax = largest_magnitude(x.data(), count);
    std::size_t peak = 0;
    if (amax > 0.0f)
        while (std::fabs(x[peak]) != amax)
            ++peak;
    imax = static_cast<int>(peak) + 1;
    if (!(amax > 0.0f)) return; // nothing but zeros: no half-cycle to measure

    const bool positive = x[peak] > 0.0f;
    const float tf = walk_to_crossing(x, peak, +1, positive, dt);
    const float tb = walk_to_crossing(x, peak, -1, positive, dt);
    per = 2.0f * (tf + tb);
}

PeakPeriod amaxper(int n, float dt, std::span<const float> x) {
    PeakPeriod p;
    amaxper(n, dt, x, p.amax, p.per, p.imax);
    return p;
}

} // namespace tw
