#include "dsp/fft.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
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

// Direct evaluation of the scaled transform in double precision at the lines k of `lines`.
std::vector<std::complex<double>> naive_dft(const std::vector<float>& x, int n, double dt,
                                            double sign, const std::vector<int>& lines) {
    std::vector<std::complex<double>> root(n);
    for (int t = 0; t < n; ++t) {
        const double a = sign * 2.0 * std::numbers::pi * t / n;
        root[t] = {std::cos(a), std::sin(a)};
    }
    std::vector<std::complex<double>> out;
    for (int k : lines) {
        std::complex<double> sum = 0.0;
        long long t = 0;
        for (int j = 0; j < n; ++j, t = (t + k) % n)
            sum += static_cast<double>(x[j]) * root[t];
        out.push_back(dt * sum);
    }
    return out;
}

std::vector<int> all_lines(int n) {
    std::vector<int> lines(n / 2 + 1);
    for (int k = 0; k <= n / 2; ++k)
        lines[k] = k;
    return lines;
}

std::vector<std::complex<double>> naive_dft(const std::vector<float>& x, int n, double dt,
                                            double sign) {
    return naive_dft(x, n, dt, sign, all_lines(n));
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

TEST(Fftl, ClearsTheStatusOnSuccess) {
    std::vector<float> x(18, 1.0f);
    int ierr = 1;
    fftl(x, 16, -1, 1.0f, ierr);
    EXPECT_EQ(ierr, 0);
    ierr = 1;
    fftl(x, 16, -2, 1.0f, ierr);
    EXPECT_EQ(ierr, 0);
}

// Even lengths whose prime factors are at most 23, beside the powers of two.
TEST(Fftl, MixedLengthsAgreeWithDirectTransform) {
    const float dt = 0.02f;
    for (int n : {2, 6, 10, 12, 18, 30, 46, 54, 98, 1000, 1320, 2 * 3 * 5 * 7 * 11 * 13,
                  2 * 17 * 19 * 23, 2 * 3 * 3 * 3 * 3 * 7}) {
        // Every line of the shorter transforms, a spread of lines of the longer ones.
        std::vector<int> lines = all_lines(n);
        if (n > 2000) {
            lines.clear();
            for (int k = 0; k <= n / 2; k += 1 + n / 400)
                lines.push_back(k);
            lines.push_back(n / 2);
        }
        for (int direction : {-1, 1}) {
            auto x = random_trace(n, 11u + static_cast<unsigned>(n));
            const auto expected = naive_dft(x, n, dt, direction < 1 ? -1.0 : 1.0, lines);
            double scale = 0.0;
            for (const auto& c : expected)
                scale = std::max(scale, std::abs(c));
            int ierr = 1;
            fftl(x, n, direction, dt, ierr);
            ASSERT_EQ(ierr, 0) << "n=" << n;
            const double tol = scale * 1e-6 * std::log2(n);
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const int k = lines[i];
                EXPECT_NEAR(x[2 * k], expected[i].real(), tol) << "n=" << n << " k=" << k;
                EXPECT_NEAR(x[2 * k + 1], expected[i].imag(), tol) << "n=" << n << " k=" << k;
            }
            EXPECT_EQ(x[1], 0.0f) << n;
            EXPECT_EQ(x[n + 1], 0.0f) << n;
        }
    }
}

TEST(Fftl, MixedLengthsRoundTrip) {
    for (int n : {2, 6, 46, 1000, 1320, 2 * 3 * 5 * 7 * 11 * 13}) {
        for (int sign : {-1, 1}) {
            const auto original = random_trace(n, 3u + static_cast<unsigned>(n));
            auto x = original;
            int ierr = 0;
            fftl(x, n, sign, 0.01f, ierr);
            ASSERT_EQ(ierr, 0);
            fftl(x, n, 2 * sign, 0.01f, ierr);
            ASSERT_EQ(ierr, 0);
            double worst = 0.0;
            for (int j = 0; j < n; ++j)
                worst = std::max(worst, std::fabs(static_cast<double>(x[j]) - original[j]));
            EXPECT_LT(worst, 1000.0 * 4e-6 * std::log2(n)) << "n=" << n << " sign=" << sign;
        }
    }
}

