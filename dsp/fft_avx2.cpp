// 256-bit kernels of the power-of-two real transform. Eight butterflies of one pass run side by
// side, with exactly the additions, subtractions and products of the portable code, in the
// same order; products and sums are never fused. The compiler is told to use the 256-bit
// instructions for these functions only, and they run only after the processor has said that it
// has them.
#include "dsp/fft_avx2.hpp"

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)

#include <immintrin.h>

#include <cstddef>
#include <utility>

#pragma GCC push_options
#pragma GCC target("avx2")

namespace tw::fft_detail {

namespace {

using std::ptrdiff_t;

// Eight complex values, real and imaginary parts.
struct Cv {
    __m256 r, i;
};

inline __m256 load(const float* p) {
    return _mm256_loadu_ps(p);
}
inline void store(float* p, __m256 v) {
    _mm256_storeu_ps(p, v);
}
inline Cv load(const float* re, const float* im) {
    return {load(re), load(im)};
}
inline void store(float* re, float* im, Cv v) {
    store(re, v.r);
    store(im, v.i);
}
inline __m256 add(__m256 a, __m256 b) {
    return _mm256_add_ps(a, b);
}
inline __m256 sub(__m256 a, __m256 b) {
    return _mm256_sub_ps(a, b);
}
inline __m256 mul(__m256 a, __m256 b) {
    return _mm256_mul_ps(a, b);
}
inline Cv add(Cv a, Cv b) {
    return {add(a.r, b.r), add(a.i, b.i)};
}
inline Cv sub(Cv a, Cv b) {
    return {sub(a.r, b.r), sub(a.i, b.i)};
}

// Lanes in reverse order.
inline __m256 reverse(__m256 v) {
    return _mm256_permutevar8x32_ps(v, _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0));
}

// Sixteen interleaved reals (re, im, re, im, ...) as eight complex values, and back.
inline Cv load_interleaved(const float* p) {
    const __m256 v0 = load(p), v1 = load(p + 8);
    const __m256 re = _mm256_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0)); // 0 1 4 5 | 2 3 6 7
    const __m256 im = _mm256_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1));
    constexpr int order = _MM_SHUFFLE(3, 1, 2, 0);
    return {_mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(re), order)),
            _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(im), order))};
}
inline void store_interleaved(float* p, __m256 re, __m256 im) {
    const __m256 lo = _mm256_unpacklo_ps(re, im); // 0 1 | 4 5
    const __m256 hi = _mm256_unpackhi_ps(re, im); // 2 3 | 6 7
    store(p, _mm256_permute2f128_ps(lo, hi, 0x20));
    store(p + 8, _mm256_permute2f128_ps(lo, hi, 0x31));
}

// out[4 l + k] = y_k[l] for the eight lanes l of y0 .. y3.
inline void store_transposed(float* out, __m256 y0, __m256 y1, __m256 y2, __m256 y3) {
    const __m256 t0 = _mm256_unpacklo_ps(y0, y1);
    const __m256 t1 = _mm256_unpackhi_ps(y0, y1);
    const __m256 t2 = _mm256_unpacklo_ps(y2, y3);
    const __m256 t3 = _mm256_unpackhi_ps(y2, y3);
    const __m256 v0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0)); // lanes 0 | 4
    const __m256 v1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2)); // lanes 1 | 5
    const __m256 v2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0)); // lanes 2 | 6
    const __m256 v3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2)); // lanes 3 | 7
    store(out, _mm256_permute2f128_ps(v0, v1, 0x20));
    store(out + 8, _mm256_permute2f128_ps(v2, v3, 0x20));
    store(out + 16, _mm256_permute2f128_ps(v0, v1, 0x31));
    store(out + 24, _mm256_permute2f128_ps(v2, v3, 0x31));
}

// The three twiddle factors of eight butterflies.
struct Twiddles {
    __m256 w1r, w1i, w2r, w2i, w3r, w3i;
};

