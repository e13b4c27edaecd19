// Transform and instrument-correction timings, with FFTW's single-precision real transform of the
// same length as the yardstick.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <random>
#include <vector>

#include "dsp/coinst2.hpp"
#include "dsp/fft.hpp"
#include "records/records.hpp"

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
// Powers of two (the correction's lengths) and two lengths of the mixed-radix path:
// 30000 = 2^4 3 5^4 and 30030 = 2 3 5 7 11 13.
BENCHMARK(BM_fftl_forward_inverse)
    ->Arg(16384)
    ->Arg(32768)
    ->Arg(65536)
    ->Arg(30000)
    ->Arg(30030)
    ->Unit(benchmark::kMicrosecond);

// The portable code that processors without 256-bit vectors run (same results).
void BM_fftl_portable_forward_inverse(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    tw::RealFft fft(n, tw::FftKernels::portable);
    auto x = noise(static_cast<std::size_t>(n) + 2);
    for (auto _ : state) {
        fft.forward(x.data(), 0.01f, true);
        fft.inverse(x.data(), 0.01f, true);
        benchmark::DoNotOptimize(x.data());
    }
}
BENCHMARK(BM_fftl_portable_forward_inverse)->Arg(32768)->Unit(benchmark::kMicrosecond);

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
BENCHMARK(BM_fftw_forward_inverse)
    ->Arg(16384)
    ->Arg(32768)
    ->Arg(65536)
    ->Arg(30000)
    ->Arg(30030)
    ->Unit(benchmark::kMicrosecond);

// A velocity sensor with ten poles and three zeros.
tw::InstrumentResponse ten_pole_response() {
    tw::InstrumentResponse r;
    r.unit_code = 1;
    r.gs = 5.9e10f;
    const tw::cfloat poles[] = {{-0.037f, 0.037f},  {-0.037f, -0.037f}, {-251.3f, 0.0f},
                                {-131.0f, 467.3f},  {-131.0f, -467.3f}, {-22.2f, 0.0f},
                                {-62.3f, 93.0f},    {-62.3f, -93.0f},   {-1000.0f, 200.0f},
                                {-1000.0f, -200.0f}};
    r.np = 10;
    r.nz = 3;
    for (int i = 0; i < 10; ++i)
        r.poles[i] = poles[i];
    r.poles[10] = r.poles[11] = {0.0f, 0.0f};
    r.poles[12] = {-15.0f, 0.0f};
    return r;
}

// Ground velocity with a zero-phase high-pass, as the ground-motion estimator asks for it.
void BM_coinst2_velocity_highpass(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const auto instr = ten_pole_response();
    const auto trace = noise(static_cast<std::size_t>(n));
    const int nfft = tw::coinst2_length(n);
    std::vector<float> x(static_cast<std::size_t>(nfft) + 2);
    std::vector<tw::cfloat> cx(static_cast<std::size_t>(nfft) / 2 + 1);
    int ierr = 0;
    for (auto _ : state) {
        std::copy(trace.begin(), trace.end(), x.begin());
        tw::coinst2(instr, n, 0.01f, 21, 6, x, cx, 0, 0.0f, 0.075f, ierr);
        benchmark::DoNotOptimize(x.data());
    }
}
BENCHMARK(BM_coinst2_velocity_highpass)->Arg(16384)->Unit(benchmark::kMicrosecond);

} // namespace