// Two samples make the two lines X(0) = dt (x0 + x1) and X(1) = dt (x0 - x1).
TEST(Fftl, TwoSamplesGiveTheirSumAndDifference) {
    std::vector<float> x{3.0f, 1.0f, 7.0f, 7.0f};
    int ierr = 1;
    fftl(x, 2, -1, 0.5f, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_EQ(x, (std::vector<float>{2.0f, 0.0f, 1.0f, 0.0f}));
    fftl(x, 2, -2, 0.5f, ierr);
    ASSERT_EQ(ierr, 0);
    EXPECT_EQ(x[0], 3.0f);
    EXPECT_EQ(x[1], 1.0f);
}

TEST(Fftl, RefusesLengthsItCannotTransform) {
    // odd, too small, a prime factor above 23 (29, 31, 47), beyond the largest length
    for (int n : {0, -8, 1, 3, 1001, 2 * 29, 2 * 31 * 3, 94, 2 * 23 * 29, tw::kFftMaxLength * 2,
                  tw::kFftMaxLength + 2}) {
        std::vector<float> x(1002, 1.0f);
        int ierr = 0;
        fftl(x, n, -1, 1.0f, ierr);
        EXPECT_EQ(ierr, 1) << n;
        EXPECT_EQ(x, std::vector<float>(1002, 1.0f)) << "data left untouched, n=" << n;
        EXPECT_FALSE(tw::fft_length_supported(n)) << n;
    }
    for (int n : {2, 4, 6, 46, 1000, 1320, 30030, tw::kFftMaxLength})
        EXPECT_TRUE(tw::fft_length_supported(n)) << n;
    std::vector<float> short_array(64, 1.0f); // 64 reals cannot hold the 66 of n = 64
    int ierr = 0;
    fftl(short_array, 64, -1, 1.0f, ierr);
    EXPECT_EQ(ierr, 1);
    std::vector<float> short_mixed(1001, 1.0f);
    fftl(short_mixed, 1000, -1, 1.0f, ierr);
    EXPECT_EQ(ierr, 1);
}

// Bit patterns of a float array, so that a failure shows which value differs.
std::vector<std::uint32_t> bits(const std::vector<float>& x) {
    std::vector<std::uint32_t> out(x.size());
    std::memcpy(out.data(), x.data(), x.size() * sizeof(float));
    return out;
}

// Results must not depend on the processor: the vector kernels, where this processor has them,
// give the very bits of the portable code, forward and inverse, for both conventions.
TEST(RealFft, VectorKernelsGiveThePortableBits) {
    for (int n = 4; n <= 1 << 17; n *= 2) {
        tw::RealFft fastest(n, tw::FftKernels::fastest);
        tw::RealFft portable(n, tw::FftKernels::portable);
        for (bool exp_minus : {true, false}) {
            const auto trace = random_trace(n, 5u + static_cast<unsigned>(n));
            auto a = trace, b = trace;
            fastest.forward(a.data(), 0.01f, exp_minus);
            portable.forward(b.data(), 0.01f, exp_minus);
            ASSERT_EQ(bits(a), bits(b)) << "forward n=" << n;
            // an arbitrary spectrum, not only a Hermitian one from real data
            auto c = random_trace(n + 2, 9u + static_cast<unsigned>(n));
            auto d = c;
            fastest.inverse(a.data(), 0.01f, exp_minus);
            portable.inverse(b.data(), 0.01f, exp_minus);
            ASSERT_EQ(bits(a), bits(b)) << "inverse n=" << n;
            fastest.inverse(c.data(), 0.01f, exp_minus);
            portable.inverse(d.data(), 0.01f, exp_minus);
            ASSERT_EQ(bits(c), bits(d)) << "inverse of any spectrum n=" << n;
        }
    }
}

// The inverse leaves the two reals after the n samples as they were.
TEST(RealFft, InverseWritesOnlyTheSamples) {
    for (int n : {8, 1024, 1000}) {
        tw::RealFft fft(n);
        auto x = random_trace(n, 21u);
        x[n] = 12.5f;
        x[n + 1] = -3.0f;
        fft.inverse(x.data(), 1.0f, true);
        EXPECT_EQ(x[n], 12.5f) << n;
        EXPECT_EQ(x[n + 1], -3.0f) << n;
    }
}

TEST(FftPlanCache, KeepsOnePlanPerLengthAndBoundsTheOthers) {
    tw::FftPlanCache cache;
    EXPECT_EQ(cache.size(), 0u);
    tw::RealFft& a = cache.plan(1024);
    EXPECT_EQ(&cache.plan(1024), &a) << "the plan of a length is made once";
    EXPECT_EQ(a.size(), 1024);
    EXPECT_EQ(cache.plan(4096).size(), 4096);
    EXPECT_EQ(cache.size(), 2u);

    // lengths that are not powers of two: the last kOtherLengths are kept
    const std::size_t kept = tw::FftPlanCache::kOtherLengths;
    for (std::size_t i = 0; i < kept + 3; ++i)
        EXPECT_EQ(cache.plan(6 * static_cast<int>(i + 1)).size(), 6 * static_cast<int>(i + 1));
    EXPECT_EQ(cache.size(), 2u + kept);
    EXPECT_EQ(&cache.plan(1024), &a) << "power-of-two plans are never dropped";
    EXPECT_EQ(cache.size(), 2u + kept);

    cache.clear();
    EXPECT_EQ(cache.size(), 0u);
}

TEST(FftPlanCache, FftlUsesTheProcessCache) {
    tw::FftPlanCache& cache = tw::FftPlanCache::process();
    cache.clear();
    std::vector<float> x(2050, 0.0f);
    int ierr = 0;
    fftl(x, 2048, -1, 1.0f, ierr);
    fftl(x, 2048, -2, 1.0f, ierr);
    fftl(x, 1000, -1, 1.0f, ierr);
    EXPECT_EQ(cache.size(), 2u);
    fftl(x, 58, -1, 1.0f, ierr); // refused: no plan
    EXPECT_EQ(cache.size(), 2u);
    cache.clear();
    EXPECT_EQ(cache.size(), 0u);
}

} // namespace