// Rows of one pass (see Radix4Fft::passes) at p: one factor for all lanes, or lanes p .. p+7.
inline Twiddles broadcast_twiddles(const float* tw, ptrdiff_t quarter, ptrdiff_t p) {
    return {_mm256_broadcast_ss(tw + p),
            _mm256_broadcast_ss(tw + quarter + p),
            _mm256_broadcast_ss(tw + 2 * quarter + p),
            _mm256_broadcast_ss(tw + 3 * quarter + p),
            _mm256_broadcast_ss(tw + 4 * quarter + p),
            _mm256_broadcast_ss(tw + 5 * quarter + p)};
}
inline Twiddles load_twiddles(const float* tw, ptrdiff_t quarter, ptrdiff_t p) {
    return {load(tw + p),
            load(tw + quarter + p),
            load(tw + 2 * quarter + p),
            load(tw + 3 * quarter + p),
            load(tw + 4 * quarter + p),
            load(tw + 5 * quarter + p)};
}

// u * w as the portable code forms it.
inline Cv rotate(Cv u, __m256 wr, __m256 wi) {
    return {sub(mul(u.r, wr), mul(u.i, wi)), add(mul(u.r, wi), mul(u.i, wr))};
}

struct Outputs {
    Cv y0, y1, y2, y3;
};

// Radix-4 butterfly of decimation in frequency: y_k = w_k sum_j x_j (-i)^(j k).
inline Outputs butterfly(Cv a, Cv b, Cv c, Cv d, const Twiddles& w) {
    const Cv t0 = add(a, c), t1 = sub(a, c), t2 = add(b, d), t3 = sub(b, d);
    const Cv u1{add(t1.r, t3.i), sub(t1.i, t3.r)}; // t1 - i t3
    const Cv u2 = sub(t0, t2);
    const Cv u3{sub(t1.r, t3.i), add(t1.i, t3.r)}; // t1 + i t3
    return {add(t0, t2), rotate(u1, w.w1r, w.w1i), rotate(u2, w.w2r, w.w2i),
            rotate(u3, w.w3r, w.w3i)};
}

// First pass of the forward transform: the samples straight from the caller's interleaved
// array (even samples as real parts, odd as imaginary parts); outputs 4p .. 4p+3.
void first_pass_forward(ptrdiff_t quarter, const float* data, float* yr, float* yi,
                        const float* tw) {
    for (ptrdiff_t p = 0; p < quarter; p += 8) {
        const Cv a = load_interleaved(data + 2 * p);
        const Cv b = load_interleaved(data + 2 * (p + quarter));
        const Cv c = load_interleaved(data + 2 * (p + 2 * quarter));
        const Cv d = load_interleaved(data + 2 * (p + 3 * quarter));
        const Outputs y = butterfly(a, b, c, d, load_twiddles(tw, quarter, p));
        store_transposed(yr + 4 * p, y.y0.r, y.y1.r, y.y2.r, y.y3.r);
        store_transposed(yi + 4 * p, y.y0.i, y.y1.i, y.y2.i, y.y3.i);
    }
}

// The split step of the inverse for lines k .. k+7 (k + 7 < m; k = 0 is mended by the caller):
// Z(k) = (X(k) + conj X(m-k)) + i conj(W^k) (X(k) - conj X(m-k)), X with the sign of its
// imaginary parts set by the direction.
struct InverseSplit {
    const float* data;
    HalfTwiddles half;
    ptrdiff_t m;
    __m256 sign;

    Cv at(ptrdiff_t k) const {
        const Cv x = load_interleaved(data + 2 * k);
        const Cv y = load_interleaved(data + 2 * (m - k - 7));
        const __m256 ar = x.r, ai = mul(sign, x.i);
        const __m256 br = reverse(y.r), nbi = mul(sign, reverse(y.i)); // nbi = -bi
        const __m256 sr = add(ar, br), si = sub(ai, nbi), dr = sub(ar, br), di = add(ai, nbi);
        const __m256 wr = load(half.re + k), wi = load(half.im + k);
        return {sub(sr, sub(mul(wr, di), mul(wi, dr))), add(si, add(mul(wr, dr), mul(wi, di)))};
    }
};

