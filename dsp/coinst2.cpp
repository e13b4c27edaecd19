#include "dsp/coinst2.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

#include "dsp/fft.hpp"
#include "dsp/filters.hpp"
#include "dsp/responses.hpp"
#include "dsp/vector_clones.hpp"
#include "text/format.hpp"

namespace tw {

namespace {

constexpr std::size_t kBlock = 256; // spectral lines handled together

// The line kernels below see complex arrays as interleaved real and imaginary parts (the layout
// std::complex guarantees), which the vectoriser handles better than complex loads and stores.
float* parts(cfloat* c) {
    return reinterpret_cast<float*>(c);
}
const float* parts(const cfloat* c) {
    return reinterpret_cast<const float*>(c);
}

// spectrum[i] *= q[i] (with_phase) or spectrum[i] *= |q[i]|.
TW_VECTOR_CLONES
void multiply(float* __restrict spectrum, const float* __restrict q, int count, bool with_phase) {
    if (with_phase) {
        for (int i = 0; i < count; ++i) {
            const cfloat v = cmul({spectrum[2 * i], spectrum[2 * i + 1]}, {q[2 * i], q[2 * i + 1]});
            spectrum[2 * i] = v.real();
            spectrum[2 * i + 1] = v.imag();
        }
    } else {
        for (int i = 0; i < count; ++i) {
            const float a = std::sqrt(q[2 * i] * q[2 * i] + q[2 * i + 1] * q[2 * i + 1]);
            spectrum[2 * i] *= a;
            spectrum[2 * i + 1] *= a;
        }
    }
}

// spectrum[i] *= t[i] / r[i] (standard instrument over recording instrument).
TW_VECTOR_CLONES
void multiply_quotient(float* __restrict spectrum, const float* __restrict t,
                       const float* __restrict r, int count) {
    for (int i = 0; i < count; ++i) {
        const cfloat q = cdiv({t[2 * i], t[2 * i + 1]}, {r[2 * i], r[2 * i + 1]});
        const cfloat v = cmul({spectrum[2 * i], spectrum[2 * i + 1]}, q);
        spectrum[2 * i] = v.real();
        spectrum[2 * i + 1] = v.imag();
    }
}

// spectrum[i] /= r[i].
TW_VECTOR_CLONES
void divide(float* __restrict spectrum, const float* __restrict r, int count) {
    for (int i = 0; i < count; ++i) {
        const cfloat v = cdiv({spectrum[2 * i], spectrum[2 * i + 1]}, {r[2 * i], r[2 * i + 1]});
        spectrum[2 * i] = v.real();
        spectrum[2 * i + 1] = v.imag();
    }
}

// Values of the sixth-order filter of option ifilt (1 .. 6) at the lines w = (first + i) * dw.
TW_VECTOR_CLONES
void sixth_order_lines(int ifilt, float dw, int first, float wl, float wh, float* __restrict h,
                       int count) {
    for (int i = 0; i < count; ++i) {
        float w = static_cast<float>(first + i) * dw;
        cfloat v;
        if (ifilt <= kBandPassZeroPhase)
            bpbwth(v, w, wl, wh);
        else if (ifilt <= kLowPassZeroPhase)
            lobwth(v, w, wl);
        else
            hibwth(v, w, wh);
        h[2 * i] = v.real();
        h[2 * i + 1] = v.imag();
    }
}

} // namespace

// The last window's spectrum and the last response and filter of each kind, handed out again when
// the samples, or the record and the line spacing, are the same. All but the Wood-Anderson
// correction divide by the same response.
class CorrectionMemo {
  public:
    // Copies the kept spectrum of these samples (as they were before demeaning) into spectrum.
    bool find_spectrum(std::span<const float> samples, float dt, int nfft,
                       std::span<cfloat> spectrum) const {
        if (nfft != nfft_ || !same_bits(dt, dt_) || samples.size() != samples_.size() ||
            spectrum.size() != spectrum_.size() ||
            std::memcmp(samples.data(), samples_.data(), samples.size_bytes()) != 0)
            return false;
        std::copy(spectrum_.begin(), spectrum_.end(), spectrum.begin());
        return true;
    }

    // The samples about to be transformed; no spectrum is kept for them until keep_spectrum.
    void keep_samples(std::span<const float> samples) {
        samples_.assign(samples.begin(), samples.end());
        nfft_ = 0;
    }

