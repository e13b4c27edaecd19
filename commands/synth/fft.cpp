#include "commands/synth/fft.hpp"

#include <cmath>
#include <numbers>
#include <utility>

namespace tw::synth {

std::size_t power_of_two_at_least(std::size_t n) {
    std::size_t p = 1;
    while (p < n)
        p <<= 1;
    return p;
}

void fft(Spectrum& data, bool forward) {
    const std::size_t n = data.size();
    if (n < 2) return;
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(data[i], data[j]);
    }
    const double sign = forward ? -1.0 : 1.0;
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::size_t half = len / 2;
        // Twiddles straight from cos/sin of each angle, so no error accumulates along a pass.
        std::vector<std::complex<double>> twiddle(half);
        for (std::size_t k = 0; k < half; ++k) {
            const double angle =
                sign * 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(len);
            twiddle[k] = {std::cos(angle), std::sin(angle)};
        }
        for (std::size_t start = 0; start < n; start += len) {
            for (std::size_t k = 0; k < half; ++k) {
                const std::complex<double> odd = twiddle[k] * data[start + k + half];
                data[start + k + half] = data[start + k] - odd;
                data[start + k] += odd;
            }
        }
    }
    if (!forward) {
        const double scale = 1.0 / static_cast<double>(n);
        for (auto& v : data)
            v *= scale;
    }
}

} // namespace tw::synth
