// Power-of-two complex transform, portable version: every processor runs these operations in
// this order, and the 256-bit kernels repeat them exactly, so results do not depend on the
// processor.
#include <cmath>
#include <cstddef>
#include <numbers>
#include <utility>

#include "dsp/fft_complex.hpp"
#include "dsp/vector_clones.hpp"

namespace tw::fft_detail {

namespace {

// First pass (stride 1): the inner loop runs over the twiddle index. The input is read with a
// step of Step reals, so the forward transform takes the samples straight from the caller's
// interleaved array.
template <int Step>
TW_VECTOR_CLONES void radix4_first(int quarter, const float* __restrict xr,
                                   const float* __restrict xi, float* __restrict yr,
                                   float* __restrict yi, const float* __restrict tw) {
    const float* w1r = tw;
    const float* w1i = tw + quarter;
    const float* w2r = tw + 2 * quarter;
    const float* w2i = tw + 3 * quarter;
    const float* w3r = tw + 4 * quarter;
    const float* w3i = tw + 5 * quarter;
    for (int p = 0; p < quarter; ++p) {
        const float ar = xr[Step * p], ai = xi[Step * p];
        const float br = xr[Step * (p + quarter)], bi = xi[Step * (p + quarter)];
        const float cr = xr[Step * (p + 2 * quarter)], ci = xi[Step * (p + 2 * quarter)];
        const float dr = xr[Step * (p + 3 * quarter)], di = xi[Step * (p + 3 * quarter)];
        const float t0r = ar + cr, t0i = ai + ci, t1r = ar - cr, t1i = ai - ci;
        const float t2r = br + dr, t2i = bi + di, t3r = br - dr, t3i = bi - di;
        const float u1r = t1r + t3i, u1i = t1i - t3r; // t1 - i t3
        const float u2r = t0r - t2r, u2i = t0i - t2i;
        const float u3r = t1r - t3i, u3i = t1i + t3r; // t1 + i t3
        yr[4 * p] = t0r + t2r;
        yi[4 * p] = t0i + t2i;
        yr[4 * p + 1] = u1r * w1r[p] - u1i * w1i[p];
        yi[4 * p + 1] = u1r * w1i[p] + u1i * w1r[p];
        yr[4 * p + 2] = u2r * w2r[p] - u2i * w2i[p];
        yi[4 * p + 2] = u2r * w2i[p] + u2i * w2r[p];
        yr[4 * p + 3] = u3r * w3r[p] - u3i * w3i[p];
        yi[4 * p + 3] = u3r * w3i[p] + u3i * w3r[p];
    }
}

// s radix-4 butterflies over contiguous blocks that share one set of twiddle factors.
struct Twiddles {
    float w1r, w1i, w2r, w2i, w3r, w3i;
};

TW_VECTOR_CLONES
void butterfly_block(int s, Twiddles w, const float* __restrict ar, const float* __restrict ai,
                     const float* __restrict br, const float* __restrict bi,
                     const float* __restrict cr, const float* __restrict ci,
                     const float* __restrict dr, const float* __restrict di, float* __restrict y0r,
                     float* __restrict y0i, float* __restrict y1r, float* __restrict y1i,
                     float* __restrict y2r, float* __restrict y2i, float* __restrict y3r,
                     float* __restrict y3i) {
    for (int q = 0; q < s; ++q) {
        const float t0r = ar[q] + cr[q], t0i = ai[q] + ci[q];
        const float t1r = ar[q] - cr[q], t1i = ai[q] - ci[q];
        const float t2r = br[q] + dr[q], t2i = bi[q] + di[q];
        const float t3r = br[q] - dr[q], t3i = bi[q] - di[q];
        const float u1r = t1r + t3i, u1i = t1i - t3r;
        const float u2r = t0r - t2r, u2i = t0i - t2i;
        const float u3r = t1r - t3i, u3i = t1i + t3r;
        y0r[q] = t0r + t2r;
        y0i[q] = t0i + t2i;
        y1r[q] = u1r * w.w1r - u1i * w.w1i;
        y1i[q] = u1r * w.w1i + u1i * w.w1r;
        y2r[q] = u2r * w.w2r - u2i * w.w2i;
        y2i[q] = u2r * w.w2i + u2i * w.w2r;
        y3r[q] = u3r * w.w3r - u3i * w.w3i;
        y3i[q] = u3r * w.w3i + u3i * w.w3r;
    }
}

// Later passes (stride s >= 4): sub-transform p takes inputs at p, p + quarter, ... (in blocks of
// s) and writes outputs 4p .. 4p + 3.
void radix4_pass(int quarter, int s, const float* xr, const float* xi, float* yr, float* yi,
                 const float* tw) {
    const std::ptrdiff_t span = static_cast<std::ptrdiff_t>(s) * quarter;
    for (int p = 0; p < quarter; ++p) {
        const Twiddles w{tw[p],
                         tw[quarter + p],
                         tw[2 * quarter + p],
                         tw[3 * quarter + p],
                         tw[4 * quarter + p],
                         tw[5 * quarter + p]};
        const std::ptrdiff_t in = static_cast<std::ptrdiff_t>(s) * p;
        const std::ptrdiff_t out = 4 * in;
        butterfly_block(s, w, xr + in, xi + in, xr + in + span, xi + in + span, xr + in + 2 * span,
                        xi + in + 2 * span, xr + in + 3 * span, xi + in + 3 * span, yr + out,
                        yi + out, yr + out + s, yi + out + s, yr + out + 2 * s, yi + out + 2 * s,
                        yr + out + 3 * s, yi + out + 3 * s);
    }
}

// Last pass of length 2, in place: its only twiddle factor is 1.
TW_VECTOR_CLONES
void radix2_last(int s, float* __restrict xr, float* __restrict xi) {
    for (int q = 0; q < s; ++q) {
        const float ar = xr[q], ai = xi[q], br = xr[q + s], bi = xi[q + s];
        xr[q] = ar + br;
        xi[q] = ai + bi;
        xr[q + s] = ar - br;
        xi[q + s] = ai - bi;
    }
}

} // namespace

Radix4Fft::Radix4Fft(int m) : m_(m) {
    const double two_pi = 2.0 * std::numbers::pi;
    for (int len = m_; len >= 4; len /= 4) {
        const int quarter = len / 4;
        std::vector<float> rows(6 * static_cast<std::size_t>(quarter));
        for (int p = 0; p < quarter; ++p) {
            for (int k = 1; k <= 3; ++k) {
                const double a = two_pi * k * p / len;
                rows[(2 * k - 2) * quarter + p] = static_cast<float>(std::cos(a));
                rows[(2 * k - 1) * quarter + p] = static_cast<float>(-std::sin(a));
            }
        }
        pass_.push_back(std::move(rows));
    }
}

std::pair<const float*, const float*> Radix4Fft::run(const float* in_re, const float* in_im,
                                                     int step, Scratch& scratch) const {
    float* xr = scratch.re0;
    float* xi = scratch.im0;
    float* yr = scratch.re1;
    float* yi = scratch.im1;
    if (pass_.empty()) { // length 1 or 2
        for (int j = 0; j < m_; ++j) {
            xr[j] = in_re[step * j];
            xi[j] = in_im[step * j];
        }
        if (m_ == 2) radix2_last(1, xr, xi);
        return {xr, xi};
    }
    int len = m_;
    if (step == 2)
        radix4_first<2>(len / 4, in_re, in_im, xr, xi, pass_.front().data());
    else
        radix4_first<1>(len / 4, in_re, in_im, xr, xi, pass_.front().data());
    len /= 4;
    int s = 4;
    for (std::size_t k = 1; k < pass_.size(); ++k) {
        radix4_pass(len / 4, s, xr, xi, yr, yi, pass_[k].data());
        std::swap(xr, yr);
        std::swap(xi, yi);
        len /= 4;
        s *= 4;
    }
    if (len == 2) radix2_last(s, xr, xi);
    return {xr, xi};
}

} // namespace tw::fft_detail
