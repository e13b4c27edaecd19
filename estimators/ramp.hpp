#pragma once
// Growth rate of the squared ground velocity after the P onset on the three components of one
// station, and the seismic moment and moment magnitude derived from it.
#include <array>
#include <iostream>
#include <span>
#include <vector>

#include "dsp/complex_arith.hpp"
#include "estimators/least_squares.hpp"
#include "records/records.hpp"
#include "time/int_time.hpp"

namespace tw {

inline constexpr const char* kRampFile = "ramp.wave";
inline constexpr int kMaxRampEstimates = 1000;

// Keeps the velocity of each component of the current group from 0.5 s before the pick on, until
// the third arrives; one instance serves the whole run.
class RampEstimator {
  public:
    explicit RampEstimator(std::ostream& messages = std::cout);

    // Converts the trace in d1 (counts, head.npts samples) to ground velocity in cm/s: through the
    // instrument correction with the band-pass of `filter` when filter.np is non-zero, otherwise
    // by integrating or differentiating according to head.unit_code and dividing by
    // head.fp_sens. Keeps it from 0.5 s before `p_time` as component `icomp` (1..3). On the third
    // component, when `ic` shows one trace of each orientation, fits the summed squared velocity
    // against time squared over windows growing by 0.5 s up to 5.5 s after the pick, keeps the
    // window before the slope stops growing, and appends one RAMP line to "ramp.wave" (with
    // " possible clipping" when lclip is set); d1 then holds the summed squared velocity.
    // ierr: 0; the correction's status; -3 for an incomplete group; 999 when no estimate can be
    // made (window not inside the trace, fewer than 2 samples per second, an unknown unit code,
    // a group with a refused or mismatched component, fewer than two window estimates, a zero
    // distance or a slope that is not positive), with a message line saying which. A file that
    // cannot be written throws OutputError.
    void est_ramp(const TraceHeader& head, const InstrumentResponse& instr,
                  const FilterSpec& filter, std::span<float> d1, const int_time& p_time, float dist,
                  int icomp, const std::array<int, 3>& ic, bool lclip, int& ierr);

    // The chosen estimate of the last completed group.
    struct Estimate {
        int nest = 0;                  // number of the chosen window estimate (from 1)
        int window = 0;                // its length in samples
        float gamma_b = 0.0f;          // intercept, (cm/s)^2
        float gamma_es = 0.0f;         // slope, (cm/s)^2 / s^2
        float gamma_se = 0.0f;         // standard error of the slope
        float chi = 0.0f, cvar = 0.0f; // chi^2 and the percentage of the sum of squares explained
        double fm0 = 0.0, sem0 = 0.0, fmw = 0.0, semw = 0.0;
    };
    const Estimate& last_estimate() const { return estimate_; }
    // Number of window estimates computed for the last group.
    int estimates_computed() const { return computed_; }

  private:
    // One stored component: where it is valid, how long it is and its sample rate.
    struct Slot {
        bool valid = false;
        int nvec = 0;
        int sample_rate = 0;
    };
    bool convert(const TraceHeader& head, const InstrumentResponse& instr, const FilterSpec& filter,
                 std::span<float> d1, int np, int n, float dt, float& divisor, int& ierr);
    void refuse(std::string_view reason, int& ierr);

    std::ostream* messages_;
    LeastSquaresFit fit_;
    std::vector<float> data_;      // velocity in cm/s, kMaxSamples per component
    std::vector<float> d2_;        // converted trace, then the summed squared velocity
    std::vector<float> sig_;       // standard deviations of the fit, all 1
    std::vector<cfloat> spectrum_; // work array of the instrument correction
    std::array<Slot, 3> slots_{};
    std::array<float, kMaxRampEstimates> gamma_0_{}, gamma_1_{}, gamma_2_{}, ser_gamma_{}, chi2_{};
    Estimate estimate_{};
    int computed_ = 0;
};

} // namespace tw
