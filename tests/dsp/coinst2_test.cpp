#include "dsp/coinst2.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "dsp/fft.hpp"
#include "dsp/filters.hpp"
#include "dsp/responses.hpp"
#include "text/messages.hpp"

namespace {

// What the corrections said.
tw::MessageLog said;

// One correction by `correction`, or by a fresh object that has kept nothing from earlier calls.
void coinst2(const tw::InstrumentResponse& r, int n, float dt, int ityp, int ifilt,
             std::span<float> x, std::span<tw::cfloat> cx, int np, float fl, float fh, int& ierr,
             tw::InstrumentCorrection* correction = nullptr) {
    tw::InstrumentCorrection fresh(said);
    (correction ? *correction : fresh)
        .coinst2(r, n, dt, static_cast<tw::CorrectionOption>(ityp),
                 static_cast<tw::FilterOption>(ifilt), x, cx, np, fl, fh, ierr);
}

using tw::cfloat;
using cdouble = std::complex<double>;

TEST(Coinst2Length, PowerOfTwoOfAtLeastTwiceTheTrace) {
    EXPECT_EQ(tw::coinst2_length(1000), 2048);
    EXPECT_EQ(tw::coinst2_length(1024), 2048);
    EXPECT_EQ(tw::coinst2_length(1025), 4096);
    EXPECT_EQ(tw::coinst2_length(1), 4);
    EXPECT_EQ(tw::coinst2_length(16384), 32768);
    EXPECT_EQ(tw::ipow(1), 2);
    EXPECT_EQ(tw::ipow(3), 4);
}

// A broadband velocity sensor: flat above 0.05 rad/s, anti-alias poles far above the signals used.
tw::InstrumentResponse broadband() {
    tw::InstrumentResponse r;
    r.unit_code = 1;
    r.gs = 6.0e10f;
    const std::vector<cfloat> poles = {{-0.037f, 0.037f},
                                       {-0.037f, -0.037f},
                                       {-251.3f, 0.0f},
                                       {-118.6f, 423.1f},
                                       {-118.6f, -423.1f}};
    r.np = static_cast<int>(poles.size());
    r.nz = 2;
    for (std::size_t i = 0; i < poles.size(); ++i)
        r.poles[i] = poles[i];
    r.poles[r.np] = r.poles[r.np + 1] = {0.0f, 0.0f};
    return r;
}

// Its response to ground displacement, in double precision.
cdouble displacement_response(const tw::InstrumentResponse& r, double w) {
    const cdouble s(0.0, w);
    cdouble v = static_cast<double>(r.norm) * r.gs;
    for (int j = 0; j < r.nz; ++j)
        v *= s - cdouble(r.poles[r.np + j]);
    for (int j = 0; j < r.np; ++j)
        v /= s - cdouble(r.poles[j]);
    return v * s; // the sensor reports velocity
}

struct Synthetic {
    int n = 4000;
    float dt = 0.01f;
    double f = 2.3;     // Hz
    double disp = 1e-6; // ground displacement amplitude, m
    double phase = 0.3; // rad
    double omega() const { return 2.0 * std::numbers::pi * f; }
    // Ground displacement as a phasor: u(t) = Re(disp exp(i (omega t + phase))).
    cdouble phasor(int j) const { return disp * std::exp(cdouble(0.0, omega() * j * dt + phase)); }
    // The sensor's output in counts.
    std::vector<float> counts(const tw::InstrumentResponse& r) const {
        const cdouble rd = displacement_response(r, omega());
        std::vector<float> x(static_cast<std::size_t>(tw::coinst2_length(n)) + 2, 0.0f);
        for (int j = 0; j < n; ++j)
            x[j] = static_cast<float>((rd * phasor(j)).real());
        return x;
    }
};

// Compares the corrected trace with Re(factor * phasor) away from the tapered ends, to 0.5 % of
// the expected amplitude.
void expect_signal(const std::vector<float>& x, const Synthetic& syn, cdouble factor,
                   const std::string& what) {
    const double amplitude = std::abs(factor) * syn.disp;
    double worst = 0.0;
    for (int j = syn.n / 10; j < syn.n * 9 / 10; ++j)
        worst = std::max(worst, std::fabs(x[j] - (factor * syn.phasor(j)).real()));
    EXPECT_LT(worst, 0.005 * amplitude) << what;
}

std::vector<float> corrected(const Synthetic& syn, int ityp, int ifilt, float fl = 0.0f,
                             float fh = 0.0f) {
    const auto r = broadband();
    auto x = syn.counts(r);
    std::vector<cfloat> cx(static_cast<std::size_t>(tw::coinst2_length(syn.n)) / 2 + 1);
    int ierr = -1;
    coinst2(r, syn.n, syn.dt, ityp, ifilt, x, cx, 0, fl, fh, ierr);
    EXPECT_EQ(ierr, 0);
    return x;
}

TEST(Coinst2, GroundDisplacementVelocityAndAcceleration) {
    const Synthetic syn;
    const cdouble iw(0.0, syn.omega());
    // Integration lifts the leakage of the tapered ends at the lowest lines, as in real use a
    // zero-phase high-pass well below the signal keeps it out.
    const float fh = 0.3f;
    float w = static_cast<float>(syn.omega());
    cfloat h;
    tw::hibwth(h, w, 2.0f * std::numbers::pi_v<float> * fh);
    expect_signal(corrected(syn, 20, 6, 0.0f, fh), syn, std::abs(h), "displacement");
    expect_signal(corrected(syn, 21, 0), syn, iw, "velocity");
    expect_signal(corrected(syn, 22, 0), syn, iw * iw, "acceleration");
}

TEST(Coinst2, WoodAndersonSeismogramInMillimetres) {
    const Synthetic syn;
    cfloat wa;
    tw::wood(wa, static_cast<float>(syn.omega()));
    expect_signal(corrected(syn, 3, 0), syn, cdouble(wa), "Wood-Anderson");
}

TEST(Coinst2, LowPassUsesTheLowCornerAndHighPassTheHighCorner) {
    const Synthetic syn;
    const cdouble iw(0.0, syn.omega());
    const float f = static_cast<float>(syn.f);
    // a corner at the signal frequency halves the power; the other corner is set far off
    expect_signal(corrected(syn, 21, 4, f, 1000.0f), syn, iw / std::sqrt(2.0), "low-pass at fl");
    expect_signal(corrected(syn, 21, 6, 1000.0f, f), syn, iw / std::sqrt(2.0), "high-pass at fh");
    // zero-phase band-pass far around the signal leaves it unchanged
    expect_signal(corrected(syn, 21, 2, 0.1f, 20.0f), syn, iw, "band-pass");
}

TEST(Coinst2, NoCorrectionReturnsTheDemeanedTaperedTrace) {
    const int n = 1000;
    std::vector<float> x(2050, 0.0f);
    for (int j = 0; j < n; ++j)
        x[j] = 100.0f + 30.0f * std::sin(0.05f * j) + (j % 7);
    std::vector<float> expected(x.begin(), x.begin() + n);
    tw::demean(expected, n);
    tw::taper(expected, n, 5.0f);
    std::vector<cfloat> cx(1025);
    int ierr = -1;
    coinst2(broadband(), n, 0.02f, 0, 0, x, cx, 0, 0.0f, 0.0f, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_NEAR(x[0], 0.0f, 1e-5f);
    EXPECT_NEAR(x[n - 1], 0.0f, 1e-5f);
    for (int j = 0; j < n; ++j)
        EXPECT_NEAR(x[j], expected[j], 2e-4f) << j;
    for (int j = n; j < 2048; ++j)
        EXPECT_NEAR(x[j], 0.0f, 2e-4f) << j;
}

TEST(Coinst2, FlatDisplacementResponseRemovesTheZeroFrequencyLine) {
    tw::InstrumentResponse r;
    r.unit_code = 0;
    r.gs = 4.0f;
    const int n = 100, nfft = 256;
    std::vector<float> x(nfft + 2, 0.0f);
    for (int j = 0; j < n; ++j)
        x[j] = static_cast<float>((j * 37) % 11) - 2.0f;
    std::vector<float> y(x.begin(), x.begin() + nfft);
    tw::demean(y, n);
    tw::taper(y, n, 5.0f);
    double sum = 0.0;
    for (float v : y)
        sum += v;
    std::vector<cfloat> cx(nfft / 2 + 1);
    int ierr = -1;
    coinst2(r, n, 0.1f, 20, 0, x, cx, 0, 0.0f, 0.0f, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_EQ(cx[0], cfloat(0.0f, 0.0f));
    for (int j = 0; j < nfft; ++j)
        EXPECT_NEAR(x[j], (y[j] - sum / nfft) / 4.0, 1e-5) << j;
}

// The corrected spectrum is the forward spectrum divided line by line by the response, times the
// filter, exactly as the single-line routines compute them.
TEST(Coinst2, SpectrumIsTheLineByLineQuotientTimesTheFilter) {
    const auto r = broadband();
    const int n = 3000, nfft = 8192;
    const float dt = 0.005f, fl = 0.2f, fh = 0.5f;
    std::vector<float> x(nfft + 2, 0.0f);
    for (int j = 0; j < n; ++j)
        x[j] = 500.0f * std::sin(0.37f * j) + static_cast<float>(j % 13);
    std::vector<float> spectrum = x;
    tw::demean(spectrum, n);
    tw::taper(spectrum, n, 5.0f);
    int ierr = 0;
    tw::fftl(spectrum, nfft, -1, dt, ierr);
    const float pi = 4.0f * std::atan(1.0f);
    const float dw = 2.0f * pi / (static_cast<float>(nfft) * dt);
    const float wl = 2.0f * pi * fl, wh = 2.0f * pi * fh;

    for (int ifilt : {1, 2, 3, 4, 5, 6, 7}) {
        auto y = x;
        std::vector<cfloat> cx(nfft / 2 + 1);
        coinst2(r, n, dt, 22, ifilt, y, cx, 4, fl, fh, ierr);
        ASSERT_EQ(ierr, 0);
        EXPECT_EQ(cx[0], cfloat(0.0f, 0.0f));
        for (int i = 1; i <= nfft / 2; ++i) {
            float w = static_cast<float>(i) * dw;
            cfloat rw, h;
            tw::response(r, rw, w, tw::kAcceleration);
            cfloat line = tw::cdiv(cfloat{spectrum[2 * i], spectrum[2 * i + 1]}, rw);
            switch (ifilt) {
            case 1:
            case 2:
                tw::bpbwth(h, w, wl, wh);
                break;
            case 3:
            case 4:
                tw::lobwth(h, w, wl);
                break;
            case 5:
            case 6:
                tw::hibwth(h, w, wh);
                break;
            default:
                tw::butter(h, w, wl, wh, 4);
                break;
            }
            if (ifilt % 2 == 0) {
                const float a = std::sqrt(h.real() * h.real() + h.imag() * h.imag());
                line = cfloat{line.real() * a, line.imag() * a};
            } else {
                line = tw::cmul(line, h);
            }
            ASSERT_EQ(cx[i], line) << "filter " << ifilt << " line " << i;
        }
    }
}

struct Outcome {
    int ierr;
    std::string out;
    std::vector<float> x;
    std::vector<cfloat> cx;
};

Outcome run_capturing(int ityp, int ifilt, int n = 50, std::size_t xsize = 130) {
    std::vector<float> x(xsize, 0.0f);
    for (int j = 0; j < std::min<int>(n, static_cast<int>(xsize)); ++j)
        x[j] = static_cast<float>(j % 5);
    std::vector<cfloat> cx(65);
    int ierr = -1;
    said.out.clear();
    coinst2(broadband(), n, 0.01f, ityp, ifilt, x, cx, 0, 1.0f, 5.0f, ierr);
    return {ierr, said.out, x, cx};
}

TEST(Coinst2, UnusableOptionsPrintTheirMessageAndReturnStatusOne) {
    for (int ityp = 12; ityp <= 19; ++ityp) {
        const auto o = run_capturing(ityp, 0);
        EXPECT_EQ(o.ierr, 1) << ityp;
        EXPECT_EQ(o.out, " Non-existent response\n") << ityp;
    }
    for (int ityp : {23, 24, 100}) {
        const auto o = run_capturing(ityp, 0);
        EXPECT_EQ(o.ierr, 1) << ityp;
        EXPECT_EQ(o.out, " Unknown option\n") << ityp;
        // the uncorrected forward spectrum is left in both arrays
        EXPECT_EQ(o.cx[3], cfloat(o.x[6], o.x[7]));
    }
    for (int ifilt : {8, 9}) {
        const auto o = run_capturing(21, ifilt);
        EXPECT_EQ(o.ierr, 1) << ifilt;
        EXPECT_EQ(o.out, " Unknown option\n") << ifilt;
        EXPECT_EQ(o.cx[0], cfloat(0.0f, 0.0f)) << "the correction was applied";
        EXPECT_NE(o.cx[3], cfloat(o.x[6], o.x[7])) << "x keeps the uncorrected spectrum";
    }
    for (int good : {-1, 0, 1, 11, 20, 22}) {
        const auto o = run_capturing(good, 0);
        EXPECT_EQ(o.ierr, 0) << good;
        EXPECT_EQ(o.out, "") << good;
    }
}

TEST(Coinst2, RefusesTracesItCannotHold) {
    auto o = run_capturing(21, 0, 50, 129); // 128 + 2 reals needed
    EXPECT_EQ(o.ierr, 2);
    EXPECT_EQ(o.out, " Error in forward transform\n");
    EXPECT_EQ(o.x[1], 1.0f) << "x left untouched";
    o = run_capturing(21, 0, 0);
    EXPECT_EQ(o.ierr, 2);
}

} // namespace

namespace {

struct CorrectionCall {
    int trace, instr, ityp, ifilt;
    float fl, fh, dt;
};

struct CorrectionOutput {
    std::vector<float> x;
    std::vector<cfloat> cx;
};

CorrectionOutput correct(const std::vector<float>& samples, int n, const tw::InstrumentResponse& r,
                         const CorrectionCall& c, tw::InstrumentCorrection* shared = nullptr) {
    CorrectionOutput out{samples, std::vector<cfloat>(tw::coinst2_length(n) / 2 + 1)};
    out.x.resize(static_cast<std::size_t>(tw::coinst2_length(n)) + 2, 0.0f);
    int ierr = -1;
    coinst2(r, n, c.dt, c.ityp, c.ifilt, out.x, out.cx, 0, c.fl, c.fh, ierr, shared);
    EXPECT_EQ(ierr, 0);
    return out;
}

} // namespace

// The estimators correct one window several times and consecutive traces often share a
// response and a filter, which the correction reuses; a result must be the same to the bit
// whatever was corrected before it.
TEST(Coinst2, ResultDoesNotDependOnEarlierCorrections) {
    const Synthetic syn;
    const auto base = broadband();
    std::vector<std::vector<float>> traces{syn.counts(base)};
    traces.push_back(traces[0]);
    traces[1][1234] += 1.0f; // one sample differs
    std::vector<tw::InstrumentResponse> instruments{base, base, base, base, base, base};
    instruments[1].gs *= 2.0f;
    instruments[2].poles[2] = {-250.0f, 0.0f};
    instruments[3].unit_code = 0; // displacement: velocity divides by s
    instruments[4].unit_code = 2; // acceleration: displacement multiplies by s squared
    instruments[5].unit_code = 7; // unknown: never converted

    const std::vector<CorrectionCall> calls{
        {0, 0, 3, 0, 0.0f, 0.0f, 0.01f},   {0, 0, 21, 6, 0.0f, 0.1f, 0.01f},
        {0, 0, 21, 2, 0.2f, 20.0f, 0.01f}, {1, 0, 21, 2, 0.2f, 20.0f, 0.01f},
        {1, 1, 21, 2, 0.2f, 20.0f, 0.01f}, {1, 2, 21, 2, 0.2f, 20.0f, 0.01f},
        {1, 2, 21, 2, 0.3f, 20.0f, 0.01f}, {1, 2, 21, 2, 0.3f, 20.0f, 0.02f},
        {1, 2, 22, 5, 0.0f, 0.3f, 0.02f},  {0, 0, 3, 0, 0.0f, 0.0f, 0.01f},
        {0, 3, 21, 2, 0.2f, 20.0f, 0.01f}, {0, 3, 3, 0, 0.0f, 0.0f, 0.01f},
        {0, 3, 20, 6, 0.0f, 0.3f, 0.01f},  {0, 4, 3, 0, 0.0f, 0.0f, 0.01f},
        {0, 4, 22, 0, 0.0f, 0.0f, 0.01f},  {0, 4, 21, 7, 0.2f, 20.0f, 0.01f},
        {0, 5, 21, 2, 0.2f, 20.0f, 0.01f}, {0, 5, 3, 0, 0.0f, 0.0f, 0.01f},
        {1, 0, 1, 0, 0.0f, 0.0f, 0.01f},   {1, 0, 2, 4, 1.0f, 0.0f, 0.01f},
        {1, 0, 11, 0, 0.0f, 0.0f, 0.01f},  {1, 0, 3, 0, 0.0f, 0.0f, 0.01f},
        {1, 0, 3, 0, 0.0f, 0.0f, 0.01f}};

    // Each call alone, then all in turn through one object that keeps what it computed.
    std::vector<CorrectionOutput> alone;
    for (const auto& c : calls)
        alone.push_back(correct(traces[c.trace], syn.n, instruments[c.instr], c));
    tw::InstrumentCorrection shared(said);
    for (std::size_t k = 0; k < calls.size(); ++k) {
        const auto& c = calls[k];
        const auto in_turn = correct(traces[c.trace], syn.n, instruments[c.instr], c, &shared);
        ASSERT_EQ(in_turn.x.size(), alone[k].x.size());
        EXPECT_EQ(std::memcmp(in_turn.x.data(), alone[k].x.data(), in_turn.x.size() * 4), 0)
            << "call " << k;
        EXPECT_EQ(std::memcmp(in_turn.cx.data(), alone[k].cx.data(), in_turn.cx.size() * 8), 0)
            << "call " << k;
    }
}

// An empty cx asks for no spectrum: x is corrected all the same.
TEST(Coinst2, WithoutASpectrumArrayTheTraceIsCorrectedAllTheSame) {
    const Synthetic syn;
    const auto r = broadband();
    for (const auto& [ityp, ifilt] : {std::pair{3, 0}, std::pair{21, 6}, std::pair{21, 7}}) {
        auto with = syn.counts(r);
        auto without = with;
        std::vector<cfloat> cx(static_cast<std::size_t>(tw::coinst2_length(syn.n)) / 2 + 1);
        int ierr = -1;
        coinst2(r, syn.n, syn.dt, ityp, ifilt, with, cx, 4, 0.2f, 5.0f, ierr);
        ASSERT_EQ(ierr, 0);
        ierr = -1;
        coinst2(r, syn.n, syn.dt, ityp, ifilt, without, {}, 4, 0.2f, 5.0f, ierr);
        ASSERT_EQ(ierr, 0);
        EXPECT_EQ(std::memcmp(with.data(), without.data(), with.size() * sizeof(float)), 0)
            << ityp << " " << ifilt;
    }
    // Refusals leave x as with a spectrum array.
    for (const auto& [ityp, ifilt] : {std::pair{15, 0}, std::pair{21, 9}}) {
        auto x = syn.counts(r);
        int ierr = -1;
        said.out.clear();
        coinst2(r, syn.n, syn.dt, ityp, ifilt, x, {}, 0, 0.0f, 0.0f, ierr);
        EXPECT_EQ(ierr, 1);
        EXPECT_FALSE(said.out.empty());
    }
}
