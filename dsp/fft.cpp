// Real transform through a complex transform of half the length (even samples as real parts,
// odd samples as imaginary parts) and one split step. The complex transform is the power-of-two
// radix-4 one or the mixed-radix one (dsp/fft_complex.hpp); power-of-two lengths run the 256-bit
// kernels (dsp/fft_avx2.hpp) where the processor has them, with the same results.
#include "dsp/fft.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "dsp/fft_avx2.hpp"

namespace tw {

namespace {

bool power_of_two(int n) {
    return n > 0 && (n & (n - 1)) == 0;
}

} // namespace

bool fft_length_supported(int n) {
    if (n < 2 || n > kFftMaxLength || n % 2 != 0) return false;
    int m = n / 2;
    for (int p = 2; p <= fft_detail::kLargestPrime && m > 1; ++p)
        while (m % p == 0)
            m /= p;
    return m == 1;
}

namespace fft_detail {

Scratch::Scratch(int m) {
    constexpr std::size_t line = 16; // floats in a 64-byte cache line
    const std::size_t stride = (static_cast<std::size_t>(m) + line - 1) / line * line + line;
    storage_.resize(4 * stride + line);
    const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
    float* base = storage_.data() + (64 - address % 64) % 64 / sizeof(float);
    re0 = base;
    im0 = base + stride;
    re1 = base + 2 * stride;
    im1 = base + 3 * stride;
}

} // namespace fft_detail

RealFft::RealFft(int n, FftKernels kernels) : n_(n), m_(n / 2), scratch_(n / 2) {
    if (power_of_two(m_)) {
        auto radix4 = std::make_unique<fft_detail::Radix4Fft>(m_);
        if (kernels == FftKernels::fastest && fft_detail::avx2_applies(m_))
            vector_kernels_ = radix4.get();
        complex_ = std::move(radix4);
    } else {
        complex_ = std::make_unique<fft_detail::MixedRadixFft>(m_);
    }
    const double two_pi = 2.0 * std::numbers::pi;
    half_re_.resize(m_ + 1);
    half_im_.resize(m_ + 1);
    for (int k = 0; k <= m_; ++k) {
        const double a = two_pi * k / n_;
        half_re_[k] = static_cast<float>(std::cos(a));
        half_im_[k] = static_cast<float>(-std::sin(a));
    }
}

void RealFft::forward(float* data, float dt, bool exp_minus) {
    if (vector_kernels_) {
        fft_detail::avx2_forward(*vector_kernels_, {half_re_.data(), half_im_.data()}, data, dt,
                                 exp_minus, scratch_);
        return;
    }
    const int m = m_;
    const auto [zr, zi] = complex_->run(data, data + 1, 2, scratch_);
    const float* __restrict wr = half_re_.data();
    const float* __restrict wi = half_im_.data();
    const float h = 0.5f * dt;
    const float sign = exp_minus ? 1.0f : -1.0f;
    // X(k) = (Z(k) + conj Z(m-k)) / 2 - i W^k (Z(k) - conj Z(m-k)) / 2, W = exp(-i 2 pi / n)
    for (int k = 1; k < m; ++k) {
        const float ar = zr[k], ai = zi[k], br = zr[m - k], bi = -zi[m - k];
        const float sr = ar + br, si = ai + bi, dr = ar - br, di = ai - bi;
        data[2 * k] = h * (sr + (wr[k] * di + wi[k] * dr));
        data[2 * k + 1] = sign * (h * (si + (wi[k] * di - wr[k] * dr)));
    }
    const float z0r = zr[0], z0i = zi[0];
    data[0] = dt * (z0r + z0i);
    data[1] = 0.0f;
    data[2 * m] = dt * (z0r - z0i);
    data[2 * m + 1] = 0.0f;
}

void RealFft::inverse(float* data, float dt, bool exp_minus) {
    const float scale = 1.0f / (static_cast<float>(n_) * dt);
    if (vector_kernels_) {
        fft_detail::avx2_inverse(*vector_kernels_, {half_re_.data(), half_im_.data()}, data, scale,
                                 exp_minus, scratch_);
        return;
    }
    const int m = m_;
    const float* __restrict wr = half_re_.data();
    const float* __restrict wi = half_im_.data();
    const float sign = exp_minus ? 1.0f : -1.0f;
    // Z(k) = (X(k) + conj X(m-k)) + i conj(W^k) (X(k) - conj X(m-k)); the inverse complex
    // transform is taken as the forward one of i conj(Z), i.e. with real and imaginary swapped.
    float* __restrict zr = scratch_.im1;
    float* __restrict zi = scratch_.re1;
    zr[0] = data[0] + data[2 * m];
    zi[0] = data[0] - data[2 * m];
    for (int k = 1; k < m; ++k) {
        const float ar = data[2 * k], ai = sign * data[2 * k + 1];
        const float br = data[2 * (m - k)], bi = -(sign * data[2 * (m - k) + 1]);
        const float sr = ar + br, si = ai + bi, dr = ar - br, di = ai - bi;
        zr[k] = sr - (wr[k] * di - wi[k] * dr);
        zi[k] = si + (wr[k] * dr + wi[k] * di);
    }
    const auto [result_re, result_im] = complex_->run(zi, zr, 1, scratch_);
    const float* __restrict outr = result_im;
    const float* __restrict outi = result_re;
    for (int j = 0; j < m; ++j) {
        data[2 * j] = outr[j] * scale;
        data[2 * j + 1] = outi[j] * scale;
    }
}

FftPlanCache& FftPlanCache::process() {
    static FftPlanCache cache;
    return cache;
}

RealFft& FftPlanCache::plan(int n) {
    if (power_of_two(n)) {
        auto& slot =
            by_log2_.at(static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(n))));
        if (!slot) slot = std::make_unique<RealFft>(n);
        return *slot;
    }
    const auto found = std::find_if(others_.begin(), others_.end(),
                                    [n](const auto& plan) { return plan->size() == n; });
    if (found != others_.end()) return **found;
    if (others_.size() == kOtherLengths) others_.erase(others_.begin());
    others_.push_back(std::make_unique<RealFft>(n));
    return *others_.back();
}

std::size_t FftPlanCache::size() const {
    return others_.size() +
           static_cast<std::size_t>(std::count_if(
               by_log2_.begin(), by_log2_.end(), [](const auto& plan) { return plan != nullptr; }));
}

void FftPlanCache::clear() {
    for (auto& slot : by_log2_)
        slot.reset();
    others_.clear();
}

void fftl(std::span<float> data, int n, int direction, float dt, int& ierr) {
    if (!fft_length_supported(n) || data.size() < static_cast<std::size_t>(n) + 2) {
        ierr = 1;
        return;
    }
    RealFft& fft = FftPlanCache::process().plan(n);
    ierr = 0;
    const bool exp_minus = direction < 1;
    if (direction == 2 || direction == -2)
        fft.inverse(data.data(), dt, exp_minus);
    else
        fft.forward(data.data(), dt, exp_minus);
}

} // namespace tw
