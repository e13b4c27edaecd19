// Samples per second decoded from Steim-1, Steim-2 and INT32 records, by the record layer and
// by libmseed on the same records; and the assembly of a 32767-sample Steim-2 trace.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "records/records.hpp"
#include "seed/fixed_header.hpp"
#include "seed/sample_decoders.hpp"
#include "seed/seed_file.hpp"
#include "seed/trace_assembly.hpp"
#include "tests/support/libmseed.hpp"

#include <libmseed.h>

namespace {

// A seismogram-like walk: mostly small differences, some large.
std::vector<int32_t> walk(int n) {
    std::vector<int32_t> s;
    uint32_t state = 99;
    int64_t v = 0;
    for (int i = 0; i < n; ++i) {
        state = state * 1664525u + 1013904223u;
        const int64_t step = (state >> 28) < 12 ? 60 : (state >> 28) < 15 ? 2000 : 40000;
        v += static_cast<int64_t>((state >> 8) % (2 * step + 1)) - step;
        s.push_back(static_cast<int32_t>(v));
    }
    return s;
}

std::vector<uint8_t> records(int encoding, int reclen, int nsamples) {
    tw::testing::MseedTrace t;
    t.encoding = encoding;
    t.reclen = reclen;
    t.samples = walk(nsamples);
    return tw::testing::pack_with_libmseed(t);
}

void decode_ours(benchmark::State& state, int encoding) {
    const int reclen = 4096;
    const auto bytes = records(encoding, reclen, 32767);
    const std::size_t nrec = bytes.size() / reclen;
    std::vector<int32_t> samples(8192);
    int64_t total = 0;
    for (auto _ : state) {
        for (std::size_t r = 0; r < nrec; ++r) {
            const std::span<const uint8_t> record(bytes.data() + r * reclen, reclen);
            auto hdr = tw::decode_hdr_sdr(record, tw::standard_messages());
            total += tw::ms_unpack(*hdr, 8192, record, samples, tw::standard_messages());
        }
        benchmark::DoNotOptimize(samples.data());
    }
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
}

void decode_libmseed(benchmark::State& state, int encoding) {
    const int reclen = 4096;
    auto bytes = records(encoding, reclen, 32767);
    const std::size_t nrec = bytes.size() / reclen;
    MSRecord* msr = nullptr;
    int64_t total = 0;
    for (auto _ : state) {
        for (std::size_t r = 0; r < nrec; ++r) {
            msr_parse(reinterpret_cast<char*>(bytes.data() + r * reclen), reclen, &msr, reclen, 1,
                      0);
            total += msr->numsamples;
        }
        benchmark::DoNotOptimize(msr->datasamples);
    }
    msr_free(&msr);
    state.counters["samples/s"] =
        benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(decode_ours, Steim1, DE_STEIM1);
BENCHMARK_CAPTURE(decode_libmseed, Steim1, DE_STEIM1);
BENCHMARK_CAPTURE(decode_ours, Steim2, DE_STEIM2);
BENCHMARK_CAPTURE(decode_libmseed, Steim2, DE_STEIM2);
BENCHMARK_CAPTURE(decode_ours, Int32, DE_INT32);
BENCHMARK_CAPTURE(decode_libmseed, Int32, DE_INT32);

// sdr_read's work on a file of 32767 Steim-2 samples held in memory.
void assemble_steim2_trace(benchmark::State& state) {
    auto bytes = records(DE_STEIM2, static_cast<int>(state.range(0)), 32767);
    tw::TraceHeader head;
    std::vector<int32_t> idata(tw::kMaxSamples);
    int ierr = 0;
    for (auto _ : state) {
        tw::SeedFile file(fmemopen(bytes.data(), bytes.size(), "rb"), tw::standard_messages());
        tw::assemble_trace(file, "bench", tw::kTraceSamples, idata, head, ierr);
        if (ierr != 0 || head.npts != 32767) state.SkipWithError("trace not assembled");
    }
    state.counters["samples/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 32767, benchmark::Counter::kIsRate);
}
BENCHMARK(assemble_steim2_trace)->Arg(512)->Arg(4096)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    setenv("LEAPSECONDS", TW_SOURCE_DIR "/data/leapseconds", 0);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