// First pass of the inverse: the split step computes its inputs on the fly. The complex
// transform runs forward on i conj(Z), so real and imaginary parts enter exchanged.
void first_pass_inverse(ptrdiff_t quarter, const InverseSplit& split, float* yr, float* yi,
                        const float* tw) {
    const float* data = split.data;
    for (ptrdiff_t p = 0; p < quarter; p += 8) {
        Cv z0 = split.at(p);
        if (p == 0) { // line 0 pairs with the Nyquist line
            const ptrdiff_t nyquist = 2 * split.m;
            z0.r = _mm256_blend_ps(z0.r, _mm256_set1_ps(data[0] + data[nyquist]), 1);
            z0.i = _mm256_blend_ps(z0.i, _mm256_set1_ps(data[0] - data[nyquist]), 1);
        }
        const Cv z1 = split.at(p + quarter);
        const Cv z2 = split.at(p + 2 * quarter);
        const Cv z3 = split.at(p + 3 * quarter);
        const Outputs y = butterfly({z0.i, z0.r}, {z1.i, z1.r}, {z2.i, z2.r}, {z3.i, z3.r},
                                    load_twiddles(tw, quarter, p));
        store_transposed(yr + 4 * p, y.y0.r, y.y1.r, y.y2.r, y.y3.r);
        store_transposed(yi + 4 * p, y.y0.i, y.y1.i, y.y2.i, y.y3.i);
    }
}

// Second pass (stride 4): lanes 0-3 hold butterfly p, lanes 4-7 butterfly p + 1.
void pass_stride4(ptrdiff_t quarter, const float* xr, const float* xi, float* yr, float* yi,
                  const float* tw) {
    const ptrdiff_t span = 4 * quarter;
    const __m256i pick[4] = {
        _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1), _mm256_setr_epi32(2, 2, 2, 2, 3, 3, 3, 3),
        _mm256_setr_epi32(4, 4, 4, 4, 5, 5, 5, 5), _mm256_setr_epi32(6, 6, 6, 6, 7, 7, 7, 7)};
    for (ptrdiff_t p = 0; p < quarter; p += 8) {
        const Twiddles rows = load_twiddles(tw, quarter, p);
        for (int h = 0; h < 4; ++h) {
            const __m256i lanes = pick[h];
            const Twiddles w{_mm256_permutevar8x32_ps(rows.w1r, lanes),
                             _mm256_permutevar8x32_ps(rows.w1i, lanes),
                             _mm256_permutevar8x32_ps(rows.w2r, lanes),
                             _mm256_permutevar8x32_ps(rows.w2i, lanes),
                             _mm256_permutevar8x32_ps(rows.w3r, lanes),
                             _mm256_permutevar8x32_ps(rows.w3i, lanes)};
            const ptrdiff_t in = 4 * (p + 2 * h);
            const Cv a = load(xr + in, xi + in);
            const Cv b = load(xr + in + span, xi + in + span);
            const Cv c = load(xr + in + 2 * span, xi + in + 2 * span);
            const Cv d = load(xr + in + 3 * span, xi + in + 3 * span);
            const Outputs y = butterfly(a, b, c, d, w);
            float* outr = yr + 4 * in;
            float* outi = yi + 4 * in;
            store(outr, _mm256_permute2f128_ps(y.y0.r, y.y1.r, 0x20));
            store(outr + 8, _mm256_permute2f128_ps(y.y2.r, y.y3.r, 0x20));
            store(outr + 16, _mm256_permute2f128_ps(y.y0.r, y.y1.r, 0x31));
            store(outr + 24, _mm256_permute2f128_ps(y.y2.r, y.y3.r, 0x31));
            store(outi, _mm256_permute2f128_ps(y.y0.i, y.y1.i, 0x20));
            store(outi + 8, _mm256_permute2f128_ps(y.y2.i, y.y3.i, 0x20));
            store(outi + 16, _mm256_permute2f128_ps(y.y0.i, y.y1.i, 0x31));
            store(outi + 24, _mm256_permute2f128_ps(y.y2.i, y.y3.i, 0x31));
        }
    }
}

