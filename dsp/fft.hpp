#pragma once
// Fourier transform of real sequences with physical scaling.
//
// Forward (direction codes below 1):  X(k) = dt * sum_j x(j) exp(-i 2 pi j k / n), k = 0 .. n/2,
// stored in place as the packed half spectrum: data[2k] = Re X(k), data[2k+1] = Im X(k), so the
// array needs n + 2 reals; Im X(0) and Im X(n/2) are exactly 0.
// Inverse: x(j) = 1 / (n dt) * sum over the Hermitian spectrum of X(k) exp(+i 2 pi j k / n).
// Positive direction codes exchange the two exponent signs.
#include <array>
#include <memory>
#include <span>
#include <utility>
#include <vector>

namespace tw {

// Lengths the transform handles: powers of two from 4 to 2^24.
bool fft_length_supported(int n);

// Transform of one fixed length n. Twiddle factors and scratch space are made once here; the
// object is therefore not reentrant.
class RealFft {
  public:
    explicit RealFft(int n);
    int size() const { return n_; }

    // data holds n + 2 reals. exp_minus selects the kernel exp(-i...) for the forward transform.
    void forward(float* data, float dt, bool exp_minus);
    void inverse(float* data, float dt, bool exp_minus);

  private:
    // Complex transform with kernel exp(-i 2 pi j k / m) of the m values in_re[step j] +
    // i in_im[step j] (which must not lie in buf_); returns the real and imaginary parts of the
    // result, held in the scratch arrays.
    std::pair<const float*, const float*> complex_forward(const float* in_re, const float* in_im,
                                                          int step);

    int n_;                                // real length
    int m_;                                // complex length n / 2
    std::vector<std::vector<float>> pass_; // per radix-4 pass: six twiddle rows of length len/4
    std::vector<float> half_re_, half_im_; // exp(-i 2 pi k / n), k = 0 .. m
    std::vector<float> buf_re_, buf_im_, tmp_re_, tmp_im_;
};

// One RealFft per power-of-two length, made on first use and kept for the run.
class FftPlans {
  public:
    RealFft& plan(int n);

  private:
    std::array<std::unique_ptr<RealFft>, 25> by_log2_{};
};

// Real transform in place on data[0 .. n+1]. |direction| == 2 is the inverse, any other magnitude
// the forward transform; direction < 1 is the physical convention. ierr = 0 on success; ierr = 1,
// with data untouched, when the length is not supported or data is shorter than n + 2.
void fftl(std::span<float> data, int n, int direction, float dt, int& ierr);

} // namespace tw