    void keep_spectrum(float dt, int nfft, std::span<const cfloat> spectrum) {
        spectrum_.assign(spectrum.begin(), spectrum.end());
        dt_ = dt;
        nfft_ = nfft;
    }

    // Lines 1 .. lines-1 of the response of instr for itype (1 .. 3) at spacing dw, evaluated
    // block by block exactly as the correction loops do.
    std::span<const cfloat> response(const InstrumentResponse& instr, int itype, float dw,
                                     std::size_t lines) {
        Response& r = responses_[static_cast<std::size_t>(itype)];
        if (r.values.size() != lines || !same_bits(r.dw, dw) || !same_record(r.instr, instr)) {
            r.values.assign(lines, cfloat{0.0f, 0.0f});
            for (std::size_t first = 1; first < lines; first += kBlock) {
                const std::size_t count = std::min(kBlock, lines - first);
                response_lines(instr, itype, dw, static_cast<int>(first),
                               std::span(r.values).subspan(first, count));
            }
            r.instr = instr;
            r.dw = dw;
        }
        return r.values;
    }

    // Lines 0 .. lines-1 of the sixth-order filter of option ifilt (1 .. 6), evaluated block by
    // block exactly as the correction loop does.
    std::span<const cfloat> filter(int ifilt, float dw, float wl, float wh, std::size_t lines) {
        Filter& f = filters_[static_cast<std::size_t>(ifilt)];
        if (f.values.size() != lines || !same_bits(f.dw, dw) || !same_bits(f.wl, wl) ||
            !same_bits(f.wh, wh)) {
            f.values.assign(lines, cfloat{0.0f, 0.0f});
            for (std::size_t first = 0; first < lines; first += kBlock) {
                const std::size_t count = std::min(kBlock, lines - first);
                sixth_order_lines(ifilt, dw, static_cast<int>(first), wl, wh,
                                  parts(&f.values[first]), static_cast<int>(count));
            }
            f.dw = dw;
            f.wl = wl;
            f.wh = wh;
        }
        return f.values;
    }

  private:
    struct Filter {
        float dw = 0.0f, wl = 0.0f, wh = 0.0f;
        std::vector<cfloat> values;
    };
    struct Response {
        InstrumentResponse instr;
        float dw = 0.0f;
        std::vector<cfloat> values;
    };

    static bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
    static bool same_record(const InstrumentResponse& a, const InstrumentResponse& b) {
        return a.unit_code == b.unit_code && same_bits(a.norm, b.norm) && same_bits(a.gs, b.gs) &&
               a.np == b.np && a.nz == b.nz &&
               std::memcmp(a.poles.data(), b.poles.data(), sizeof a.poles) == 0;
    }

