#pragma once
// Growth rate of the squared ground velocity after the P onset on the three components of one
// station, and the seismic moment and moment magnitude derived from it.
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "dsp/coinst2.hpp"
#include "dsp/complex_arith.hpp"
#include "estimators/least_squares.hpp"
#include "records/records.hpp"
#include "text/messages.hpp"
#include "time/int_time.hpp"

namespace tw {

inline constexpr int kMaxRampEstimates = 1000;

// The fit of v^2 ~ g0 + g2 t^2 over one window.
struct RampFit {
    float gamma_0 = 0.0f;   // intercept, (cm/s)^2
    float gamma_2 = 0.0f;   // slope, (cm/s)^2 / s^2
    float ser_gamma = 0.0f; // standard error of the slope
    float chi2 = 0.0f;
};

// Seismic moment (dyne cm) and moment magnitude with their standard errors.
struct RampMoment {
    double fm0 = 0.0, sem0 = 0.0, fmw = 0.0, semw = 0.0;
};

// Moment from the slope of the squared velocity and its standard error at distance `dist` km;
// nothing for a slope that is not positive or a zero distance.
std::optional<RampMoment> ramp_moment(float gamma_es, float gamma_se, float dist);

// The estimate of one station group, with everything its result line shows.
struct RampEstimate {
    int nest = 0;                  // number of the chosen window estimate (from 1)
    int window = 0;                // its length in samples
    float gamma_b = 0.0f;          // intercept, (cm/s)^2
    float gamma_c = 0.0f;          // middle term of the fit, always 0
    float gamma_es = 0.0f;         // slope, (cm/s)^2 / s^2
    float gamma_se = 0.0f;         // standard error of the slope
    float chi = 0.0f, cvar = 0.0f; // chi^2 and the percentage of the sum of squares explained
    double fm0 = 0.0, sem0 = 0.0, fmw = 0.0, semw = 0.0;
    float dist = 0.0f; // km
    int_time stime{};  // start of the third trace
    // Seconds: window start after the trace start, the span up to 5.5 s after the pick, the
    // growth step and the chosen window.
    float start = 0.0f, span = 0.0f, step = 0.0f, window_length = 0.0f;
};

// Keeps the velocity of each component of the current group from 0.5 s before the pick on, until
// the third arrives; one instance serves the whole run.
class RampEstimator {
  public:
    RampEstimator(InstrumentCorrection& correction, MessageSink& messages);

    // Converts the trace in d1 (counts, head.npts samples) to ground velocity in cm/s: through the
    // instrument correction with the band-pass of `filter` when filter.np is non-zero, otherwise
    // by integrating or differentiating according to head.unit_code and dividing by
    // head.fp_sens. Keeps it from 0.5 s before `p_time` as component `icomp` (1..3). On the third
    // component, when `ic` shows one trace of each orientation, fits the summed squared velocity
    // against time squared over windows growing by 0.5 s up to 5.5 s after the pick, keeps the
    // window before the slope stops growing and returns the estimate; d1 then holds the summed
    // squared velocity. ierr: 0; the correction's status; -3 for an incomplete group (a missing
    // or doubled orientation, or a component refused on its way into the store or of another
    // rate or too short, with a message); 999 when no estimate can be made (window not inside
    // the trace, fewer than 2 samples per second, an unknown unit code, fewer than two window
    // estimates, a zero distance or a slope that is not positive), with a message saying which.
    std::optional<RampEstimate> est_ramp(const TraceHeader& head, const InstrumentResponse& instr,
                                         const FilterSpec& filter, std::span<float> d1,
                                         const int_time& p_time, float dist, int icomp,
                                         const std::array<int, 3>& ic, int& ierr);

    // The window fits of the last group, in order of growing window.
    std::span<const RampFit> fits() const { return {fits_.data(), computed_}; }

  private:
    // One stored component: where it is valid, how long it is and its sample rate.
    struct Slot {
        bool valid = false;
        int nvec = 0;
        double sample_rate = 0.0;
    };
    // Where the ramp window lies in a trace: first sample (from 1), samples up to 5.5 s after
    // the pick, and the growth step.
    struct Window {
        int np = 0, imax = 0, ioff = 0;
    };
    bool locate(const TraceHeader& head, const int_time& p_time, Window& w, int& ierr);
    bool convert(const TraceHeader& head, const InstrumentResponse& instr, const FilterSpec& filter,
                 std::span<float> d1, int np, int n, float dt, float& divisor, int& ierr);
    int fit_growing_windows(int imax, int ioff, std::span<const float> t2);
    void refuse(std::string_view reason, int& ierr);

    InstrumentCorrection* correction_;
    MessageSink* messages_;
    LeastSquaresFit fit_;
    std::vector<float> data_; // velocity in cm/s, kMaxSamples per component
    std::vector<float> d2_;   // converted trace, then the summed squared velocity
    std::vector<float> sig_;  // standard deviations of the fit, all 1
    std::array<Slot, 3> slots_{};
    std::array<RampFit, kMaxRampEstimates> fits_{};
    std::size_t computed_ = 0;
};

} // namespace tw
