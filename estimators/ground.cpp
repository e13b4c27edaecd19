#include "estimators/ground.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <vector>

namespace tw {
namespace {

// Bracketed duration above `level` g over acc(1..count): from the first to the last sample with
// |acc / g| >= level. `largest` is the largest |acc| there (NaNs aside): when even that stays
// below the level no sample reaches it, since |acc| / g grows with |acc|; otherwise the first
// and the last are sought from either end.
float shaking_duration(std::span<const float> acc, float largest, float level, float dt) {
    const auto reaches = [level](float a) { return std::fabs(a / kGravity) >= level; };
    if (!(std::fabs(largest / kGravity) >= level)) return 0.0f;
    const auto first = std::find_if(acc.begin(), acc.end(), reaches);
    if (first == acc.end()) return 0.0f;
    const auto last = std::find_if(acc.rbegin(), acc.rend(), reaches).base() - 1;
    return static_cast<float>(last - first + 1) * dt;
}

} // namespace

GroundMotion measure_ground(int n, float dt, std::span<const float> vel) {
    GroundMotion m;
    n = std::clamp(n, 0, static_cast<int>(std::min<std::size_t>(vel.size(), kMaxSamples)));
    const auto un = static_cast<std::size_t>(n);
    m.vel = amaxper(n, dt, vel);
    if (n < 1) return m;
    // Acceleration, then displacement; every element is written before it is read.
    const auto d2 = std::make_unique_for_overwrite<float[]>(un);

    // Backward difference; d2(n) is formed but left out of the search and the durations.
    for (std::size_t j = 1; j < un; ++j)
        d2[j] = (vel[j] - vel[j - 1]) / dt;
    d2[0] = 0.0f;
    const std::span<const float> acc(d2.get(), un);
    m.acc = amaxper(n - 1, dt, acc);
    for (std::size_t k = 0; k < kShakeLevels.size(); ++k)
        m.shake[k] = shaking_duration(acc.first(un - 1), m.acc.amax, kShakeLevels[k], dt);

    // Trapezoidal integral from zero: d2(l) holds the displacement at sample l + 1.
    const float hstep = 0.5f * dt;
    float totint = 0.0f;
    for (std::size_t l = 0; l + 1 < un; ++l) {
        totint = totint + hstep * (vel[l] + vel[l + 1]);
        d2[l] = totint;
    }
    m.dsp = amaxper(n - 1, dt, std::span<const float>(d2.get(), un - 1));
    return m;
}

GroundMotion est_ground(InstrumentCorrection& correction, const TraceHeader& head,
                        const InstrumentResponse& instr, std::span<float> d1, std::span<cfloat> dw,
                        int& ierr) {
    constexpr float kHighPassHz = 0.1f;
    const int n = head.npts;
    const float dt = head.sample_interval();
    ierr = 0;
    correction.coinst2(instr, n, dt, kGroundVelocity, kHighPassZeroPhase, d1, dw, 0, 0.0f,
                       kHighPassHz, ierr);
    if (ierr != 0) return {};
    // The velocity's period walk may go on into the periodic rest of the corrected trace.
    const auto corrected = std::min(d1.size(), static_cast<std::size_t>(coinst2_length(n)));
    return measure_ground(n, dt, d1.first(corrected));
}

} // namespace tw
