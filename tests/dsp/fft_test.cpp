#include "dsp/fft.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

using tw::fftl;

std::vector<float> random_trace(int n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-1000.0f, 1000.0f);
    std::vector<float> x(static_cast<std::size_t>(n) + 2, 0.0f);
    for (int j = 0; j < n; ++j)
        x[j] = dist(gen);
    return x;
}

// Direct evaluation of the scaled transform in double precision.
std::vector<std::complex<double>> naive_dft(const std::vector<float>& x, int n, double dt,
                                            double sign) {
    std::vector<std::complex<double>> out(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k) {
        std::complex<double> sum = 0.0;
        for (int j = 0; j < n; ++j) {
            const double a = sign * 2.0 * std::numbers::pi * static_cast<double>(j) * k / n;
            sum += static_cast<double>(x[j]) * std::complex<double>(std::cos(a), std::sin(a));
        }
        out[k] = dt * sum;
    }
    return out;
}

TEST(Fftl, AgreesWithDirectTransformForBothConventions) {
    const float dt = 0.01f;
    for (int n = 4; n <= 1024; n *= 2) {
        for (int direction : {-1, 1}) {
            auto x = random_trace(n, static_cast<unsigned>(n));
            const auto expected = naive_dft(x, n, dt, direction < 1 ? -1.0 : 1.0);
            double scale = 0.0;
            for (const auto& c : expected)
                scale = std::max(scale, std::abs(c));
            int ierr = 0;
            fftl(x, n, direction, dt, ierr);
            ASSERT_EQ(ierr, 0);
            // rounding error of a single-precision transform grows like log2(n)
            const double tol = scale * 4e-7 * std::log2(n);
            for (int k = 0; k <= n / 2; ++k) {
                EXPECT_NEAR(x[2 * k], expected[k].real(), tol) << "n=" << n << " k=" << k;
                EXPECT_NEAR(x[2 * k + 1], expected[k].imag(), tol) << "n=" << n << " k=" << k;
            }
            EXPECT_EQ(x[1], 0.0f);
            EXPECT_EQ(x[n + 1], 0.0f);
        }
    }
}

TEST(Fftl, RoundTripReturnsTheInput) {
    for (int n = 4; n <= 65536; n *= 2) {
        for (int sign : {-1, 1}) {
            const auto original = random_trace(n, 7u + static_cast<unsigned>(n));
            auto x = original;
            int ierr = 0;
            fftl(x, n, sign, 0.05f, ierr);
            fftl(x, n, 2 * sign, 0.05f, ierr);
            ASSERT_EQ(ierr, 0);
            double worst = 0.0;
            for (int j = 0; j < n; ++j)
                worst = std::max(worst, std::fabs(static_cast<double>(x[j]) - original[j]));
            EXPECT_LT(worst, 1000.0 * 2e-6 * std::log2(n)) << "n=" << n << " sign=" << sign;
        }
    }
}

TEST(Fftl, ConstantImpulseAndCosineGiveTheirAnalyticCoefficients) {
    const int n = 256;
    const float dt = 0.5f;
    int ierr = 0;

    std::vector<float> c(n + 2, 3.0f);
    fftl(c, n, -1, dt, ierr);
    EXPECT_FLOAT_EQ(c[0], n * dt * 3.0f);
    for (int i = 1; i < n + 2; ++i)
        EXPECT_NEAR(c[i], 0.0f, 1e-4f) << i;

    std::vector<float> imp(n + 2, 0.0f);
    imp[0] = 1.0f;
    fftl(imp, n, -1, dt, ierr);
    for (int k = 0; k <= n / 2; ++k) {
        EXPECT_FLOAT_EQ(imp[2 * k], dt) << k;
        EXPECT_EQ(imp[2 * k + 1], 0.0f) << k;
    }
    fftl(imp, n, -2, dt, ierr);
    EXPECT_NEAR(imp[0], 1.0f, 1e-6f);
    for (int j = 1; j < n; ++j)
        EXPECT_NEAR(imp[j], 0.0f, 1e-6f) << j;

    // cos(2 pi 5 j / n) and sin(2 pi 9 j / n): dt n / 2 at bins 5 and 9, real and -i for sine
    std::vector<float> wave(n + 2, 0.0f);
    for (int j = 0; j < n; ++j)
        wave[j] = static_cast<float>(std::cos(2.0 * std::numbers::pi * 5 * j / n) +
                                     std::sin(2.0 * std::numbers::pi * 9 * j / n));
    fftl(wave, n, -1, dt, ierr);
    ASSERT_EQ(ierr, 0);
    for (int k = 0; k <= n / 2; ++k) {
        const float re = k == 5 ? n * dt / 2 : 0.0f;
        const float im = k == 9 ? -n * dt / 2 : 0.0f;
        EXPECT_NEAR(wave[2 * k], re, 1e-4f) << k;
        EXPECT_NEAR(wave[2 * k + 1], im, 1e-4f) << k;
    }
}

TEST(Fftl, RefusesLengthsItCannotTransform) {
    for (int n : {0, 2, 6, 12, 1000, -8}) {
        std::vector<float> x(1002, 1.0f);
        int ierr = 0;
        fftl(x, n, -1, 1.0f, ierr);
        EXPECT_EQ(ierr, 1) << n;
        EXPECT_EQ(x[0], 1.0f) << "data left untouched";
    }
    std::vector<float> short_array(64, 1.0f); // 64 reals cannot hold the 66 of n = 64
    int ierr = 0;
    fftl(short_array, 64, -1, 1.0f, ierr);
    EXPECT_EQ(ierr, 1);
}

TEST(Fftl, ClearsTheStatusOnSuccess) {
    std::vector<float> x(18, 1.0f);
    int ierr = 1;
    fftl(x, 16, -1, 1.0f, ierr);
    EXPECT_EQ(ierr, 0);
    ierr = 1;
    fftl(x, 16, -2, 1.0f, ierr);
    EXPECT_EQ(ierr, 0);
}

} // namespace
