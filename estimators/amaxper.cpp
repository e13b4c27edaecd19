#include "estimators/amaxper.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>

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

} // namespace

void amaxper(int n, float dt, std::span<const float> x, float& amax, float& per, int& imax) {
    amax = 0.0f;
    per = 0.0f;
    imax = 1;
    const std::size_t count =
        std::min<std::size_t>(n > 0 ? static_cast<std::size_t>(n) : 0, x.size());
    std::size_t peak = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (std::fabs(x[i]) > amax) {
            amax = std::fabs(x[i]);
            peak = i;
        }
    }
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
