#pragma once
// The power-of-two real transform with 256-bit vectors. These kernels perform the operations of
// the portable code (dsp/fft.cpp, dsp/fft_radix4.cpp) in the same order, only grouped into
// vectors and with fewer passes over memory (the split steps of the real transform ride on the
// first and last complex pass of the inverse), so both give the same bits.
#include "dsp/fft_complex.hpp"

namespace tw::fft_detail {

// True when this build and this processor run the 256-bit kernels for complex length m.
bool avx2_applies(int m);

// The twiddle factors of the split step: exp(-i 2 pi k / n), k = 0 .. m, n = 2m.
struct HalfTwiddles {
    const float* re;
    const float* im;
};

// Forward real transform of n = 2m samples in data (n + 2 reals), scaled by dt.
void avx2_forward(const Radix4Fft& fft, HalfTwiddles half, float* data, float dt, bool exp_minus,
                  Scratch& scratch);
// Inverse real transform; scale is 1 / (n dt).
void avx2_inverse(const Radix4Fft& fft, HalfTwiddles half, float* data, float scale, bool exp_minus,
                  Scratch& scratch);

} // namespace tw::fft_detail
