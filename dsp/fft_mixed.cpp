// Mixed-radix complex transform for lengths whose prime factors are at most 23. Each pass splits
// sub-transforms of length len = radix * groups: output k of butterfly (p, q) is
//   y[radix s p + k s + q] = exp(-i 2 pi k p / len) * sum_j x[s p + q + j s groups] W^(j k),
// W = exp(-i 2 pi / radix), s = m / len, so the result comes out in natural order.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <numbers>
#include <utility>

#include "dsp/fft_complex.hpp"

namespace tw::fft_detail {

namespace {

// Four lanes of q side by side where the stride allows; GCC and Clang lower this to the vector
// registers of the target, and every lane sees the operations of the scalar code.
using Float4 = float __attribute__((vector_size(16)));

template <typename V> inline V load(const float* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <typename V> inline void store(float* p, V v) {
    std::memcpy(p, &v, sizeof v);
}

// The radix-point transform of x in place, for the radices 2, 3, 4 and the odd primes up to 23;
// cos_root and sin_root hold cos and sin of 2 pi t / R.
template <int R, typename V>
inline void butterfly(const float* cos_root, const float* sin_root, V (&xr)[R], V (&xi)[R]) {
    if constexpr (R == 2) {
        const V ar = xr[0], ai = xi[0];
        xr[0] = ar + xr[1];
        xi[0] = ai + xi[1];
        xr[1] = ar - xr[1];
        xi[1] = ai - xi[1];
    } else if constexpr (R == 4) {
        const V t0r = xr[0] + xr[2], t0i = xi[0] + xi[2];
        const V t1r = xr[0] - xr[2], t1i = xi[0] - xi[2];
        const V t2r = xr[1] + xr[3], t2i = xi[1] + xi[3];
        const V t3r = xr[1] - xr[3], t3i = xi[1] - xi[3];
        xr[0] = t0r + t2r;
        xi[0] = t0i + t2i;
        xr[1] = t1r + t3i; // t1 - i t3
        xi[1] = t1i - t3r;
        xr[2] = t0r - t2r;
        xi[2] = t0i - t2i;
        xr[3] = t1r - t3i; // t1 + i t3
        xi[3] = t1i + t3r;
    } else {
        // Inputs j and R - j enter as their sum a_j and difference b_j: output k is
        // x0 + sum a_j cos(2 pi j k / R) - i sum b_j sin(2 pi j k / R), output R - k the same
        // with + i.
        constexpr int half = R / 2;
        V ar[half + 1], ai[half + 1], br[half + 1], bi[half + 1];
        V y0r = xr[0], y0i = xi[0];
#pragma GCC unroll 16
        for (int j = 1; j <= half; ++j) {
            ar[j] = xr[j] + xr[R - j];
            ai[j] = xi[j] + xi[R - j];
            br[j] = xr[j] - xr[R - j];
            bi[j] = xi[j] - xi[R - j];
            y0r += ar[j];
            y0i += ai[j];
        }
#pragma GCC unroll 16
        for (int k = 1; k <= half; ++k) {
            V cr = xr[0], ci = xi[0], sr{}, si{};
#pragma GCC unroll 16
            for (int j = 1; j <= half; ++j) {
                const int t = j * k % R;
                cr += ar[j] * cos_root[t];
                ci += ai[j] * cos_root[t];
                sr += br[j] * sin_root[t];
                si += bi[j] * sin_root[t];
            }
            xr[k] = cr + si;
            xi[k] = ci - sr;
            xr[R - k] = cr - si;
            xi[R - k] = ci + sr;
        }
        xr[0] = y0r;
        xi[0] = y0i;
    }
}

// Arrays of one pass: input with its step (2 when the first pass reads the caller's interleaved
// array), output, twiddle rows and roots.
struct PassData {
    const float* xr;
    const float* xi;
    std::ptrdiff_t step;
    float* yr;
    float* yi;
    const float* w_re;
    const float* w_im;
    const float* cos_root;
    const float* sin_root;
};

// Butterfly (p, q) of a pass with stride s, on lanes q .. q + lanes(V) - 1; wr[k], wi[k] are the
// twiddle factors of p.
template <int R, typename V>
inline void butterfly_at(std::ptrdiff_t p, std::ptrdiff_t q, std::ptrdiff_t s, std::ptrdiff_t span,
                         const PassData& d, const float (&wr)[R], const float (&wi)[R]) {
    V vr[R], vi[R];
#pragma GCC unroll 32
    for (int j = 0; j < R; ++j) {
        vr[j] = load<V>(d.xr + d.step * (s * p + q + j * span));
        vi[j] = load<V>(d.xi + d.step * (s * p + q + j * span));
    }
    butterfly<R>(d.cos_root, d.sin_root, vr, vi);
    float* outr = d.yr + R * s * p + q;
    float* outi = d.yi + R * s * p + q;
    store(outr, vr[0]);
    store(outi, vi[0]);
#pragma GCC unroll 32
    for (int k = 1; k < R; ++k) {
        store(outr + k * s, vr[k] * wr[k] - vi[k] * wi[k]);
        store(outi + k * s, vr[k] * wi[k] + vi[k] * wr[k]);
    }
}

// One radix-R pass over sub-transforms of length R * groups with stride s.
template <int R> void radix_pass(std::ptrdiff_t groups, std::ptrdiff_t s, const PassData& d) {
    const std::ptrdiff_t span = s * groups;
    for (std::ptrdiff_t p = 0; p < groups; ++p) {
        float wr[R], wi[R];
        wr[0] = 1.0f;
        wi[0] = 0.0f;
        for (int k = 1; k < R; ++k) {
            wr[k] = d.w_re[(k - 1) * groups + p];
            wi[k] = d.w_im[(k - 1) * groups + p];
        }
        std::ptrdiff_t q = 0;
        if (d.step == 1)
            for (; q + 4 <= s; q += 4)
                butterfly_at<R, Float4>(p, q, s, span, d, wr, wi);
        for (; q < s; ++q)
            butterfly_at<R, float>(p, q, s, span, d, wr, wi);
    }
}

void radix_pass(int radix, std::ptrdiff_t groups, std::ptrdiff_t s, const PassData& d) {
    switch (radix) {
    case 2:
        return radix_pass<2>(groups, s, d);
    case 3:
        return radix_pass<3>(groups, s, d);
    case 4:
        return radix_pass<4>(groups, s, d);
    case 5:
        return radix_pass<5>(groups, s, d);
    case 7:
        return radix_pass<7>(groups, s, d);
    case 11:
        return radix_pass<11>(groups, s, d);
    case 13:
        return radix_pass<13>(groups, s, d);
    case 17:
        return radix_pass<17>(groups, s, d);
    case 19:
        return radix_pass<19>(groups, s, d);
    default:
        return radix_pass<23>(groups, s, d);
    }
}

// The prime factors of m (all at most kLargestPrime) in ascending order.
std::vector<int> prime_factors(int m) {
    std::vector<int> factors;
    for (int p = 2; p <= kLargestPrime && m > 1; ++p) {
        while (m % p == 0) {
            factors.push_back(p);
            m /= p;
        }
    }
    return factors;
}

} // namespace

MixedRadixFft::MixedRadixFft(int m) : m_(m) {
    std::vector<int> radices;
    const std::vector<int> primes = prime_factors(m);
    std::size_t twos = 0;
    while (twos < primes.size() && primes[twos] == 2)
        ++twos;
    for (std::size_t i = 0; i + 1 < twos; i += 2)
        radices.push_back(4);
    if (twos % 2 == 1) radices.push_back(2);
    radices.insert(radices.end(), primes.begin() + static_cast<std::ptrdiff_t>(twos), primes.end());

    const double two_pi = 2.0 * std::numbers::pi;
    int len = m_;
    for (int radix : radices) {
        Pass pass{radix, len, {}, {}, {}, {}};
        for (int t = 0; t < radix; ++t) {
            const double a = two_pi * t / radix;
            pass.cos_root[t] = static_cast<float>(std::cos(a));
            pass.sin_root[t] = static_cast<float>(std::sin(a));
        }
        const int groups = len / radix;
        const std::size_t size = static_cast<std::size_t>(radix - 1) * groups;
        pass.w_re.resize(size);
        pass.w_im.resize(size);
        for (int k = 1; k < radix; ++k) {
            for (int p = 0; p < groups; ++p) {
                const double a = two_pi * k * p / len;
                const std::size_t at = static_cast<std::size_t>(k - 1) * groups + p;
                pass.w_re[at] = static_cast<float>(std::cos(a));
                pass.w_im[at] = static_cast<float>(-std::sin(a));
            }
        }
        pass_.push_back(std::move(pass));
        len = groups;
    }
}

std::pair<const float*, const float*> MixedRadixFft::run(const float* in_re, const float* in_im,
                                                         int step, Scratch& scratch) const {
    float* yr = scratch.re0;
    float* yi = scratch.im0;
    float* zr = scratch.re1;
    float* zi = scratch.im1;
    std::ptrdiff_t in_step = step; // the first pass reads the caller's array
    const float* xr = in_re;
    const float* xi = in_im;
    if (pass_.empty()) { // length 1
        yr[0] = xr[0];
        yi[0] = xi[0];
        return {yr, yi};
    }
    for (const Pass& pass : pass_) {
        const std::ptrdiff_t s = m_ / pass.len;
        radix_pass(pass.radix, pass.len / pass.radix, s,
                   {xr, xi, in_step, yr, yi, pass.w_re.data(), pass.w_im.data(),
                    pass.cos_root.data(), pass.sin_root.data()});
        xr = yr;
        xi = yi;
        in_step = 1;
        std::swap(yr, zr);
        std::swap(yi, zi);
    }
    return {xr, xi};
}

} // namespace tw::fft_detail