// Later passes (stride s, a multiple of 8): eight values of q share the twiddle factors of p.
void pass_wide(ptrdiff_t quarter, ptrdiff_t s, const float* xr, const float* xi, float* yr,
               float* yi, const float* tw) {
    const ptrdiff_t span = s * quarter;
    for (ptrdiff_t p = 0; p < quarter; ++p) {
        const Twiddles w = broadcast_twiddles(tw, quarter, p);
        const ptrdiff_t in = s * p;
        const ptrdiff_t out = 4 * in;
        for (ptrdiff_t q = 0; q < s; q += 8) {
            const Cv a = load(xr + in + q, xi + in + q);
            const Cv b = load(xr + in + span + q, xi + in + span + q);
            const Cv c = load(xr + in + 2 * span + q, xi + in + 2 * span + q);
            const Cv d = load(xr + in + 3 * span + q, xi + in + 3 * span + q);
            const Outputs y = butterfly(a, b, c, d, w);
            store(yr + out + q, yi + out + q, y.y0);
            store(yr + out + s + q, yi + out + s + q, y.y1);
            store(yr + out + 2 * s + q, yi + out + 2 * s + q, y.y2);
            store(yr + out + 3 * s + q, yi + out + 3 * s + q, y.y3);
        }
    }
}

// Last pass of length 2 (its twiddle factor is 1).
void radix2_pass(ptrdiff_t s, const float* xr, const float* xi, float* yr, float* yi) {
    for (ptrdiff_t q = 0; q < s; q += 8) {
        const Cv a = load(xr + q, xi + q), b = load(xr + s + q, xi + s + q);
        store(yr + q, yi + q, add(a, b));
        store(yr + s + q, yi + s + q, sub(a, b));
    }
}

// Result line j of the inverse's complex transform into the caller's array: the exchanged real
// and imaginary parts, times scale.
inline void store_result(float* data, ptrdiff_t j, Cv y, __m256 scale) {
    store_interleaved(data + 2 * j, mul(y.i, scale), mul(y.r, scale));
}

// Last radix-4 pass of the inverse (one butterfly set, stride s), written to the caller's array.
void last_pass_inverse(ptrdiff_t s, const float* xr, const float* xi, float* data, float scale,
                       const float* tw) {
    const Twiddles w = broadcast_twiddles(tw, 1, 0);
    const __m256 f = _mm256_set1_ps(scale);
    for (ptrdiff_t q = 0; q < s; q += 8) {
        const Cv a = load(xr + q, xi + q);
        const Cv b = load(xr + s + q, xi + s + q);
        const Cv c = load(xr + 2 * s + q, xi + 2 * s + q);
        const Cv d = load(xr + 3 * s + q, xi + 3 * s + q);
        const Outputs y = butterfly(a, b, c, d, w);
        store_result(data, q, y.y0, f);
        store_result(data, s + q, y.y1, f);
        store_result(data, 2 * s + q, y.y2, f);
        store_result(data, 3 * s + q, y.y3, f);
    }
}

// Last radix-2 pass of the inverse, written to the caller's array.
void radix2_last_inverse(ptrdiff_t s, const float* xr, const float* xi, float* data, float scale) {
    const __m256 f = _mm256_set1_ps(scale);
    for (ptrdiff_t q = 0; q < s; q += 8) {
        const Cv a = load(xr + q, xi + q), b = load(xr + s + q, xi + s + q);
        store_result(data, q, add(a, b), f);
        store_result(data, s + q, sub(a, b), f);
    }
}

