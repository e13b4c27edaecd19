#pragma once
// Complex radix-2 Fourier transform in double precision, used to shape and filter the
// synthetic signals in the frequency domain.
#include <complex>
#include <vector>

namespace tw::synth {

using Spectrum = std::vector<std::complex<double>>;

// In place, length a power of two. forward: X(k) = sum x(j) exp(-2 pi i j k / N);
// inverse: x(j) = (1/N) sum X(k) exp(+2 pi i j k / N).
void fft(Spectrum& data, bool forward);

// The smallest power of two not less than n.
std::size_t power_of_two_at_least(std::size_t n);

} // namespace tw::synth
