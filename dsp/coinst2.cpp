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

// The last window's spectrum, and the responses and filters last evaluated, handed out again when
// the samples, or the record and the line spacing, are the same. All but the Wood-Anderson
// correction divide by the same response. Arrays are filled in place: only their length changes
// between traces of different lengths, and every line handed out is written before.
class CorrectionMemo {
  public:
    // The kept spectrum (interleaved real and imaginary parts) of these samples as they were
    // before demeaning, or nothing.
    const float* spectrum(std::span<const float> samples, float dt, int nfft) const {
        if (nfft != nfft_ || !same_bits(dt, dt_) || samples.size() != samples_.size() ||
            std::memcmp(samples.data(), samples_.data(), samples.size_bytes()) != 0)
            return nullptr;
        return spectrum_.data();
    }

    // The samples about to be transformed; no spectrum is kept for them until keep_spectrum.
    void keep_samples(std::span<const float> samples) {
        samples_.assign(samples.begin(), samples.end());
        nfft_ = 0;
    }

    void keep_spectrum(float dt, int nfft, std::span<const float> spectrum) {
        spectrum_.assign(spectrum.begin(), spectrum.end());
        dt_ = dt;
        nfft_ = nfft;
    }

    // Lines 1 .. lines-1 of the response of instr for itype (1 .. 3) at spacing dw (line 0 is
    // 0). The record's pole-zero product is evaluated once for its lines; a response that
    // converts it to another quantity multiplies it by the conversion power, line by line,
    // giving the values a direct evaluation gives.
    std::span<const cfloat> response(const InstrumentResponse& instr, int itype, float dw,
                                     std::size_t lines) {
        const bool converts = conversion_power(instr, itype) != 0;
        Converted& c = converted_[static_cast<std::size_t>(itype)];
        if (product_.values.size() != lines || !same_bits(product_.dw, dw) ||
            !same_record(product_.instr, instr)) {
            resize_lines(product_.values, lines);
            const auto product = std::span(product_.values).subspan(1);
            if (converts) {
                // The product and the response asked for, formed together.
                resize_lines(c.values, lines);
                response_lines_with_product(instr, itype, dw, 1, product,
                                            std::span(c.values).subspan(1));
            } else {
                for (std::size_t first = 1; first < lines; first += kBlock) {
                    const std::size_t count = std::min(kBlock, lines - first);
                    response_lines(instr, kAsStored, dw, static_cast<int>(first),
                                   std::span(product_.values).subspan(first, count));
                }
            }
            product_.instr = instr;
            product_.dw = dw;
            ++product_.generation;
            if (converts) c.generation = product_.generation;
        }
        if (!converts) return product_.values;
        if (c.generation != product_.generation) {
            resize_lines(c.values, lines);
            response_lines_from_product(instr, itype, dw, 1, std::span(product_.values).subspan(1),
                                        std::span(c.values).subspan(1));
            c.generation = product_.generation;
        }
        return c.values;
    }

    // Lines 1 .. lines-1 of the standard instrument of correction option ityp (1 .. 11) at
    // spacing dw, as the correction evaluates them (line 0 is 0).
    std::span<const cfloat> standard(int ityp, float dw, std::size_t lines) {
        Standard& s = standard_;
        if (s.ityp != ityp || s.values.size() != lines || !same_bits(s.dw, dw)) {
            resize_lines(s.values, lines);
            for (std::size_t first = 1; first < lines; first += kBlock) {
                const std::size_t count = std::min(kBlock, lines - first);
                const std::span<cfloat> block = std::span(s.values).subspan(first, count);
                if (has_standard_instrument(ityp)) {
                    standard_lines(ityp, dw, static_cast<int>(first), block);
                } else {
                    for (std::size_t i = 0; i < count; ++i)
                        lpbptf_b(block[i], static_cast<float>(static_cast<int>(first + i)) * dw);
                }
            }
            s.ityp = ityp;
            s.dw = dw;
        }
        return s.values;
    }

