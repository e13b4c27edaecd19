// Cost of the least-squares fits: one ramp window, the twelve growing windows of one station at
// 100 samples per second, and the largest fit the storage allows.
#include <benchmark/benchmark.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "estimators/least_squares.hpp"

namespace {

struct Problem {
    std::vector<float> x, y, sig;
    // Abscissae t^2 at 100 samples per second, scaled into [0, 1] so that even the fifth
    // coefficient's column stays within single precision.
    explicit Problem(int n, float scale = 1.0f) : x(n), y(n), sig(n, 1.0f) {
        for (int i = 0; i < n; ++i) {
            const float t = static_cast<float>(i + 1) * 0.01f;
            x[i] = t * t * scale;
            y[i] = 0.5f + 3.0f * x[i] + 0.1f * std::sin(static_cast<float>(i));
        }
    }
};

void BM_LfitLine(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int ninv = static_cast<int>(state.range(1));
    const float last = static_cast<float>(n) * 0.01f;
    Problem p(n, 1.0f / (last * last));
    std::ostringstream sink;
    tw::LeastSquaresFit fit(sink);
    std::vector<float> a(5), b(5);
    float chi = 0.0f;
    for (auto _ : state) {
        fit.lfit(ninv, n, p.x, p.y, p.sig, 0, a, b, chi);
        benchmark::DoNotOptimize(a.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_LfitLine)->Args({600, 2})->Args({65536, 2})->Args({65536, 5});

// The growing windows of one ramp estimate: 50, 100, ..., 600 points.
void BM_RampWindows(benchmark::State& state) {
    Problem p(600);
    std::ostringstream sink;
    tw::LeastSquaresFit fit(sink);
    std::vector<float> a(5), b(5);
    float chi = 0.0f;
    for (auto _ : state) {
        for (int m = 50; m <= 600; m += 50)
            fit.lfit(2, m, p.x, p.y, p.sig, 0, a, b, chi);
        benchmark::DoNotOptimize(a.data());
    }
}
BENCHMARK(BM_RampWindows);

} // namespace