    std::vector<float> samples_;
    float dt_ = 0.0f;
    int nfft_ = 0;
    std::vector<cfloat> spectrum_;
    std::array<Response, 4> responses_; // by itype: 1 displacement, 2 velocity, 3 acceleration
    std::array<Filter, 7> filters_;     // by option, 1 .. 6
};

InstrumentCorrection::InstrumentCorrection(MessageSink& messages)
    : messages_(&messages), memo_(std::make_unique<CorrectionMemo>()) {}

InstrumentCorrection::~InstrumentCorrection() = default;

int ipow(int n) {
    int p = 2;
    while (p < n && p < (1 << 30))
        p *= 2;
    return p;
}

int coinst2_length(int n) {
    if (n > (1 << 29)) return 1 << 30;
    return std::max(4, ipow(2 * n));
}

void InstrumentCorrection::coinst2(const InstrumentResponse& instr, int n, float dt,
                                   CorrectionOption ityp, FilterOption ifilt, std::span<float> x,
                                   std::span<cfloat> cx, int np, float fl, float fh, int& ierr) {
    const auto message = [this](std::string_view text) { messages_->line(FreeLine(text)); };
    ierr = 0;
    const int nfft = coinst2_length(n);
    const std::size_t lines = static_cast<std::size_t>(nfft) / 2 + 1;
    if (n < 1 || x.size() < static_cast<std::size_t>(nfft) + 2 || cx.size() < lines) {
        ierr = 2;
        message("Error in forward transform");
        return;
    }
    CorrectionMemo& memo = *memo_;
    const std::span<cfloat> spectrum = cx.first(lines);
    const std::span<const float> samples = x.first(static_cast<std::size_t>(n));
    if (memo.find_spectrum(samples, dt, nfft, spectrum)) {
        // x as the transform would have left it: the spectrum, interleaved.
        for (std::size_t i = 0; i < lines; ++i) {
            x[2 * i] = spectrum[i].real();
            x[2 * i + 1] = spectrum[i].imag();
        }
    } else {
        memo.keep_samples(samples);
        demean(x, n);
        taper(x, n, 5.0f);
        std::fill(x.begin() + n, x.begin() + nfft, 0.0f);

        fftl(x, nfft, -1, dt, ierr);
        if (ierr != 0) {
            ierr = 2;
            message("Error in forward transform");
            return;
        }
        for (std::size_t i = 0; i < lines; ++i)
            spectrum[i] = cfloat{x[2 * i], x[2 * i + 1]};
        memo.keep_spectrum(dt, nfft, spectrum);
    }

    const float pi = 4.0f * std::atan(1.0f);
    const float dw = 2.0f * pi / (static_cast<float>(nfft) * dt);

    if (ityp > kLastStandardInstrument && ityp < kGroundDisplacement) {
        message("Non-existent response");
        ierr = 1;
        return;
    }
    if (ityp > kGroundAcceleration) {
        message("Unknown option");
        ierr = 1;
        return;
    }
    std::array<cfloat, kBlock> aw;
    if (ityp >= kFirstStandardInstrument && ityp <= kLastStandardInstrument) {
        const std::span<const cfloat> rw = memo.response(instr, kDisplacement, dw, lines);
        spectrum[0] = cfloat{0.0f, 0.0f};
        for (std::size_t first = 1; first < lines; first += kBlock) {
            const std::size_t count = std::min(kBlock, lines - first);
            const int line = static_cast<int>(first);
            if (has_standard_instrument(ityp)) {
                standard_lines(ityp, dw, line, std::span(aw).first(count));
            } else {
                for (std::size_t i = 0; i < count; ++i)
                    lpbptf_b(aw[i], static_cast<float>(static_cast<int>(first + i)) * dw);
            }
            multiply_quotient(parts(&spectrum[first]), parts(aw.data()), parts(&rw[first]),
                              static_cast<int>(count));
        }
    } else if (ityp >= kGroundDisplacement) {
        const int itype = kDisplacement + (ityp - kGroundDisplacement);
        const std::span<const cfloat> rw = memo.response(instr, itype, dw, lines);
        spectrum[0] = cfloat{0.0f, 0.0f};
        for (std::size_t first = 1; first < lines; first += kBlock) {
            const std::size_t count = std::min(kBlock, lines - first);
            divide(parts(&spectrum[first]), parts(&rw[first]), static_cast<int>(count));
        }
    }

    if (ifilt > kBandPassOfOrder) {
        message("Unknown option");
        ierr = 1;
        return;
    }
    if (ifilt > kNoFilter) {
        const float wl = 2.0f * pi * fl;
        const float wh = 2.0f * pi * fh;
        const bool with_phase = ifilt % 2 == 1;
        for (std::size_t first = 0; first < lines; first += kBlock) {
            const std::size_t count = std::min(kBlock, lines - first);
            if (ifilt == kBandPassOfOrder) {
                for (std::size_t i = 0; i < count; ++i)
                    butter(aw[i], static_cast<float>(static_cast<int>(first + i)) * dw, wl, wh, np);
                multiply(parts(&spectrum[first]), parts(aw.data()), static_cast<int>(count),
                         with_phase);
            } else {
                const std::span<const cfloat> h = memo.filter(ifilt, dw, wl, wh, lines);
                multiply(parts(&spectrum[first]), parts(&h[first]), static_cast<int>(count),
                         with_phase);
            }
        }
    }

    for (std::size_t i = 0; i < lines; ++i) {
        x[2 * i] = spectrum[i].real();
        x[2 * i + 1] = spectrum[i].imag();
    }
    ierr = 0;
    fftl(x, nfft, -2, dt, ierr);
    if (ierr != 0) {
        ierr = 2;
        message("Error in forward transform");
    }
}

} // namespace tw
