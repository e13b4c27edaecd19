#include "estimators/ramp.hpp"

#include <algorithm>
#include <cmath>

#include "dsp/coinst2.hpp"
#include "dsp/filters.hpp"
#include "estimators/station_group_line.hpp"
#include "text/format.hpp"
#include "text/result_file.hpp"

namespace tw {
namespace {

constexpr int kVelocityCorrection = 21; // ground velocity, m/s
constexpr int kBandPassWithPhase = 1;
constexpr int kCoefficients = 2; // d2 ~ g0 + g2 t^2
constexpr float kCmPerM = 100.0f;
constexpr int kStartBeforePick = -500000; // microseconds
constexpr int kEndAfterPickSeconds = 5;
constexpr int kEndAfterPickMicroseconds = 500000;
constexpr float kMomentMagnitudeOffset = -10.7f;

const std::vector<std::string> kRampHeader{
    "#", "#Stat Com Nt    Val    Rdist Year Doy Hr Mn Sc    Ms   S(s)   W(s)   L(s)   T(s)   Mw  "
         "dMw           Mo          dMo         g0         g1           g2          dg2"};

std::size_t slot_index(int icomp, int i) {
    return static_cast<std::size_t>(icomp - 1) * kMaxSamples + static_cast<std::size_t>(i);
}

// Sample number (from 1) of the instant `t` in a trace starting at `stime`, truncated toward
// zero; false when it is too far away to be a sample number at all.
bool sample_number(const int_time& t, const int_time& stime, int sample_rate, int& index) {
    const double k = std::trunc((tdiff(t, stime) / 1.0e6) * sample_rate + 1.0);
    if (!(std::fabs(k) < 1.0e9)) return false;
    index = static_cast<int>(k);
    return true;
}

} // namespace

RampEstimator::RampEstimator(std::ostream& messages)
    : messages_(&messages), fit_(messages), data_(static_cast<std::size_t>(3) * kMaxSamples),
      d2_(kMaxSamples), sig_(kMaxSamples, 1.0f), spectrum_(kMaxSamples + 1) {}

void RampEstimator::refuse(std::string_view reason, int& ierr) {
    *messages_ << (FreeLine() << "est_ramp: " << reason).str() << '\n';
    ierr = 999;
}

bool RampEstimator::convert(const TraceHeader& head, const InstrumentResponse& instr,
                            const FilterSpec& filter, std::span<float> d1, int np, int n, float dt,
                            float& divisor, int& ierr) {
    if (filter.np != 0) {
        coinst2(instr, n, dt, kVelocityCorrection, kBandPassWithPhase, d1, spectrum_, 0, filter.fl,
                filter.fh, ierr);
        if (ierr != 0) return false;
        demean_noise(d1, np, n);
        divisor = 1.0f / kCmPerM;
        *messages_ << (FreeLine() << "Filtering data").str() << '\n';
        return true;
    }
    // Without a filter the trace is only converted to velocity and scaled by the sensitivity.
    if (head.unit_code != 0 && head.unit_code != 1 && head.unit_code != 2) {
        *messages_ << (FreeLine() << "est_ramp:  unit code" << head.unit_code
                                  << "is not displacement, velocity or acceleration")
                          .str()
                   << '\n';
        ierr = 999;
        return false;
    }
    demean_noise(d1, np, n);
    if (head.unit_code == 2) {
        *messages_ << (FreeLine() << "Integration to Velocity").str() << '\n';
        // The integral up to sample i + 1 is stored at i; the last sample keeps its neighbour's.
        float sum = 0.0f;
        for (int i = 0; i + 1 < n; ++i) {
            sum += 0.5f * dt * (d1[i] + d1[i + 1]);
            d2_[static_cast<std::size_t>(i)] = sum;
        }
        std::copy_n(d2_.begin(), n - 1, d1.begin());
        if (n >= 2) d1[n - 1] = d1[n - 2];
    } else if (head.unit_code == 0) {
        *messages_ << (FreeLine() << "Differentiation to Velocity").str() << '\n';
        d2_[0] = 0.0f;
        for (int i = 0; i + 1 < n; ++i)
            d2_[static_cast<std::size_t>(i + 1)] = (d1[i + 1] - d1[i]) / dt;
        std::copy_n(d2_.begin(), n, d1.begin());
    }
    if (head.fp_sens == 0.0f) {
        *messages_ << (FreeLine() << "est_ramp:  no instrument correction").str() << '\n';
        divisor = 1.0f;
    } else {
        divisor = head.fp_sens / kCmPerM;
    }
    return true;
}

void RampEstimator::est_ramp(const TraceHeader& head, const InstrumentResponse& instr,
                             const FilterSpec& filter, std::span<float> d1, const int_time& p_time,
                             float dist, int icomp, const std::array<int, 3>& ic, bool lclip,
                             int& ierr) {
    ierr = 0;
    const int n = head.npts;
    if (icomp < 1 || icomp > 3) {
        refuse("position in the component group out of range", ierr);
        return;
    }
    // A new group starts with its first component; a refused component leaves its slot empty.
    if (icomp == 1)
        for (auto& s : slots_)
            s = Slot{};
    Slot& slot = slots_[static_cast<std::size_t>(icomp - 1)];
    slot = Slot{};

    const float pi = 4.0f * std::atan(1.0f);
    const float con_single =
        0.5f * std::sqrt(1.0f / 31.5f) * 1.0e20f * 4.0f * pi * 2.7f * (dist * dist) * (dist * dist);
    const double con = con_single;
    const std::string_view code = head.stat.prefix(4);
    const std::string_view station = code.substr(0, static_cast<std::size_t>(klen(code)));
    if (n < 1 || n > kMaxSamples || d1.size() < static_cast<std::size_t>(n)) {
        refuse("trace length outside the store", ierr);
        return;
    }
    if (head.sample_rate < 2) {
        refuse("fewer than 2 samples per second", ierr);
        return;
    }
    const float dt = 1.0f / static_cast<float>(head.sample_rate);
    const int ioff = static_cast<int>(0.5f / dt);

    int np = 0, end = 0;
    const bool located =
        sample_number(add_time(p_time, 0, kStartBeforePick), head.stime, head.sample_rate, np) &&
        sample_number(add_time(p_time, kEndAfterPickSeconds, kEndAfterPickMicroseconds), head.stime,
                      head.sample_rate, end);
    const int imax = end - np;
    if (!located || ioff < 1 || np < 1 || imax < 1 || np + imax - 1 > n) {
        refuse("window from 0.5 s before to 5.5 s after the pick not inside the trace", ierr);
        return;
    }

    float divisor = 1.0f;
    if (!convert(head, instr, filter, d1, np, n, dt, divisor, ierr)) return;
    const int nvec = n - np + 1;
    for (int i = np; i <= n; ++i)
        data_[slot_index(icomp, i - np)] = d1[i - 1] / divisor;
    slot = Slot{true, nvec, head.sample_rate};

    if (icomp != 3) return;
    if (ic[0] != 1 || ic[1] != 1 || ic[2] != 1) {
        ierr = -icomp;
        return;
    }
    for (const Slot& s : slots_) {
        if (!s.valid || s.sample_rate != head.sample_rate || s.nvec < imax) {
            refuse("a component of the group was refused or does not match", ierr);
            return;
        }
    }

    const int ninv = kCoefficients;
    *messages_ << (FreeLine() << "Now beginning ramp estimation" << imax << nvec << ninv).str()
               << '\n';
    // Time squared, counted from one sample before the window start, against squared velocity.
    const int nuse = std::min({slots_[0].nvec, slots_[1].nvec, slots_[2].nvec});
    for (int i = 1; i <= nuse; ++i) {
        const float t = static_cast<float>(i) * dt;
        d1[i - 1] = t * t;
        const float v1 = data_[slot_index(1, i - 1)], v2 = data_[slot_index(2, i - 1)],
                    v3 = data_[slot_index(3, i - 1)];
        d2_[static_cast<std::size_t>(i - 1)] = v1 * v1 + v2 * v2 + v3 * v3;
    }

    // Windows growing by ioff samples; stop when the slope drops, use the one before the last.
    int nest = 0;
    float gamma_last = -999999.0f;
    std::array<float, 3> a{}, b{};
    float chi = 0.0f;
    for (int m = ioff; m <= imax && nest < kMaxRampEstimates; m += ioff) {
        fit_.lfit(ninv, m, d1, d2_, sig_, 0, a, b, chi);
        const auto k = static_cast<std::size_t>(nest);
        ++nest;
        gamma_0_[k] = a[0];
        gamma_1_[k] = 0.0f;
        gamma_2_[k] = a[1];
        ser_gamma_[k] = b[1];
        chi2_[k] = chi;
        if (gamma_2_[k] < gamma_last) break;
        gamma_last = gamma_2_[k];
    }
    computed_ = nest;
    nest = nest - 1;
    if (nest < 1) {
        refuse("fewer than two window estimates", ierr);
        return;
    }
    const auto k = static_cast<std::size_t>(nest - 1);
    Estimate est;
    est.nest = nest;
    est.window = nest * ioff;
    est.gamma_b = gamma_0_[k];
    const float gamma_c = gamma_1_[k];
    est.gamma_es = gamma_2_[k];
    est.gamma_se = ser_gamma_[k];
    est.chi = chi2_[k];
    float s = 0.0f;
    for (int l = 0; l < est.window; ++l) {
        const float r = d2_[static_cast<std::size_t>(l)] / sig_[static_cast<std::size_t>(l)];
        s += r * r;
    }
    est.cvar = (s - est.chi) * 100.0f / s;

    if (!(est.gamma_es > 0.0f) || con == 0.0 || !std::isfinite(con)) {
        refuse("no moment from a zero distance or a slope that is not positive", ierr);
        return;
    }
    est.fm0 = con * static_cast<double>(std::sqrt(est.gamma_es));
    est.sem0 = 0.5 * est.fm0 * static_cast<double>(est.gamma_se / est.gamma_es);
    est.fmw = 2.0 * std::log10(est.fm0) / 3.0 + static_cast<double>(kMomentMagnitudeOffset);
    const float log10e = std::log10(std::exp(1.0f));
    est.semw = static_cast<double>(2.0f * log10e) / (3.0 * est.fm0) * est.sem0;
    estimate_ = est;

    const ext_time t2 = int_to_ext(head.stime);
    FixedLine line = station_group_line(station, head, " RAMP ");
    line.blanks(1)
        .f(est.fmw, 5, 2)
        .blanks(1)
        .f(dist, 7, 2)
        .blanks(1)
        .i(t2.year, 4)
        .blanks(1)
        .i(t2.doy, 3)
        .blanks(1)
        .i(t2.hour, 2)
        .blanks(1)
        .i(t2.minute, 2)
        .blanks(1)
        .i(t2.second, 2)
        .blanks(1)
        .i(t2.usec / 100, 5)
        .blanks(1)
        .f(static_cast<float>(np) * dt, 6, 2)
        .blanks(1)
        .f(static_cast<float>(imax) * dt, 6, 2)
        .blanks(1)
        .f(static_cast<float>(ioff) * dt, 6, 2)
        .blanks(1)
        .f(static_cast<float>(est.window) * dt, 6, 2)
        .blanks(1)
        .f(est.semw, 4, 2)
        .blanks(1)
        .e(est.fm0, 12, 5)
        .blanks(1)
        .e(est.sem0, 12, 5)
        .blanks(1)
        .e(est.chi, 10, 5)
        .blanks(1)
        .e(est.cvar, 10, 5)
        .blanks(1)
        .e(est.gamma_b, 12, 5)
        .blanks(1)
        .e(gamma_c, 12, 5)
        .blanks(1)
        .e(est.gamma_es, 12, 5)
        .blanks(1)
        .e(est.gamma_se, 12, 5);
    if (lclip) line.blanks(1).a(" possible clipping", 19);
    append_result(kRampFile, kRampHeader, {line.str()});

    for (int i = 0; i < nuse; ++i)
        d1[static_cast<std::size_t>(i)] = d2_[static_cast<std::size_t>(i)];
}

} // namespace tw
