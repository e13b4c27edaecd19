#pragma once
// Ground motion (-g): peak ground acceleration, velocity and displacement with their periods,
// and the durations of shaking above four fractions of g.
#include <array>
#include <span>

#include "dsp/coinst2.hpp"
#include "dsp/complex_arith.hpp"
#include "estimators/amaxper.hpp"
#include "records/records.hpp"

namespace tw {

inline constexpr float kGravity = 9.81f;                                        // m/s^2
inline constexpr std::array<float, 4> kShakeLevels{0.05f, 0.10f, 0.20f, 0.50f}; // fractions of g

// Peaks in SI units (m/s^2, m/s, m) with their periods and 1-based indices, and the bracketed
// durations (s) from the first to the last acceleration sample at or above each level.
struct GroundMotion {
    PeakPeriod acc, vel, dsp;
    std::array<float, 4> shake{};
};

// Measures a corrected velocity trace. vel holds the n samples and may continue past them (the
// periodic remainder of the correction), which only the velocity's period walk reads.
// Acceleration is the backward difference (the first sample 0, the last one neither searched nor
// counted), displacement the trapezoidal integral from zero.
GroundMotion measure_ground(int n, float dt, std::span<const float> vel);

// Corrects the trace in counts, d1(1..npts), to ground velocity in m/s (zero-phase sixth-order
// high-pass at 0.1 Hz) and measures velocity, acceleration, displacement and the shaking
// durations. d1 and dw need the room the instrument correction asks for (dw may be empty: the
// spectrum is then not wanted); d1 holds the velocity on return. ierr is the status of the
// correction; the measurement means nothing unless it is 0.
GroundMotion est_ground(InstrumentCorrection& correction, const TraceHeader& head,
                        const InstrumentResponse& instr, std::span<float> d1, std::span<cfloat> dw,
                        int& ierr);

} // namespace tw
