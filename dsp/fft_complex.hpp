#pragma once
// Complex transforms behind the real transform: kernel exp(-i 2 pi j k / m), no scaling, real and
// imaginary parts in separate arrays. Internal to the transform (dsp/fft.cpp).
#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace tw::fft_detail {

// Largest prime factor the mixed-radix transform takes.
constexpr int kLargestPrime = 23;

// Scratch space of two complex arrays of m values each, reused from call to call. The four
// arrays start on cache lines, one line further apart than their length, so that equal offsets in
// them do not compete for the same cache sets.
class Scratch {
  public:
    explicit Scratch(int m);
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    float* re0;
    float* im0;
    float* re1;
    float* im1;

  private:
    std::vector<float> storage_;
};

// Complex transform of one fixed length m.
class ComplexFft {
  public:
    virtual ~ComplexFft() = default;
    // Transforms the m values in_re[step j] + i in_im[step j] and returns the real and imaginary
    // parts of the result, held in scratch. The input may lie in re1 and im1 (the first pass reads
    // it whole and writes re0 and im0), not in re0 or im0.
    virtual std::pair<const float*, const float*> run(const float* in_re, const float* in_im,
                                                      int step, Scratch& scratch) const = 0;
};

// Power-of-two lengths: radix-4 Stockham (self-sorting) decimation in frequency with a final
// radix-2 pass when log2 m is odd. The passes and their twiddle rows are shared with the
// 256-bit kernels (dsp/fft_avx2.cpp), which repeat the same operations in the same order.
class Radix4Fft final : public ComplexFft {
  public:
    explicit Radix4Fft(int m);
    std::pair<const float*, const float*> run(const float* in_re, const float* in_im, int step,
                                              Scratch& scratch) const override;

    int size() const { return m_; }
    // Per radix-4 pass over sub-transforms of length len = m / 4^t, six rows of len/4 values:
    // the real and imaginary parts of exp(-i 2 pi k p / len) for k = 1, 2, 3, p < len/4.
    const std::vector<std::vector<float>>& passes() const { return pass_; }
    // True when log2 m is odd: the last pass is a radix-2 pass over s = m/2.
    bool ends_with_radix2() const { return (m_ >> 2 * pass_.size()) == 2; }

  private:
    int m_;
    std::vector<std::vector<float>> pass_;
};

// Any length whose prime factors are at most kLargestPrime: Stockham decimation in frequency with
// radix-4 passes for the pairs of twos and one pass per remaining prime factor.
class MixedRadixFft final : public ComplexFft {
  public:
    explicit MixedRadixFft(int m);
    std::pair<const float*, const float*> run(const float* in_re, const float* in_im, int step,
                                              Scratch& scratch) const override;

  private:
    struct Pass {
        int radix;
        int len; // length of the sub-transforms this pass splits
        std::array<float, kLargestPrime> cos_root{}, sin_root{}; // of 2 pi t / radix, t < radix
        // exp(-i 2 pi k p / len): row k - 1 (k = 1 .. radix - 1) of len / radix values p
        std::vector<float> w_re, w_im;
    };
    int m_;
    std::vector<Pass> pass_;
};

} // namespace tw::fft_detail
