#pragma once
// Radiated energy and energy magnitude from the three components of one station.
#include <array>
#include <iostream>
#include <span>
#include <string>
#include <vector>

#include "dsp/complex_arith.hpp"
#include "records/records.hpp"

namespace tw {

// Empirical distance correction of the energy, r in km.
float atten2(float r);

inline constexpr const char* kEnergyFile = "energy.wave";

// Keeps the corrected velocity of each component of the current group until the third arrives;
// one instance serves the whole run.
class EnergyEstimator {
  public:
    explicit EnergyEstimator(std::ostream& messages = std::cout);

    // Corrects the trace in d1 (counts, head.npts samples) to ground velocity and keeps it as
    // component `icomp` (1..3, order of arrival). On the third component, when `ic` shows one
    // trace of each orientation, sums the squared velocities, integrates them, and appends one
    // EMAG line to "energy.wave"; d1 then holds the summed squared velocity in (cm/s)^2, otherwise
    // the velocity in m/s. `dw` is the spectrum work array of the correction. ierr: 0; the
    // correction's status; -3 for an incomplete group; 999 for a trace the store cannot take
    // (icomp outside 1..3, no samples, more samples than d1 or the store hold). A file that
    // cannot be written throws OutputError.
    void est_energy(const TraceHeader& head, const InstrumentResponse& instr, std::span<float> d1,
                    std::span<cfloat> dw, float dist, int icomp, const std::array<int, 3>& ic,
                    int& ierr);

    // Values of the last completed estimate.
    float totint() const { return totint_; }
    float rdist() const { return rdist_; }
    float energy() const { return ener_; }
    float magnitude() const { return emag_; }

  private:
    std::ostream* messages_;
    std::vector<float> data_; // velocity in cm/s, kMaxSamples per component
    std::vector<float> d2_;   // summed squared velocity
    float totint_ = 0.0f, rdist_ = 0.0f, ener_ = 0.0f, emag_ = 0.0f;
};

} // namespace tw