    // Lines 0 .. lines-1 of the sixth-order filter of option ifilt (1 .. 6), evaluated block by
    // block exactly as the correction loop does.
    std::span<const cfloat> filter(int ifilt, float dw, float wl, float wh, std::size_t lines) {
        Filter& f = filters_[static_cast<std::size_t>(ifilt)];
        if (f.values.size() != lines || !same_bits(f.dw, dw) || !same_bits(f.wl, wl) ||
            !same_bits(f.wh, wh)) {
            f.values.resize(lines);
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
    struct Product {
        InstrumentResponse instr;
        float dw = 0.0f;
        unsigned long generation = 0;
        std::vector<cfloat> values;
    };
    struct Converted {
        unsigned long generation = 0; // of the product it was formed from
        std::vector<cfloat> values;
    };
    struct Standard {
        int ityp = 0;
        float dw = 0.0f;
        std::vector<cfloat> values;
    };

    static bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
    static bool same_record(const InstrumentResponse& a, const InstrumentResponse& b) {
        return a.unit_code == b.unit_code && same_bits(a.norm, b.norm) && same_bits(a.gs, b.gs) &&
               a.np == b.np && a.nz == b.nz &&
               std::memcmp(a.poles.data(), b.poles.data(), sizeof a.poles) == 0;
    }
    // Lines 1 .. are all written by the caller; line 0 is 0.
    static void resize_lines(std::vector<cfloat>& values, std::size_t lines) {
        values.resize(lines);
        values[0] = cfloat{0.0f, 0.0f};
    }

    std::vector<float> samples_;
    float dt_ = 0.0f;
    int nfft_ = 0;
    std::vector<float> spectrum_;
    Product product_;
    std::array<Converted, 4> converted_; // by itype: 1 displacement, 2 velocity, 3 acceleration
    Standard standard_;
    std::array<Filter, 7> filters_; // by option, 1 .. 6
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
    if (n < 1 || x.size() < static_cast<std::size_t>(nfft) + 2 ||
        (!cx.empty() && cx.size() < lines)) {
        ierr = 2;
        message("Error in forward transform");
        return;
    }
    // The spectrum lives in x, interleaved, from the forward to the inverse transform; it is
    // copied to cx once corrected. A kept spectrum is copied into x block by block as the
    // correction goes.
    CorrectionMemo& memo = *memo_;
    float* const spectrum = x.data();
    const std::span<const float> samples = x.first(static_cast<std::size_t>(n));
    // Where the uncorrected spectrum is: kept from an earlier call, or transformed in x.
    const float* uncorrected = memo.spectrum(samples, dt, nfft);
    if (uncorrected == nullptr) {
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
        memo.keep_spectrum(dt, nfft, x.first(2 * lines));
        uncorrected = spectrum;
    }
    const auto to_cx = [&](const float* from, std::size_t first, std::size_t count) {
        if (!cx.empty()) std::memcpy(parts(&cx[first]), from + 2 * first, count * sizeof(cfloat));
    };

    const float pi = 4.0f * std::atan(1.0f);
    const float dw = 2.0f * pi / (static_cast<float>(nfft) * dt);

    const bool unusable_option = (ityp > kLastStandardInstrument && ityp < kGroundDisplacement) ||
                                 ityp > kGroundAcceleration;
    if (unusable_option) {
        // x and cx hold the uncorrected spectrum.
        if (uncorrected != spectrum) std::memcpy(spectrum, uncorrected, 2 * lines * sizeof(float));
        to_cx(spectrum, 0, lines);
        message(ityp < kGroundDisplacement ? "Non-existent response" : "Unknown option");
        ierr = 1;
        return;
    }
    // With an unknown filter x keeps the uncorrected spectrum and only cx is corrected.
    const bool known_filter = ifilt <= kBandPassOfOrder;
    float* corrected = spectrum;
    if (!known_filter) {
        if (uncorrected != spectrum) std::memcpy(spectrum, uncorrected, 2 * lines * sizeof(float));
        uncorrected = spectrum;
        corrected = cx.empty() ? nullptr : parts(cx.data());
    }

    std::span<const cfloat> rw, aw, h;
    const bool standard = ityp >= kFirstStandardInstrument && ityp <= kLastStandardInstrument;
    if (standard) {
        rw = memo.response(instr, kDisplacement, dw, lines);
        aw = memo.standard(ityp, dw, lines);
    } else if (ityp >= kGroundDisplacement) {
        rw = memo.response(instr, kDisplacement + (ityp - kGroundDisplacement), dw, lines);
    }
    const float wl = 2.0f * pi * fl;
    const float wh = 2.0f * pi * fh;
    const bool with_phase = ifilt % 2 == 1;
    if (known_filter && ifilt > kNoFilter && ifilt != kBandPassOfOrder)
        h = memo.filter(ifilt, dw, wl, wh, lines);

    std::array<cfloat, kBlock> bw;
    for (std::size_t first = 0; corrected != nullptr && first < lines; first += kBlock) {
        const std::size_t count = std::min(kBlock, lines - first);
        float* block = corrected + 2 * first;
        if (uncorrected != corrected)
            std::memcpy(block, uncorrected + 2 * first, count * sizeof(cfloat));
        // The response, from line 1 on: line 0 becomes 0.
        if (!rw.empty()) {
            const std::size_t skip = first == 0 ? 1 : 0;
            if (skip == 1) block[0] = block[1] = 0.0f;
            float* lines_from = block + 2 * skip;
            const int responding = static_cast<int>(count - skip);
            if (standard)
                multiply_quotient(lines_from, parts(&aw[first + skip]), parts(&rw[first + skip]),
                                  responding);
            else
                divide(lines_from, parts(&rw[first + skip]), responding);
        }
        if (!known_filter) continue;
        if (ifilt == kBandPassOfOrder) {
            for (std::size_t i = 0; i < count; ++i)
                butter(bw[i], static_cast<float>(static_cast<int>(first + i)) * dw, wl, wh, np);
            multiply(block, parts(bw.data()), static_cast<int>(count), with_phase);
        } else if (ifilt > kNoFilter) {
            multiply(block, parts(&h[first]), static_cast<int>(count), with_phase);
        }
        to_cx(spectrum, first, count);
    }
    if (!known_filter) {
        message("Unknown option");
        ierr = 1;
        return;
    }

    ierr = 0;
    fftl(x, nfft, -2, dt, ierr);
    if (ierr != 0) {
        ierr = 2;
        message("Error in forward transform");
    }
}

} // namespace tw
