#pragma once
// Fourier transform of real sequences with physical scaling.
//
// Forward (direction codes below 1):  X(k) = dt * sum_j x(j) exp(-i 2 pi j k / n), k = 0 .. n/2,
// stored in place as the packed half spectrum: data[2k] = Re X(k), data[2k+1] = Im X(k), so the
// array needs n + 2 reals; Im X(0) and Im X(n/2) are exactly 0.
// Inverse: x(j) = 1 / (n dt) * sum over the Hermitian spectrum of X(k) exp(+i 2 pi j k / n).
// Positive direction codes exchange the two exponent signs.
#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <vector>

#include "dsp/fft_complex.hpp"

namespace tw {

// Largest length the transform takes.
constexpr int kFftMaxLength = 1 << 24;

// Lengths the transform handles: even n from 2 to kFftMaxLength whose prime factors are all at
// most 23 (1000 = 2^3 5^3 is one, 2 * 29 is not).
bool fft_length_supported(int n);

// Which code runs a transform. Both give the same bits; the portable one exists so that tests can
// hold the vector kernels to it.
enum class FftKernels { fastest, portable };

// Transform of one fixed length n (fft_length_supported). Twiddle factors and scratch space are
// made once here; the object is therefore not reentrant.
class RealFft {
  public:
    explicit RealFft(int n, FftKernels kernels = FftKernels::fastest);
    int size() const { return n_; }

    // data holds n + 2 reals. exp_minus selects the kernel exp(-i...) for the forward transform.
    void forward(float* data, float dt, bool exp_minus);
    // data[n] and data[n + 1] are left as they are.
    void inverse(float* data, float dt, bool exp_minus);

  private:
    int n_;
    int m_; // complex length n / 2
    std::unique_ptr<fft_detail::ComplexFft> complex_;
    const fft_detail::Radix4Fft* vector_kernels_ = nullptr; // set where the 256-bit kernels run
    std::vector<float> half_re_, half_im_;                  // exp(-i 2 pi k / n), k = 0 .. m
    fft_detail::Scratch scratch_;
};

// The transform plans of the process: one RealFft per length, made when the length is first
// asked for and kept until clear() or the end of the process. Process-wide because making a plan
// (one sine and cosine per line) costs more than a transform, and every trace of a run asks for
// the same few lengths. Every power-of-two length is kept once (25 at most); of other lengths the
// last kOtherLengths asked for, so the memory stays bounded whatever a caller asks. Not
// thread-safe, like the program.
class FftPlanCache {
  public:
    static constexpr std::size_t kOtherLengths = 4;

    // The cache fftl uses.
    static FftPlanCache& process();

    // The plan of a supported length n. The reference stays valid until clear(), or for a length
    // that is not a power of two until kOtherLengths other such lengths have been asked for.
    RealFft& plan(int n);
    // Number of plans held.
    std::size_t size() const;
    // Drops every plan and its memory (for tests, and for a caller that is done transforming).
    void clear();

  private:
    std::array<std::unique_ptr<RealFft>, 25> by_log2_{};
    std::vector<std::unique_ptr<RealFft>> others_; // oldest first
};

// Real transform in place on data[0 .. n+1] with the plan from FftPlanCache::process().
// |direction| == 2 is the inverse, any other magnitude the forward transform; direction < 1 is
// the physical convention. ierr = 0 on success; ierr = 1, with data untouched, when the length is
// not supported or data is shorter than n + 2.
void fftl(std::span<float> data, int n, int direction, float dt, int& ierr);

} // namespace tw
