#include "estimators/ramp.hpp"

#include <algorithm>
#include <cmath>

#include "dsp/filters.hpp"
#include "records/status.hpp"
#include "text/format.hpp"

namespace tw {
namespace {

constexpr int kCoefficients = 2; // d2 ~ g0 + g2 t^2
constexpr float kCmPerM = 100.0f;
constexpr int kStartBeforePick = -500000; // microseconds
constexpr int kEndAfterPickSeconds = 5;
constexpr int kEndAfterPickMicroseconds = 500000;
constexpr float kMomentMagnitudeOffset = -10.7f;

std::size_t slot_index(int icomp, int i) {
    return static_cast<std::size_t>(icomp - 1) * kMaxSamples + static_cast<std::size_t>(i);
}

// Sample number (from 1) of the instant `t` in a trace starting at `stime`, truncated toward
// zero; false when it is too far away to be a sample number at all.
bool sample_number(const int_time& t, const int_time& stime, double sample_rate, int& index) {
    const double k = std::trunc((tdiff(t, stime) / 1.0e6) * sample_rate + 1.0);
    if (!(std::fabs(k) < 1.0e9)) return false;
    index = static_cast<int>(k);
    return true;
}

} // namespace

std::optional<RampMoment> ramp_moment(float gamma_es, float gamma_se, float dist) {
    // M0 = con sqrt(slope), con = 0.5 sqrt(1 / 31.5) 1e20 4 pi 2.7 dist^4 (dist in km), dyne cm;
    // con is formed in single precision as the slope is.
    const float pi = 4.0f * std::atan(1.0f);
    const float con_single =
        0.5f * std::sqrt(1.0f / 31.5f) * 1.0e20f * 4.0f * pi * 2.7f * (dist * dist) * (dist * dist);
    const double con = con_single;
    if (!(gamma_es > 0.0f) || con == 0.0 || !std::isfinite(con)) return std::nullopt;
    RampMoment m;
    m.fm0 = con * static_cast<double>(std::sqrt(gamma_es));
    m.sem0 = 0.5 * m.fm0 * static_cast<double>(gamma_se / gamma_es);
    m.fmw = 2.0 * std::log10(m.fm0) / 3.0 + static_cast<double>(kMomentMagnitudeOffset);
    const float log10e = std::log10(std::exp(1.0f));
    m.semw = static_cast<double>(2.0f * log10e) / (3.0 * m.fm0) * m.sem0;
    return m;
}

RampEstimator::RampEstimator(InstrumentCorrection& correction, MessageSink& messages)
    : correction_(&correction), messages_(&messages), fit_(messages),
      data_(static_cast<std::size_t>(3) * kMaxSamples), d2_(kMaxSamples), sig_(kMaxSamples, 1.0f) {}

void RampEstimator::refuse(std::string_view reason, int& ierr) {
    messages_->line(FreeLine(" est_ramp: ") << reason);
    ierr = status::kFailed;
}

bool RampEstimator::locate(const TraceHeader& head, const int_time& p_time, Window& w, int& ierr) {
    const int n = head.npts;
    if (head.sample_rate < 2) {
        refuse("fewer than 2 samples per second", ierr);
        return false;
    }
    const float dt = head.sample_interval();
    w.ioff = static_cast<int>(0.5f / dt);
    int end = 0;
    const bool located =
        sample_number(add_time(p_time, 0, kStartBeforePick), head.stime, head.sample_rate, w.np) &&
        sample_number(add_time(p_time, kEndAfterPickSeconds, kEndAfterPickMicroseconds), head.stime,
                      head.sample_rate, end);
    w.imax = end - w.np;
    if (!located || w.ioff < 1 || w.np < 1 || w.imax < 1 || w.np + w.imax - 1 > n) {
        refuse("window from 0.5 s before to 5.5 s after the pick not inside the trace", ierr);
        return false;
    }
    return true;
}

bool RampEstimator::convert(const TraceHeader& head, const InstrumentResponse& instr,
                            const FilterSpec& filter, std::span<float> d1, int np, int n, float dt,
                            float& divisor, int& ierr) {
    if (filter.np != 0) {
        correction_->coinst2(instr, n, dt, kGroundVelocity, kBandPassWithPhase, d1, {}, 0,
                             filter.fl, filter.fh, ierr);
        if (ierr != 0) return false;
        demean_noise(d1, np, n);
        divisor = 1.0f / kCmPerM;
        messages_->line(FreeLine(" Filtering data"));
        return true;
    }
    // Without a filter the trace is only converted to velocity and scaled by the sensitivity.
    if (head.unit_code != 0 && head.unit_code != 1 && head.unit_code != 2) {
        messages_->line(FreeLine(" est_ramp:  unit code")
                        << head.unit_code << "is not displacement, velocity or acceleration");
        ierr = status::kFailed;
        return false;
    }
    demean_noise(d1, np, n);
    if (head.unit_code == 2) {
        messages_->line(FreeLine(" Integration to Velocity"));
        // The integral up to sample i + 1 is stored at i; the last sample keeps its neighbour's.
        float sum = 0.0f;
        for (int i = 0; i + 1 < n; ++i) {
            sum += 0.5f * dt * (d1[i] + d1[i + 1]);
            d2_[static_cast<std::size_t>(i)] = sum;
        }
        std::copy_n(d2_.begin(), n - 1, d1.begin());
        if (n >= 2) d1[n - 1] = d1[n - 2];
    } else if (head.unit_code == 0) {
        messages_->line(FreeLine(" Differentiation to Velocity"));
        d2_[0] = 0.0f;
        for (int i = 0; i + 1 < n; ++i)
            d2_[static_cast<std::size_t>(i + 1)] = (d1[i + 1] - d1[i]) / dt;
        std::copy_n(d2_.begin(), n, d1.begin());
    }
    if (head.fp_sens == 0.0f) {
        messages_->line(FreeLine(" est_ramp:  no instrument correction"));
        divisor = 1.0f;
    } else {
        divisor = head.fp_sens / kCmPerM;
    }
    return true;
}

// Fits d2_ against t2 over windows growing by ioff samples up to imax, and stops after the first
// window whose slope drops. Returns the number of fits made.
int RampEstimator::fit_growing_windows(int imax, int ioff, std::span<const float> t2) {
    int nest = 0;
    float gamma_last = -999999.0f;
    std::array<float, 3> a{}, b{};
    float chi = 0.0f;
    for (int m = ioff; m <= imax && nest < kMaxRampEstimates; m += ioff) {
        fit_.lfit(kCoefficients, m, t2, d2_, sig_, 0, a, b, chi);
        RampFit& f = fits_[static_cast<std::size_t>(nest)];
        ++nest;
        f = RampFit{a[0], a[1], b[1], chi};
        if (f.gamma_2 < gamma_last) break;
        gamma_last = f.gamma_2;
    }
    return nest;
}

std::optional<RampEstimate> RampEstimator::est_ramp(const TraceHeader& head,
                                                    const InstrumentResponse& instr,
                                                    const FilterSpec& filter, std::span<float> d1,
                                                    const int_time& p_time, float dist, int icomp,
                                                    const std::array<int, 3>& ic, int& ierr) {
    ierr = status::kOk;
    const int n = head.npts;
    if (icomp < 1 || icomp > 3) {
        refuse("position in the component group out of range", ierr);
        return std::nullopt;
    }
    // A new group starts with its first component; a refused component leaves its slot empty.
    if (icomp == 1)
        for (auto& s : slots_)
            s = Slot{};
    Slot& slot = slots_[static_cast<std::size_t>(icomp - 1)];
    slot = Slot{};
    if (n < 1 || n > kMaxSamples || d1.size() < static_cast<std::size_t>(n)) {
        refuse("trace length outside the store", ierr);
        return std::nullopt;
    }

    // Keep this component's velocity from the window start on.
    Window w;
    if (!locate(head, p_time, w, ierr)) return std::nullopt;
    const float dt = head.sample_interval();
    float divisor = 1.0f;
    if (!convert(head, instr, filter, d1, w.np, n, dt, divisor, ierr)) return std::nullopt;
    const int nvec = n - w.np + 1;
    for (int i = w.np; i <= n; ++i)
        data_[slot_index(icomp, i - w.np)] = d1[i - 1] / divisor;
    slot = Slot{true, nvec, head.sample_rate};

    if (icomp != 3) return std::nullopt;
    if (ic[0] != 1 || ic[1] != 1 || ic[2] != 1) {
        ierr = -icomp;
        return std::nullopt;
    }
    for (const Slot& s : slots_) {
        // The group is incomplete: what an earlier group left in a slot is never read.
        if (!s.valid || s.sample_rate != head.sample_rate || s.nvec < w.imax) {
            refuse("a component of the group was refused or does not match", ierr);
            ierr = -icomp;
            return std::nullopt;
        }
    }

    // Fit: time squared, counted from one sample before the window start, against the summed
    // squared velocity, over growing windows.
    messages_->line(FreeLine(" Now beginning ramp estimation ") << w.imax << nvec << kCoefficients);
    const int nuse = std::min({slots_[0].nvec, slots_[1].nvec, slots_[2].nvec});
    for (int i = 1; i <= nuse; ++i) {
        const float t = static_cast<float>(i) * dt;
        d1[i - 1] = t * t;
        const float v1 = data_[slot_index(1, i - 1)], v2 = data_[slot_index(2, i - 1)],
                    v3 = data_[slot_index(3, i - 1)];
        d2_[static_cast<std::size_t>(i - 1)] = v1 * v1 + v2 * v2 + v3 * v3;
    }
    computed_ = static_cast<std::size_t>(fit_growing_windows(w.imax, w.ioff, d1));

    // Compute: the window before the slope stopped growing gives the estimate.
    const int nest = static_cast<int>(computed_) - 1;
    if (nest < 1) {
        refuse("fewer than two window estimates", ierr);
        return std::nullopt;
    }
    const RampFit& chosen = fits_[static_cast<std::size_t>(nest - 1)];
    RampEstimate est;
    est.nest = nest;
    est.window = nest * w.ioff;
    est.gamma_b = chosen.gamma_0;
    est.gamma_es = chosen.gamma_2;
    est.gamma_se = chosen.ser_gamma;
    est.chi = chosen.chi2;
    float s = 0.0f;
    for (int l = 0; l < est.window; ++l) {
        const float r = d2_[static_cast<std::size_t>(l)] / sig_[static_cast<std::size_t>(l)];
        s += r * r;
    }
    est.cvar = (s - est.chi) * 100.0f / s;
    const std::optional<RampMoment> moment = ramp_moment(est.gamma_es, est.gamma_se, dist);
    if (!moment) {
        refuse("no moment from a zero distance or a slope that is not positive", ierr);
        return std::nullopt;
    }
    est.fm0 = moment->fm0;
    est.sem0 = moment->sem0;
    est.fmw = moment->fmw;
    est.semw = moment->semw;
    est.dist = dist;
    est.stime = head.stime;
    est.start = static_cast<float>(w.np) * dt;
    est.span = static_cast<float>(w.imax) * dt;
    est.step = static_cast<float>(w.ioff) * dt;
    est.window_length = static_cast<float>(est.window) * dt;

    // Return, with the summed squared velocity in d1.
    for (int i = 0; i < nuse; ++i)
        d1[static_cast<std::size_t>(i)] = d2_[static_cast<std::size_t>(i)];
    return est;
}

} // namespace tw