// The split step of the forward transform (see RealFft::forward for the formula).
void split_forward(ptrdiff_t m, const float* zr, const float* zi, HalfTwiddles half, float* data,
                   float dt, bool exp_minus) {
    const float h = 0.5f * dt;
    const float sign = exp_minus ? 1.0f : -1.0f;
    const __m256 hv = _mm256_set1_ps(h), sv = _mm256_set1_ps(sign);
    ptrdiff_t k = 1;
    for (; k + 8 <= m; k += 8) {
        const __m256 ar = load(zr + k), ai = load(zi + k);
        const __m256 br = reverse(load(zr + m - k - 7));
        const __m256 nbi = reverse(load(zi + m - k - 7)); // -bi
        const __m256 sr = add(ar, br), si = sub(ai, nbi), dr = sub(ar, br), di = add(ai, nbi);
        const __m256 wr = load(half.re + k), wi = load(half.im + k);
        const __m256 re = mul(hv, add(sr, add(mul(wr, di), mul(wi, dr))));
        const __m256 im = mul(sv, mul(hv, add(si, sub(mul(wi, di), mul(wr, dr)))));
        store_interleaved(data + 2 * k, re, im);
    }
    for (; k < m; ++k) {
        const float ar = zr[k], ai = zi[k], br = zr[m - k], bi = -zi[m - k];
        const float sr = ar + br, si = ai + bi, dr = ar - br, di = ai - bi;
        data[2 * k] = h * (sr + (half.re[k] * di + half.im[k] * dr));
        data[2 * k + 1] = sign * (h * (si + (half.im[k] * di - half.re[k] * dr)));
    }
    const float z0r = zr[0], z0i = zi[0];
    data[0] = dt * (z0r + z0i);
    data[1] = 0.0f;
    data[2 * m] = dt * (z0r - z0i);
    data[2 * m + 1] = 0.0f;
}

} // namespace

void avx2_forward(const Radix4Fft& fft, HalfTwiddles half, float* data, float dt, bool exp_minus,
                  Scratch& scratch) {
    const auto& passes = fft.passes();
    const ptrdiff_t m = fft.size();
    float* xr = scratch.re0;
    float* xi = scratch.im0;
    float* yr = scratch.re1;
    float* yi = scratch.im1;
    first_pass_forward(m / 4, data, xr, xi, passes[0].data());
    ptrdiff_t len = m / 4, s = 4;
    for (std::size_t t = 1; t < passes.size(); ++t) {
        if (s == 4)
            pass_stride4(len / 4, xr, xi, yr, yi, passes[t].data());
        else
            pass_wide(len / 4, s, xr, xi, yr, yi, passes[t].data());
        std::swap(xr, yr);
        std::swap(xi, yi);
        len /= 4;
        s *= 4;
    }
    if (len == 2) {
        radix2_pass(s, xr, xi, yr, yi);
        std::swap(xr, yr);
        std::swap(xi, yi);
    }
    split_forward(m, xr, xi, half, data, dt, exp_minus);
}

void avx2_inverse(const Radix4Fft& fft, HalfTwiddles half, float* data, float scale, bool exp_minus,
                  Scratch& scratch) {
    const auto& passes = fft.passes();
    const ptrdiff_t m = fft.size();
    float* xr = scratch.re0;
    float* xi = scratch.im0;
    float* yr = scratch.re1;
    float* yi = scratch.im1;
    const InverseSplit split{data, half, m, _mm256_set1_ps(exp_minus ? 1.0f : -1.0f)};
    first_pass_inverse(m / 4, split, xr, xi, passes[0].data());
    ptrdiff_t len = m / 4, s = 4;
    const bool radix2 = fft.ends_with_radix2();
    for (std::size_t t = 1; t < passes.size(); ++t) {
        if (t + 1 == passes.size() && !radix2) {
            last_pass_inverse(s, xr, xi, data, scale, passes[t].data());
            return;
        }
        if (s == 4)
            pass_stride4(len / 4, xr, xi, yr, yi, passes[t].data());
        else
            pass_wide(len / 4, s, xr, xi, yr, yi, passes[t].data());
        std::swap(xr, yr);
        std::swap(xi, yi);
        len /= 4;
        s *= 4;
    }
    radix2_last_inverse(s, xr, xi, data, scale);
}

} // namespace tw::fft_detail

#pragma GCC pop_options

namespace tw::fft_detail {

// Compiled for every processor: it decides whether the functions above may run.
bool avx2_applies(int m) {
    static const bool has_avx2 = [] {
        __builtin_cpu_init(); // in case the first transform runs before the constructors
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has_avx2 && m >= 128;
}

} // namespace tw::fft_detail

#else // no 256-bit kernels in this build

namespace tw::fft_detail {

bool avx2_applies(int) {
    return false;
}
void avx2_forward(const Radix4Fft&, HalfTwiddles, float*, float, bool, Scratch&) {}
void avx2_inverse(const Radix4Fft&, HalfTwiddles, float*, float, bool, Scratch&) {}

} // namespace tw::fft_detail

#endif
