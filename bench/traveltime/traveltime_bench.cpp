// Travel-time lookups: loading the tables with the first call at a new depth, a call at a new
// depth with the tables loaded, and a repeated call with the same depth and keyword.
#include <benchmark/benchmark.h>

#include "traveltime/travel_times.hpp"

namespace {

// The IASP91 tables this build made.
const char* const kTables = TW_BENCH_MODEL_BASE;

void LoadAndFirstCall(benchmark::State& state) {
    tw::TravelTimes tt;
    for (auto _ : state) {
        tw::TravelTimeCalculator calc(kTables);
        calc.ttimes(33.0f, 47.5f, "P", tt);
        benchmark::DoNotOptimize(tt.tt[0]);
    }
}
BENCHMARK(LoadAndFirstCall)->Unit(benchmark::kMicrosecond);

void NewDepth(benchmark::State& state) {
    tw::TravelTimeCalculator calc(kTables);
    tw::TravelTimes tt;
    const char* keyword = state.range(0) == 0 ? "P" : "all";
    float depth = 10.0f;
    for (auto _ : state) {
        depth = depth > 600.0f ? 10.0f : depth + 7.3f;
        calc.ttimes(depth, 47.5f, keyword, tt);
        benchmark::DoNotOptimize(tt.tt[0]);
    }
}
BENCHMARK(NewDepth)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void RepeatedCall(benchmark::State& state) {
    tw::TravelTimeCalculator calc(kTables);
    tw::TravelTimes tt;
    const char* keyword = state.range(0) == 0 ? "P" : "all";
    calc.ttimes(33.0f, 47.5f, keyword, tt);
    float dist = 1.0f;
    for (auto _ : state) {
        dist = dist > 170.0f ? 1.0f : dist + 3.7f;
        calc.ttimes(33.0f, dist, keyword, tt);
        benchmark::DoNotOptimize(tt.tt[0]);
    }
}
BENCHMARK(RepeatedCall)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
