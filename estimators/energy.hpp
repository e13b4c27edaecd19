#pragma once
// Radiated energy and energy magnitude from the three components of one station.
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "dsp/coinst2.hpp"
#include "dsp/complex_arith.hpp"
#include "records/records.hpp"
#include "text/messages.hpp"

namespace tw {

// Empirical distance correction of the energy, r in km.
float atten2(float r);

// The estimate of one station group.
struct EnergyEstimate {
    float magnitude = 0.0f; // energy magnitude; NaN for a group without energy
    float rdist = 0.0f;     // hypocentral distance with the 8 km reference depth, km
    float energy = 0.0f;    // radiated energy, erg
    float totint = 0.0f;    // time integral of the summed squared velocity, (cm/s)^2 s
};

// Keeps the corrected velocity of each component of the current group until the third arrives;
// one instance serves the whole run.
class EnergyEstimator {
  public:
    EnergyEstimator(InstrumentCorrection& correction, MessageSink& messages);

    // Corrects the trace in d1 (counts, head.npts samples) to ground velocity and keeps it as
    // component `icomp` (1..3, order of arrival). On the third component, when `ic` shows one
    // trace of each orientation, sums the squared velocities, integrates them and returns the
    // estimate; d1 then holds the summed squared velocity in (cm/s)^2, otherwise the velocity in
    // m/s. `dw` receives the corrected spectrum (none when empty). ierr: 0; the correction's
    // status; -3 for an incomplete group (a missing or doubled orientation, or a component of the
    // group that was refused before it was stored or holds fewer samples than the third, with a
    // message); 999 for a trace the store cannot take (icomp outside 1..3, no samples, more
    // samples than d1 or the store hold, no sample rate).
    std::optional<EnergyEstimate> est_energy(const TraceHeader& head,
                                             const InstrumentResponse& instr, std::span<float> d1,
                                             std::span<cfloat> dw, float dist, int icomp,
                                             const std::array<int, 3>& ic, int& ierr);

  private:
    InstrumentCorrection* correction_;
    MessageSink* messages_;
    std::vector<float> data_; // velocity in cm/s, kMaxSamples per component
    std::vector<float> d2_;   // summed squared velocity
    std::array<int, 3> stored_{}; // samples stored per component of the current group
};

} // namespace tw
