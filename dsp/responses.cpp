#include "dsp/responses.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "dsp/vector_clones.hpp"

namespace tw {

namespace {

constexpr int kBlock = 256; // lines evaluated together; the work arrays stay in the first cache

constexpr int kLanes = 8; // lines per group: one 256-bit vector of floats

// One block of lines with the real and imaginary parts in separate arrays, so that every step
// below is a plain loop over the lines that the vectoriser turns into full-width operations.
struct Parts {
    std::array<float, kBlock> re, im;
};

// Which branch of the range-reduced quotient a line takes: the divisor's imaginary part is the
// larger, its real part is, or either (decided line by line as cdiv does).
enum Branch { kImagLarger, kRealLarger, kEither };

// cdiv(a, b) when the branch is known: the operations of that branch alone, so the value is the
// one cdiv selects.
template <Branch B> inline cfloat quotient(cfloat a, cfloat b) {
    if constexpr (B == kEither) {
        return cdiv(a, b);
    } else if constexpr (B == kImagLarger) {
        const float ratio = b.real() / b.imag();
        const float div = b.real() * ratio + b.imag();
        return {(a.real() * ratio + a.imag()) / div, (a.imag() * ratio - a.real()) / div};
    } else {
        const float ratio = b.imag() / b.real();
        const float div = b.imag() * ratio + b.real();
        return {(a.imag() * ratio + a.real()) / div, (a.imag() - a.real() * ratio) / div};
    }
}

// s - c with s = i w: the parts std::complex subtraction gives.
inline cfloat minus(float w, cfloat c) {
    return {0.0f - c.real(), w - c.imag()};
}

// r[i] *= (s - z) / (s - p) (paired) or r[i] /= s - p, for the whole groups of lines lo .. hi-1.
template <Branch B, bool Paired>
[[gnu::always_inline]] inline void divide_factor(Parts& r, const float* w, cfloat z, cfloat p,
                                                 int lo, int hi) {
    for (int g = lo; g < hi; g += kLanes) {
        for (int i = g; i < g + kLanes; ++i) {
            const cfloat v =
                Paired ? cmul({r.re[i], r.im[i]}, quotient<B>(minus(w[i], z), minus(w[i], p)))
                       : quotient<B>({r.re[i], r.im[i]}, minus(w[i], p));
            r.re[i] = v.real();
            r.im[i] = v.imag();
        }
    }
}

// The factor of pole p over the groups [0, groups_end), each group of lines with the branch its
// divisors s - p take. With ascending finite frequencies and a finite pole, w - p.imag() ascends
// too (rounding keeps order), so the imaginary part is the larger on a prefix (w - p.imag() under
// -|p.real()|) and a suffix (over |p.real()|) and the real part between: whole groups on either
// side of a change take one branch, the group holding a change decides line by line, as every
// group does when the frequencies do not ascend.
template <bool Paired>
[[gnu::always_inline]] inline void pole_factor(Parts& r, const float* w, int end, bool ascending,
                                               cfloat z, cfloat p) {
    if (!ascending || !std::isfinite(p.real()) || !std::isfinite(p.imag())) {
        divide_factor<kEither, Paired>(r, w, z, p, 0, end);
        return;
    }
    const float bound = std::fabs(0.0f - p.real());
    // First line from `from` on that is not on the side `before` describes; most blocks lie on
    // one side, which the two end lines tell without a search.
    const auto split = [&](const float* from, auto before) {
        const float* last = w + end - 1;
        if (from > last || !before(*from)) return static_cast<int>(from - w);
        if (before(*last)) return end;
        return static_cast<int>(std::partition_point(from + 1, last, before) - w);
    };
    const int below = split(w, [&](float x) { return x - p.imag() < -bound; });
    const int above = split(w + below, [&](float x) { return !(x - p.imag() > bound); });
    const auto down = [](int i) { return i / kLanes * kLanes; };
    const auto up = [](int i) { return (i + kLanes - 1) / kLanes * kLanes; };
    divide_factor<kImagLarger, Paired>(r, w, z, p, 0, down(below));
    if (up(below) <= down(above)) {
        divide_factor<kEither, Paired>(r, w, z, p, down(below), up(below));
        divide_factor<kRealLarger, Paired>(r, w, z, p, up(below), down(above));
        divide_factor<kEither, Paired>(r, w, z, p, down(above), up(above));
    } else {
        divide_factor<kEither, Paired>(r, w, z, p, down(below), up(above));
    }
    divide_factor<kImagLarger, Paired>(r, w, z, p, up(above), end);
}

// r[i] *= cpow(s, k) at s = i w[i], k not 0, for the whole groups of lines 0 .. end-1: the
// squarings and products of cpow, step by step, for all lines at once.
[[gnu::always_inline]] inline void multiply_power(Parts& r, const float* w, int k, int end) {
    Parts x, power;
    for (int i = 0; i < end; ++i) {
        x.re[i] = 0.0f;
        x.im[i] = w[i];
        power.re[i] = 1.0f;
        power.im[i] = 0.0f;
    }
    if (k < 0) {
        for (int i = 0; i < end; ++i) {
            const cfloat b = cdiv(cfloat{1.0f, 0.0f}, cfloat{x.re[i], x.im[i]});
            x.re[i] = b.real();
            x.im[i] = b.imag();
        }
    }
    for (unsigned u = k < 0 ? 0u - static_cast<unsigned>(k) : static_cast<unsigned>(k);;) {
        if (u & 1u) {
            for (int i = 0; i < end; ++i) {
                const cfloat v = cmul({power.re[i], power.im[i]}, {x.re[i], x.im[i]});
                power.re[i] = v.real();
                power.im[i] = v.imag();
            }
        }
        u >>= 1;
        if (u == 0) break;
        for (int i = 0; i < end; ++i) {
            const cfloat v = cmul({x.re[i], x.im[i]}, {x.re[i], x.im[i]});
            x.re[i] = v.real();
            x.im[i] = v.imag();
        }
    }
    for (int i = 0; i < end; ++i) {
        const cfloat v = cmul({r.re[i], r.im[i]}, {power.re[i], power.im[i]});
        r.re[i] = v.real();
        r.im[i] = v.imag();
    }
}

// values[i] = gain * prod over zeros (s - z) / prod over poles (s - p) * s^k at s = i w[i]: the
// paired quotients first, then the surplus poles (dividing) or zeros (multiplying), then the
// conversion power. Every line sees exactly the operations of cmul, cdiv and cpow on its own
// values, in the same order, so the result is that of evaluating one line at a time. The lines
// are handled in whole groups; the lines that pad the last group repeat the last frequency and
// are not stored.
// With `converted`, the values times s^k2 (multiply_power's operations, as power_block applies
// them) are stored there as well.
TW_VECTOR_CLONES
void pole_zero_block(float gain, std::span<const cfloat> poles, std::span<const cfloat> zeros,
                     int k, const float* w_in, cfloat* values, int count, int k2 = 0,
                     cfloat* converted = nullptr) {
    const int end = (count + kLanes - 1) / kLanes * kLanes;
    std::array<float, kBlock> w;
    std::copy(w_in, w_in + count, w.begin());
    std::fill(w.begin() + count, w.begin() + end, w_in[count - 1]);
    int descents = 0; // counted rather than searched for, so that the loop vectorises
    for (int i = 1; i < count; ++i)
        descents += w[i - 1] <= w[i] ? 0 : 1;
    const bool ascending = descents == 0 && std::isfinite(w[0]) && std::isfinite(w[count - 1]);

    Parts r;
    for (int i = 0; i < end; ++i) {
        r.re[i] = gain;
        r.im[i] = 0.0f;
    }
    const std::size_t paired = std::min(poles.size(), zeros.size());
    for (std::size_t j = 0; j < paired; ++j)
        pole_factor<true>(r, w.data(), end, ascending, zeros[j], poles[j]);
    for (std::size_t j = paired; j < poles.size(); ++j)
        pole_factor<false>(r, w.data(), end, ascending, cfloat{}, poles[j]);
    for (std::size_t j = paired; j < zeros.size(); ++j) {
        const cfloat z = zeros[j];
        for (int i = 0; i < end; ++i) {
            const cfloat v = cmul({r.re[i], r.im[i]}, minus(w[i], z));
            r.re[i] = v.real();
            r.im[i] = v.imag();
        }
    }
    if (k != 0) multiply_power(r, w.data(), k, end);
    for (int i = 0; i < count; ++i)
        values[i] = cfloat{r.re[i], r.im[i]};
    if (converted == nullptr) return;
    if (k2 == 1) {
        // cpow(s, 1) is the one product 1 times s (see times_s).
        for (int i = 0; i < count; ++i)
            converted[i] = cmul({r.re[i], r.im[i]}, cmul(cfloat{1.0f, 0.0f}, cfloat{0.0f, w[i]}));
        return;
    }
    multiply_power(r, w.data(), k2, end);
    for (int i = 0; i < count; ++i)
        converted[i] = cfloat{r.re[i], r.im[i]};
}

// values[i] = product[i] * s at s = i w[i]: for k = 1 the conversion power of pole_zero_block is
// cpow's one product, 1 times s, and the product with it; the same operations, interleaved.
TW_VECTOR_CLONES
void times_s(const float* __restrict product, const float* __restrict w, float* __restrict values,
             int count) {
    for (int i = 0; i < count; ++i) {
        const cfloat s = cmul(cfloat{1.0f, 0.0f}, cfloat{0.0f, w[i]});
        const cfloat v = cmul({product[2 * i], product[2 * i + 1]}, s);
        values[2 * i] = v.real();
        values[2 * i + 1] = v.imag();
    }
}

// values[i] = product[i] * s^k at s = i w[i], k not 0: the conversion power of pole_zero_block
// applied to the pole-zero product it formed before, so the values are the ones it gives where
// the frequencies are the same.
TW_VECTOR_CLONES
void power_block(const cfloat* product, int k, const float* w_in, cfloat* values, int count) {
    const int end = (count + kLanes - 1) / kLanes * kLanes;
    std::array<float, kBlock> w;
    std::copy(w_in, w_in + count, w.begin());
    std::fill(w.begin() + count, w.begin() + end, w_in[count - 1]);
    Parts r;
    for (int i = 0; i < end; ++i) {
        const cfloat v = product[std::min(i, count - 1)];
        r.re[i] = v.real();
        r.im[i] = v.imag();
    }
    multiply_power(r, w.data(), k, end);
    for (int i = 0; i < count; ++i)
        values[i] = cfloat{r.re[i], r.im[i]};
}

// w[i] = (first + i) * dw for i < count; with raise_zero a frequency of exactly 0 becomes 1.0e-4.
TW_VECTOR_CLONES
void line_frequencies(float* w, int first, int count, float dw, bool raise_zero) {
    for (int i = 0; i < count; ++i) {
        const float x = static_cast<float>(first + i) * dw;
        w[i] = raise_zero && x == 0.0f ? 1.0e-4f : x;
    }
}

// Runs the kernel over the lines w = (first + i) * dw in blocks (see line_frequencies).
template <class Kernel>
void over_lines(float dw, int first, std::span<cfloat> values, bool raise_zero, Kernel kernel) {
    std::array<float, kBlock> w;
    for (std::size_t done = 0; done < values.size(); done += kBlock) {
        const int count = static_cast<int>(std::min<std::size_t>(kBlock, values.size() - done));
        line_frequencies(w.data(), first + static_cast<int>(done), count, dw, raise_zero);
        kernel(w.data(), values.data() + done, count);
    }
}

struct RecordView {
    std::span<const cfloat> poles, zeros;
    int k;
    float gain;
};

// The part of the record that is evaluated, and the conversion power.
RecordView view(const InstrumentResponse& instr, int itype) {
    const bool known_unit = instr.unit_code >= 0 && instr.unit_code <= 2;
    const int np = std::clamp(instr.np, 0, kMaxPolesZeros);
    const int nz = std::clamp(instr.nz, 0, kMaxPolesZeros - np);
    const std::span<const cfloat> all(instr.poles);
    return {all.first(np), all.subspan(np, nz),
            (itype == kAsStored || !known_unit) ? 0 : instr.unit_code - itype + 1,
            instr.norm * instr.gs};
}

} // namespace

void response(const InstrumentResponse& instr, cfloat& value, float& w, int itype) {
    const RecordView r = view(instr, itype);
    if (w == 0.0f && r.k != 0) w = 1.0e-4f;
    pole_zero_block(r.gain, r.poles, r.zeros, r.k, &w, &value, 1);
}

void response_lines(const InstrumentResponse& instr, int itype, float dw, int first,
                    std::span<cfloat> values) {
    const RecordView r = view(instr, itype);
    over_lines(dw, first, values, r.k != 0, [&](const float* w, cfloat* out, int count) {
        pole_zero_block(r.gain, r.poles, r.zeros, r.k, w, out, count);
    });
}

int conversion_power(const InstrumentResponse& instr, int itype) {
    return view(instr, itype).k;
}

namespace {

// At frequency 0 the evaluation raises the frequency, which changes the product too, so a block
// holding it is converted anew. From line 1 on the frequencies grow in size, so only a block's
// first can be 0.
bool holds_frequency_zero(const std::array<float, kBlock>& w, int line, int count) {
    return line >= 1 ? w[0] == 0.0f
                     : std::find(w.begin(), w.begin() + count, 0.0f) != w.begin() + count;
}

// Calls each(done, count, w, zero, raised) for the blocks of n lines from line `first`: w holds the
// block's frequencies, zero says whether the block holds frequency 0 (and the conversion must
// then be evaluated anew; `raised` fills w with the raised frequencies for that).
template <class Each> void for_each_block(std::size_t n, int first, float dw, Each each) {
    std::array<float, kBlock> w;
    for (std::size_t done = 0; done < n; done += kBlock) {
        const int count = static_cast<int>(std::min<std::size_t>(kBlock, n - done));
        const int line = first + static_cast<int>(done);
        line_frequencies(w.data(), line, count, dw, false);
        const bool zero = holds_frequency_zero(w, line, count);
        const auto raised = [&] { line_frequencies(w.data(), line, count, dw, true); };
        each(done, count, w, zero, raised);
    }
}

} // namespace

void response_lines_with_product(const InstrumentResponse& instr, int itype, float dw, int first,
                                 std::span<cfloat> product, std::span<cfloat> values) {
    const RecordView r = view(instr, itype);
    const RecordView stored = view(instr, kAsStored);
    const std::size_t n = std::min(product.size(), values.size());
    if (r.k == 0) {
        response_lines(instr, kAsStored, dw, first, product.first(n));
        std::copy_n(product.begin(), n, values.begin());
        return;
    }
    for_each_block(n, first, dw, [&](std::size_t done, int count, auto& w, bool zero, auto raised) {
        pole_zero_block(stored.gain, stored.poles, stored.zeros, 0, w.data(), product.data() + done,
                        count, r.k, zero ? nullptr : values.data() + done);
        if (zero) {
            raised();
            pole_zero_block(r.gain, r.poles, r.zeros, r.k, w.data(), values.data() + done, count);
        }
    });
}

void response_lines_from_product(const InstrumentResponse& instr, int itype, float dw, int first,
                                 std::span<const cfloat> product, std::span<cfloat> values) {
    const RecordView r = view(instr, itype);
    const std::size_t n = std::min(product.size(), values.size());
    if (r.k == 0) {
        std::copy_n(product.begin(), n, values.begin());
        return;
    }
    for_each_block(n, first, dw, [&](std::size_t done, int count, auto& w, bool zero, auto raised) {
        cfloat* out = values.data() + done;
        if (zero) {
            raised();
            pole_zero_block(r.gain, r.poles, r.zeros, r.k, w.data(), out, count);
        } else if (r.k == 1) {
            times_s(reinterpret_cast<const float*>(product.data() + done), w.data(),
                    reinterpret_cast<float*>(out), count);
        } else {
            power_block(product.data() + done, r.k, w.data(), out, count);
        }
    });
}

namespace {

template <std::size_t N> constexpr std::array<cfloat, N> origin_zeros() {
    return std::array<cfloat, N>{};
}

constexpr std::array<cfloat, 9> kBen100Poles{{{-4.033f, 6.37f},
                                              {-4.033f, -6.37f},
                                              {-18.03f, 0.0f},
                                              {-0.04442f, 0.04444f},
                                              {-0.04442f, -0.04444f},
                                              {-111.1f, 111.1f},
                                              {-111.1f, -111.1f},
                                              {-8.415f, 0.357f},
                                              {-8.415f, -0.357f}}};
constexpr auto kBen100Zeros = origin_zeros<5>();

constexpr std::array<cfloat, 2> kWoodPoles{{{-5.41925f, -5.68479f}, {-5.41925f, 5.68479f}}};
constexpr auto kWoodZeros = origin_zeros<2>();

constexpr std::array<cfloat, 7> kUlpPoles{{{-0.0439823f, 0.04487092f},
                                           {-0.0439823f, -0.04487092f},
                                           {-48.54028f, 149.3916f},
                                           {-48.54028f, -149.3916f},
                                           {-127.0801f, 92.32909f},
                                           {-127.0801f, -92.32909f},
                                           {-157.0796f, 0.0f}}};
constexpr auto kUlpZeros = origin_zeros<2>();

constexpr std::array<cfloat, 5> kWwspPoles{{{-4.04094f, 6.47935f},
                                            {-4.04094f, -6.47935f},
                                            {-9.25238f, 0.0f},
                                            {-7.6743f, 0.0f},
                                            {-16.72981f, 0.0f}}};
constexpr auto kWwspZeros = origin_zeros<3>();

constexpr std::array<cfloat, 4> kWwlpPoles{
    {{-0.257f, 0.3376f}, {-0.257f, -0.3376f}, {-0.06283f, 0.0f}, {-0.06283f, 0.0f}}};
constexpr auto kWwlpZeros = origin_zeros<3>();

constexpr std::array<cfloat, 14> kHglpPoles{{{-0.201f, 0.0f},
                                             {-0.201f, 0.0f},
                                             {-0.1466f, 0.0f},
                                             {-0.2932f, 0.0f},
                                             {-0.05712f, 0.0f},
                                             {-3.928f, 0.0f},
                                             {-0.06823f, 0.0f},
                                             {-0.06823f, 0.0f},
                                             {-0.06283f, 0.0f},
                                             {-0.282f, 0.0f},
                                             {-0.1372f, 0.5919f},
                                             {-0.1372f, -0.5919f},
                                             {-0.3312f, 0.241f},
                                             {-0.3312f, -0.241f}}};
constexpr std::array<cfloat, 7> kHglpZeros{{{0.0f, 1.053f}, {0.0f, -1.053f}, {}, {}, {}, {}, {}}};

constexpr std::array<cfloat, 4> kSts1Poles{{{-0.01234122f, 0.01234146f},
                                            {-0.01234122f, -0.01234146f},
                                            {-39.17566f, 49.12341f},
                                            {-39.17566f, -49.12341f}}};
constexpr auto kSts1Zeros = origin_zeros<3>();

constexpr std::array<cfloat, 14> kBen14Poles{{{-3.71674f, 0.0f},
                                              {-14.1722f, 11.7587f},
                                              {-14.1722f, -11.7587f},
                                              {-21.9911f, 22.4355f},
                                              {-21.9911f, -22.4355f},
                                              {-16.2621f, 60.6909f},
                                              {-16.2621f, -60.6909f},
                                              {-44.4288f, 44.4288f},
                                              {-44.4288f, -44.4288f},
                                              {-60.6909f, 16.2621f},
                                              {-60.6909f, -16.2621f},
                                              {-44.4288f, 44.4288f},
                                              {-44.4288f, -44.4288f},
                                              {-0.0628319f, 0.0f}}};
constexpr auto kBen14Zeros = origin_zeros<5>();

constexpr std::array<cfloat, 14> kAsroPoles{{{-0.209f, 0.00341f},
                                             {-0.209f, -0.00341f},
                                             {-0.129f, 0.27f},
                                             {-0.129f, -0.27f},
                                             {-0.0595f, 0.0236f},
                                             {-0.0595f, -0.0236f},
                                             {-0.159f, 0.594f},
                                             {-0.159f, -0.594f},
                                             {-0.856f, 0.255f},
                                             {-0.856f, -0.255f},
                                             {-0.541f, 0.683f},
                                             {-0.541f, -0.683f},
                                             {-0.63f, 0.0f},
                                             {-0.0885f, 0.0f}}};
constexpr auto kAsroZeros = origin_zeros<4>();

constexpr std::array<cfloat, 5> kSts2Poles{{{-0.03702367f, 0.03702438f},
                                            {-0.03702367f, -0.03702438f},
                                            {-118.6336f, 423.0651f},
                                            {-118.6336f, -423.0651f},
                                            {-251.3274f, 0.0f}}};
constexpr auto kSts2Zeros = origin_zeros<3>();

struct Standard {
    float gain;
    std::span<const cfloat> zeros, poles;
};

// Indexed by the correction option that selects the instrument; option 2 is not a pole-zero
// instrument.
const std::array<Standard, 12> kStandards{{{},
                                           {2.8791e+14f, kBen100Zeros, kBen100Poles},
                                           {},
                                           {2080000.0f, kWoodZeros, kWoodPoles},
                                           {9.46127e+17f, kUlpZeros, kUlpPoles},
                                           {432.834f, kWwspZeros, kWwspPoles},
                                           {0.5985275f, kWwlpZeros, kWwlpPoles},
                                           {3720390.0f, kHglpZeros, kHglpPoles},
                                           {4.18033e+12f, kSts1Zeros, kSts1Poles},
                                           {1.29181e+24f, kBen14Zeros, kBen14Poles},
                                           {4.6366e+07f, kAsroZeros, kAsroPoles},
                                           {2.92692e+16f, kSts2Zeros, kSts2Poles}}};

cfloat standard(int option, float w) {
    const Standard& s = kStandards[static_cast<std::size_t>(option)];
    cfloat value;
    pole_zero_block(s.gain, s.poles, s.zeros, 0, &w, &value, 1);
    return value;
}

} // namespace

bool has_standard_instrument(int option) {
    return option >= 1 && option <= 11 && option != 2;
}

void standard_lines(int option, float dw, int first, std::span<cfloat> values) {
    if (!has_standard_instrument(option)) return;
    const Standard& s = kStandards[static_cast<std::size_t>(option)];
    over_lines(dw, first, values, false, [&](const float* w, cfloat* out, int count) {
        pole_zero_block(s.gain, s.poles, s.zeros, 0, w, out, count);
    });
}

void ben100(cfloat& value, float w) {
    value = standard(1, w);
}
void wood(cfloat& value, float w) {
    value = standard(3, w);
}
void ulp(cfloat& value, float w) {
    value = standard(4, w);
}
void wwsp(cfloat& value, float w) {
    value = standard(5, w);
}
void wwlp(cfloat& value, float w) {
    value = standard(6, w);
}
void hglp(cfloat& value, float w) {
    value = standard(7, w);
}
void sts1(cfloat& value, float w) {
    value = standard(8, w);
}
void ben14(cfloat& value, float w) {
    value = standard(9, w);
}
void asro(cfloat& value, float w) {
    value = standard(10, w);
}
void sts2(cfloat& value, float w) {
    value = standard(11, w);
}

} // namespace tw
