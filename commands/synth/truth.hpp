#pragma once
// The true peak ground motion of a component, from the noise-free ground velocity.
#include <cstddef>

#include "commands/synth/ground_motion.hpp"

namespace tw::synth {

struct Peak {
    double value = 0.0; // largest absolute value
    double time = 0.0;  // s after the first sample
};

struct ComponentTruth {
    Peak velocity;           // mm/s
    Peak acceleration;       // mm/s^2, backward difference of the velocity samples
    Peak exact_acceleration; // mm/s^2, exact derivative
    Peak displacement;       // mm
    Peak wood_anderson;      // mm: displacement through the Wood-Anderson response
};

// Peaks over the samples of the trace. Acceleration is the backward difference of the velocity
// samples, as a record sampled at the trace's rate defines it (the exact derivative, i w on the
// spectrum, is kept beside it); displacement is the exact integral (1 / (i w)); the
// Wood-Anderson seismograph has poles -5.41925 +/- 5.68479i rad/s, two zeros at 0 and gain
// 2080000 (mm of trace per m of ground displacement).
ComponentTruth component_truth(const Spectrum& velocity, const TraceGrid& grid);

std::complex<double> wood_anderson(double w);

} // namespace tw::synth

namespace tw::synth {

// Direction of the first P motion on the vertical ground velocity: 'U' (up) or 'D' (down), read
// at the first sample after the arrival that exceeds 5 % of the largest value of the next second.
char first_motion(const Spectrum& vertical_velocity, const TraceGrid& grid, double p_arrival);

} // namespace tw::synth
