// Cost of the measurements made on a corrected trace: the peak-and-period search and the whole
// ground-motion measurement (differencing, four duration scans, integration, three searches),
// for traces up to the longest one the driver's buffers take through the correction.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "estimators/amaxper.hpp"
#include "estimators/ground.hpp"

namespace {

std::vector<float> noisy_signal(int n) {
    std::vector<float> x(static_cast<std::size_t>(n));
    unsigned seed = 12345u;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float noise = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
        x[static_cast<std::size_t>(i)] =
            0.01f * std::sin(0.05f * static_cast<float>(i)) + 1e-4f * noise;
    }
    return x;
}

void BM_Amaxper(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<float> x = noisy_signal(n);
    for (auto _ : state)
        benchmark::DoNotOptimize(tw::amaxper(n, 0.01f, x));
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_Amaxper)->Arg(6000)->Arg(32767);

void BM_MeasureGround(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const std::vector<float> x = noisy_signal(n);
    for (auto _ : state)
        benchmark::DoNotOptimize(tw::measure_ground(n, 0.01f, x));
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_MeasureGround)->Arg(6000)->Arg(32767);

} // namespace
