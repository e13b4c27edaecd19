// Cost of the conversions made for every decoded record and every trace window,
// with the repository's full leap-second table loaded.
#include "time/int_time.hpp"
#include "time/leap_seconds.hpp"
#include "time/parse_date.hpp"

#include <benchmark/benchmark.h>

namespace {

void load_table() {
    tw::LeapSecondTable::instance().load_file(TW_TEST_LEAPSECONDS);
}

void BM_ExtToInt(benchmark::State& state) {
    load_table();
    tw::ext_time et{2016, 366, 0, 0, 23, 59, 60, 5};
    for (auto _ : state) {
        benchmark::DoNotOptimize(et);
        benchmark::DoNotOptimize(tw::ext_to_int(et));
    }
}
BENCHMARK(BM_ExtToInt);

void BM_IntToExt(benchmark::State& state) {
    load_table();
    tw::int_time it{2016, 20000000, 5};
    for (auto _ : state) {
        benchmark::DoNotOptimize(it);
        benchmark::DoNotOptimize(tw::int_to_ext(it));
    }
}
BENCHMARK(BM_IntToExt);

void BM_AddDtimeAndTdiff(benchmark::State& state) {
    load_table();
    tw::int_time it{2015, 31535000, 0};
    for (auto _ : state) {
        const tw::int_time later = tw::add_dtime(it, 3.6e9);
        benchmark::DoNotOptimize(tw::tdiff(later, it));
    }
}
BENCHMARK(BM_AddDtimeAndTdiff);

void BM_ParseDate(benchmark::State& state) {
    load_table();
    for (auto _ : state)
        benchmark::DoNotOptimize(tw::parse_date("1999/5/3/12:30:15.5"));
}
BENCHMARK(BM_ParseDate);

} // namespace
