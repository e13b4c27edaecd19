// Trace assembly from one data file and the clip test.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "records/records.hpp"
#include "seed/seed_fatal.hpp"
#include "seed/trace_assembly.hpp"
#include "tests/support/libmseed.hpp"
#include "text/messages.hpp"

#include "tests/support/files.hpp"
#include "tests/support/record_builder.hpp"
#include "time/int_time.hpp"
#include <libmseed.h>

namespace tw {
namespace {

// What the code under test said.
MessageLog said;

using testing::build_record;
using testing::concat;
using testing::put;
using testing::RecordSpec;
using testing::TempFile;

// An INT_32 record at 100 samples per second whose samples continue a running count.
std::vector<uint8_t> counting_record(int first, uint16_t nsamp, uint8_t second_of_minute,
                                     uint16_t fraction, std::optional<int8_t> usec = {}) {
    RecordSpec layout;
    layout.nsamp = nsamp;
    layout.second = second_of_minute;
    layout.fraction = fraction;
    layout.usec_offset = usec;
    for (uint32_t i = 0; i < nsamp; ++i)
        put(layout.data, 4 * i, static_cast<uint32_t>(first + static_cast<int>(i)), 4, true);
    return build_record(layout);
}

struct Assembled {
    TraceHeader head;
    std::vector<int32_t> idata = std::vector<int32_t>(kMaxSamples, -1);
    int ierr = -5;
    std::string out;
};

Assembled assemble(const std::string& path, int maximum = kTraceSamples) {
    Assembled a;
    said.out.clear();
    sdr_read(path, maximum, a.idata, a.head, a.ierr, said);
    a.out = said.out;
    return a;
}

Assembled assemble(const std::vector<uint8_t>& bytes, const std::string& name) {
    TempFile file(bytes, name);
    Assembled a = assemble(file.path());
    // Messages name the file; make them independent of the temporary directory.
    for (std::size_t at; (at = a.out.find(file.path())) != std::string::npos;)
        a.out.replace(at, file.path().size(), name);
    return a;
}

TEST(TraceAssembly, OneRecordFile) {
    const Assembled a = assemble(counting_record(0, 10, 15, 1234), "one.mseed");
    EXPECT_EQ(a.ierr, 0);
    EXPECT_EQ(a.out, "");
    EXPECT_EQ(a.head.npts, 10);
    EXPECT_EQ(a.head.sample_rate, 100);
    EXPECT_EQ(a.head.slew, 0.0);
    EXPECT_EQ(a.head.thresh, 5000.0);
    EXPECT_EQ(a.head.stat.view(), "STA   ");
    EXPECT_EQ(a.head.chan.view(), "HHZ ");
    EXPECT_EQ(a.head.network.view(), "XX ");
    const ext_time t = int_to_ext(a.head.stime);
    EXPECT_EQ(t.year, 1999);
    EXPECT_EQ(t.doy, 123);
    EXPECT_EQ(t.second, 15);
    EXPECT_EQ(t.usec, 123400);
    EXPECT_DOUBLE_EQ(tdiff(a.head.endtime, a.head.stime), 100000.0);
    EXPECT_EQ(a.idata[9], 9);
    EXPECT_EQ(a.idata[10], -1);
}

TEST(TraceAssembly, HalfASampleOfSlewIsAcceptedOneMicrosecondMoreIsNot) {
    // 10 samples from 12:30:15.0000 at 100 per second: the next record is due at 15.1000.
    const auto first = counting_record(0, 10, 15, 0);
    Assembled a = assemble(concat({first, counting_record(10, 5, 15, 1050)}), "late.mseed");
    EXPECT_EQ(a.ierr, 0);
    EXPECT_EQ(a.head.npts, 15);
    EXPECT_EQ(a.head.slew, 5000.0);
    EXPECT_EQ(a.idata[14], 14);
    a = assemble(concat({first, counting_record(10, 5, 15, 950)}), "early.mseed");
    EXPECT_EQ(a.ierr, 0);
    EXPECT_EQ(a.head.slew, -5000.0);

    a = assemble(concat({first, counting_record(10, 5, 15, 1050, 1)}), "later.mseed");
    EXPECT_EQ(a.ierr, 998);
    EXPECT_EQ(a.head.npts, 10);
    EXPECT_EQ(a.head.slew, 5001.0);
    EXPECT_DOUBLE_EQ(tdiff(a.head.endtime, a.head.stime), 100000.0);
    EXPECT_EQ(a.out, " Unacceptable time slew  later.mseed\n"
                     "Time error after           10 points -- slew  5001. gt****\n");
}

TEST(TraceAssembly, AnotherLocationCodeIsTheSameChannel) {
    RecordSpec second;
    second.location = "10";
    second.nsamp = 2;
    second.fraction = 1000;
    const Assembled a =
        assemble(concat({counting_record(0, 10, 15, 0), build_record(second)}), "location.mseed");
    EXPECT_EQ(a.ierr, 0);
    EXPECT_EQ(a.head.npts, 12);
}

TEST(TraceAssembly, ForeignChannelEndsTheTraceWith997) {
    for (const char* field : {"station", "network", "channel"}) {
        RecordSpec other;
        other.nsamp = 2;
        other.fraction = 1000;
        if (std::string(field) == "station") other.station = "STB";
        if (std::string(field) == "network") other.network = "XY";
        if (std::string(field) == "channel") other.channel = "HHN";
        const Assembled a = assemble(concat({counting_record(0, 10, 15, 0), build_record(other),
                                             counting_record(10, 5, 15, 1000)}),
                                     "foreign.mseed");
        EXPECT_EQ(a.ierr, 997) << field;
        EXPECT_EQ(a.head.npts, 10);
        EXPECT_EQ(a.out, " Data block for wrong channel  foreign.mseed\n");
    }
}

TEST(TraceAssembly, SampleLimitStopsInsideARecordAndReadsNoFurther) {
    testing::MseedTrace t;
    t.encoding = DE_STEIM2;
    t.reclen = 4096;
    for (int i = 0; i < 40000; ++i)
        t.samples.push_back((i * 37) % 2001 - 1000);
    auto bytes = testing::pack_with_libmseed(t);
    // A record of an unknown encoding after the trace would end the process if it were read.
    RecordSpec poison;
    poison.format = 4;
    poison.nsamp = 1;
    bytes = concat({bytes, build_record(poison)});
    const Assembled a = assemble(bytes, "long.mseed");
    EXPECT_EQ(a.ierr, 0);
    EXPECT_EQ(a.head.npts, 32767);
    EXPECT_TRUE(std::equal(t.samples.begin(), t.samples.begin() + 32767, a.idata.begin()));
    EXPECT_EQ(a.idata[32767], -1);
    EXPECT_DOUBLE_EQ(tdiff(a.head.endtime, a.head.stime), 327670000.0);
}

TEST(TraceAssembly, EmptyMissingAndLaterBadFiles) {
    Assembled a = assemble(std::vector<uint8_t>{}, "empty.mseed");
    EXPECT_EQ(a.ierr, 999);
    EXPECT_EQ(a.out, " Error reading first block  empty.mseed\n");
    EXPECT_EQ(a.head.npts, 0);

    a = assemble(std::string("/nonexistent/dir/none.mseed   "));
    EXPECT_EQ(a.ierr, 1000);
    EXPECT_EQ(a.out, " Error opening file /nonexistent/dir/none.mseed\n");
    EXPECT_EQ(a.head.stat.view(), "      ");

    auto bad = counting_record(10, 5, 15, 1000);
    bad[54] = 20; // record length power 20
    a = assemble(concat({counting_record(0, 10, 15, 0), bad}), "bad.mseed");
    EXPECT_EQ(a.ierr, 999);
    EXPECT_EQ(a.out, " Error reading file bad.mseed\n");
    EXPECT_EQ(a.head.npts, 10) << "the header describes the samples read before the failure";

    a = assemble(std::vector<uint8_t>(5000, 'x'), "text.mseed");
    EXPECT_EQ(a.ierr, 999);
}

// The trace's rate is the SEED rate of its first record's factor and multiplier: samples per
// second, positive, the sample interval its inverse; durations agree with it.
TEST(TraceAssembly, SampleRateFromFactorAndMultiplier) {
    struct Case {
        int16_t factor, mult;
        double rate;
        float interval;
    };
    for (const Case c :
         {Case{100, 1, 100.0, 0.01f}, Case{1000, -10, 100.0, 0.01f}, Case{20, 5, 100.0, 0.01f},
          Case{-10, 1, 0.1, 10.0f}, Case{-10, -2, 0.05, 20.0f}, Case{-2, 5, 2.5, 0.4f},
          Case{-7, 1, 1.0 / 7.0, 7.0f}, Case{1, -3, 1.0 / 3.0, 3.0f}, Case{100, 0, 100.0, 0.01f},
          Case{-10, 0, 0.1, 10.0f}}) {
        RecordSpec first;
        first.rate_factor = c.factor;
        first.rate_mult = c.mult;
        first.nsamp = 4;
        first.fraction = 0;
        for (uint32_t i = 0; i < 4; ++i)
            put(first.data, 4 * i, i, 4, true);
        // A second record due four intervals later joins without slew.
        RecordSpec second = first;
        const int64_t usec = std::llround(4.0e6 / c.rate);
        second.second = static_cast<uint8_t>(first.second + usec / 1000000);
        second.fraction = static_cast<uint16_t>(usec % 1000000 / 100);
        const Assembled a =
            assemble(concat({build_record(first), build_record(second)}), "r.mseed");
        EXPECT_EQ(a.ierr, 0) << c.factor << " " << c.mult << a.out;
        EXPECT_EQ(a.head.npts, 8);
        EXPECT_DOUBLE_EQ(a.head.sample_rate, c.rate);
        EXPECT_EQ(a.head.sample_interval(), c.interval);
        EXPECT_NEAR(tdiff(a.head.endtime, a.head.stime), 8.0e6 / c.rate, 1.0);
        EXPECT_NEAR(a.head.thresh, 0.5e6 / c.rate, 1.0);
    }
}

TEST(TraceAssembly, FirstRecordWithoutARateIsNoTrace) {
    for (auto [factor, mult] : {std::pair<int16_t, int16_t>{0, 1}, {0, 0}, {0, -10}}) {
        RecordSpec layout;
        layout.rate_factor = factor;
        layout.rate_mult = mult;
        layout.nsamp = 4;
        const Assembled a = assemble(build_record(layout), "norate.mseed");
        EXPECT_EQ(a.ierr, 999);
        EXPECT_EQ(a.out, " No usable sample rate (factor " + std::to_string(factor) +
                             ", multiplier " + std::to_string(mult) +
                             ") in first block  norate.mseed\n");
        EXPECT_EQ(a.head.npts, 0) << "the header is not touched";
    }
}

// Records written by libmseed at rates below one sample per second and at fractional rates.
TEST(TraceAssembly, RatesOfRecordsWrittenByLibmseed) {
    for (double rate : {0.1, 0.05, 2.5, 0.2, 40.0, 1.0 / 3.0}) {
        testing::MseedTrace t;
        t.encoding = DE_STEIM2;
        t.rate = rate;
        t.reclen = 256;
        for (int i = 0; i < 300; ++i)
            t.samples.push_back((i * 13) % 101 - 50);
        const auto bytes = testing::pack_with_libmseed(t);
        const testing::DecodedFile theirs = testing::decode_with_libmseed(bytes);
        ASSERT_TRUE(theirs.ok);
        ASSERT_GT(theirs.records.size(), 1u) << "several records, joined without slew";
        const Assembled a = assemble(bytes, "libmseed.mseed");
        EXPECT_EQ(a.ierr, 0) << rate << a.out;
        EXPECT_EQ(a.head.npts, 300);
        EXPECT_DOUBLE_EQ(a.head.sample_rate, theirs.records[0].sample_rate) << rate;
        EXPECT_NEAR(a.head.sample_rate, rate, rate * 1e-6);
        EXPECT_NEAR(tdiff(a.head.endtime, a.head.stime), 300.0e6 / rate, 1.0);
    }
}

TEST(TraceAssembly, RecordWhoseDataOffsetIsZeroIsNoTrace) {
    // Read from byte 0, its ten INT32 samples would be the header's own "0000..." (808464432).
    auto header_as_data = counting_record(0, 10, 15, 0);
    put(header_as_data, 44, 0, 2, true);
    Assembled a = assemble(header_as_data, "offset0.mseed");
    EXPECT_EQ(a.ierr, 999);
    EXPECT_EQ(a.out, " Error reading first block  offset0.mseed\n");
    EXPECT_EQ(std::count(a.idata.begin(), a.idata.end(), 808464432), 0);
    a = assemble(concat({counting_record(0, 10, 15, 0), header_as_data}), "later0.mseed");
    EXPECT_EQ(a.ierr, 999);
    EXPECT_EQ(a.out, " Error reading file later0.mseed\n");
}

// Records the layer cannot read past, each as the first record of a file and after a good one.
std::vector<std::pair<std::vector<uint8_t>, std::string>> unreadable_records() {
    std::vector<std::pair<std::vector<uint8_t>, std::string>> cases;
    RecordSpec layout;
    layout.nsamp = 1;
    layout.second = 16; // one second after the counting record, 100 samples later
    layout.format = 4;  // IEEE floats
    cases.emplace_back(build_record(layout),
                       "Error: Currently unable to read format 4 for STA.XX.HHZ\n");
    layout.format = 255;
    cases.emplace_back(build_record(layout),
                       "Error: Currently unable to read format 255 for STA.XX.HHZ\n");
    layout.format = 3;
    layout.year = 0;
    cases.emplace_back(build_record(layout), "Error: Unable to determine wordorder from time\n");
    layout.year = 1999;
    auto zero = build_record(layout);
    zero[39] = 2; // two blockettes announced, the first pointing to no next one
    cases.emplace_back(zero, "Error: zero offset to next blockette\n");
    return cases;
}

TEST(TraceAssemblyBadRecords, FaultsTheLayerCannotReadPastSkipTheFileNotTheRun) {
    for (const auto& [record, error] : unreadable_records()) {
        SCOPED_TRACE(error);
        said.err.clear();
        Assembled a = assemble(record, "first.mseed");
        EXPECT_EQ(a.ierr, 999);
        EXPECT_EQ(a.out, " Error reading first block  first.mseed\n");
        EXPECT_EQ(said.err, error);

        said.err.clear();
        a = assemble(concat({counting_record(0, 100, 15, 0), record}), "later.mseed");
        EXPECT_EQ(a.ierr, 999);
        EXPECT_EQ(a.out, " Error reading file later.mseed\n");
        EXPECT_EQ(said.err, error);
    }
}

TEST(TraceAssemblyBadRecords, OnlyExhaustedMemoryIsTheProcesss) {
    EXPECT_TRUE(SeedFatal(SeedFatalKind::header_wordorder).of_the_file());
    EXPECT_TRUE(SeedFatal(SeedFatalKind::zero_blockette_offset).of_the_file());
    EXPECT_TRUE(SeedFatal(4, "STA", "XX", "HHZ").of_the_file());
    for (const SeedFatalKind kind :
         {SeedFatalKind::alloc_data_hdr, SeedFatalKind::alloc_node, SeedFatalKind::alloc_blockette,
          SeedFatalKind::alloc_buffer, SeedFatalKind::alloc_diff})
        EXPECT_FALSE(SeedFatal(kind).of_the_file());
    // The encoding byte shows unsigned, however the header field holds it.
    EXPECT_EQ(SeedFatal(-1, "STA", "XX", "HHZ").message(),
              "Error: Currently unable to read format 255 for STA.XX.HHZ\n");
    EXPECT_EQ(SeedFatal(-128, "STA", "XX", "HHZ").message(),
              "Error: Currently unable to read format 128 for STA.XX.HHZ\n");
}

TEST(Slew, PositiveForAGapNegativeForAnOverlap) {
    const int_time t0{2000, 100, 0};
    EXPECT_DOUBLE_EQ(tslew(t0, int_time{2000, 101, 500}, 100, 100, 1), 500.0);
    EXPECT_DOUBLE_EQ(tslew(t0, int_time{2000, 100, 999000}, 100, 100, 1), -1000.0);
    EXPECT_DOUBLE_EQ(tslew(t0, int_time{2000, 105, 0}, 100, 20, 1), 0.0);
}

TEST(ClipLevel, HighAndLowGainLevels) {
    std::vector<int32_t> d(5, 0);
    int ierr = -1;
    d[3] = 7130317;
    check_clip("HHZ", 5, d, ierr);
    EXPECT_EQ(ierr, 0);
    d[3] = -7130318;
    check_clip("HHZ", 5, d, ierr);
    EXPECT_EQ(ierr, 999);
    check_clip("HHZ", 3, d, ierr);
    EXPECT_EQ(ierr, 0) << "only the first npts samples count";
    d[3] = 891289;
    check_clip("BLZ", 5, d, ierr);
    EXPECT_EQ(ierr, 0);
    d[3] = 891290;
    check_clip("BLZ", 5, d, ierr);
    EXPECT_EQ(ierr, 999);
    d[3] = INT_MIN;
    check_clip("EHZ", 5, d, ierr);
    EXPECT_EQ(ierr, 999);
    // Other instrument codes have no known range and are never taken as clipped.
    check_clip("HNZ", 5, d, ierr);
    EXPECT_EQ(ierr, 0);
    EXPECT_FALSE(clip_level("HNZ"));
    EXPECT_EQ(*clip_level("HLZ"), 891289.625f);
}

TEST(ClipLevel, TheLargestSampleCountsWhereverItLies) {
    // Samples are looked at eight at a time: the clipping one at each position of a group, in
    // the tail, and just beyond npts.
    for (const int32_t extreme : {7130318, -7130318, INT_MIN, INT_MAX}) {
        for (const std::size_t at : {0u, 3u, 7u, 8u, 15u, 16u, 40u, 41u, 42u}) {
            std::vector<int32_t> d(43, 0);
            for (std::size_t i = 0; i < d.size(); ++i)
                d[i] = static_cast<int32_t>(i * 1000) - 20000;
            d[at] = extreme;
            int ierr = -1;
            check_clip("HHZ", 42, d, ierr);
            EXPECT_EQ(ierr, at < 42 ? 999 : 0) << extreme << " at " << at;
        }
    }
}

} // namespace
} // namespace tw
