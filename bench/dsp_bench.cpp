// Transform and instrument-correction timings, with FFTW's single-precision real transform of the
// same length as the yardstick.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <random>
#include <vector>

#include "dsp/fft.hpp"

namespace {

std::vector<float> noise(std::size_t n) {
    std::mt19937 gen(42);
    std::normal_distribution<float> dist(0.0f, 100.0f);
    std::vector<float> x(n);
    for (auto& v : x)
        v = dist(gen);
    return x;
}

void BM_fftl_forward_inverse(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto x = noise(static_cast<std::size_t>(n) + 2);
    int ierr = 0;
    for (auto _ : state) {
        tw::fftl(x, n, -1, 0.01f, ierr);
        tw::fftl(x, n, -2, 0.01f, ierr);
        benchmark::DoNotOptimize(x.data());
    }
}
BENCHMARK(BM_fftl_forward_inverse)->Arg(32768)->Unit(benchmark::kMicrosecond);

void BM_fftw_forward_inverse(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    float* in = fftwf_alloc_real(static_cast<std::size_t>(n));
    fftwf_complex* out = fftwf_alloc_complex(static_cast<std::size_t>(n) / 2 + 1);
    fftwf_plan fwd = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE);
    fftwf_plan inv = fftwf_plan_dft_c2r_1d(n, out, in, FFTW_MEASURE);
    const auto x = noise(static_cast<std::size_t>(n));
    std::copy(x.begin(), x.end(), in);
    for (auto _ : state) {
        fftwf_execute(fwd);
        fftwf_execute(inv);
        benchmark::DoNotOptimize(in);
    }
    fftwf_destroy_plan(fwd);
    fftwf_destroy_plan(inv);
    fftwf_free(in);
    fftwf_free(out);
}
BENCHMARK(BM_fftw_forward_inverse)->Arg(32768)->Unit(benchmark::kMicrosecond);

} // namespace
