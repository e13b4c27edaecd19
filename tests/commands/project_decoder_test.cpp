// The example's data files read through the analyser's own trace assembly and compared with an
// independent decoder.
#include <gtest/gtest.h>

#include <vector>

#include "commands/synth/seed_records.hpp"
#include "example_files.hpp"
#include "seed/trace_assembly.hpp"
#include "tests/support/files.hpp"
#include "tests/support/libmseed.hpp"
#include "text/messages.hpp"
#include "time/int_time.hpp"

using namespace tw;
using namespace tw::testing;

namespace {
// What the trace assembly said.
MessageLog said;
} // namespace

TEST(ExampleThroughTraceAssembly, EveryFileIsOneCompleteUnclippedTrace) {
    ext_time first;
    first.year = 2024;
    first.doy = 75;
    first.month = 3;
    first.day = 15;
    first.hour = 12;
    first.minute = 29;
    first.second = 34;
    const int_time start = ext_to_int(first);

    const auto truth = read_truth(example_dir() / "synth.truth");
    ASSERT_EQ(truth.size(), 12u);
    std::vector<int32_t> idata(kMaxSamples);
    for (const auto& t : truth) {
        const std::string name = "XX." + t.station + ".." + t.channel + ".mseed";
        TraceHeader head;
        int ierr = -1;
        said.out.clear();
        sdr_read((example_dir() / name).string(), kTraceSamples, idata, head, ierr, said);
        const std::string messages = said.out;
        ASSERT_EQ(ierr, status::kOk) << name << messages;
        EXPECT_TRUE(messages.empty()) << messages;
        EXPECT_EQ(head.npts, 12000) << name;
        EXPECT_EQ(head.sample_rate, 100) << name;
        EXPECT_EQ(head.stime, start) << name;
        EXPECT_EQ(head.slew, 0.0) << name;
        EXPECT_EQ(head.stat.trimmed(), t.station);
        EXPECT_EQ(head.chan.trimmed(), t.channel);
        EXPECT_EQ(head.network.trimmed(), "XX");

        const auto oracle = decode_with_libmseed(read_bytes(example_dir() / name), 512);
        ASSERT_TRUE(oracle.ok) << name;
        std::vector<int32_t> expected;
        for (const auto& r : oracle.records)
            expected.insert(expected.end(), r.samples.begin(), r.samples.end());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), idata.begin())) << name;

        check_clip(t.channel, head.npts, idata, ierr);
        EXPECT_EQ(ierr, 0) << name;
    }
}

TEST(WriterThroughTraceAssembly, EverySteimTwoWidthDecodes) {
    // Differences of every width from 4 to 30 bits, in 512- and 4096-byte records.
    std::vector<int32_t> samples;
    for (int bits = 4; bits <= 30; ++bits) {
        const int32_t step = (1 << (bits - 2)) - 1;
        for (int k = 0; k < 40; ++k)
            samples.push_back((k % 2 ? step : -step) / 2);
    }
    for (int length : {512, 4096}) {
        tw::synth::ChannelRecords layout;
        layout.network = "XX";
        layout.station = "WIDTH";
        layout.channel = "HHZ";
        layout.start = tw::synth::UtcInstant::from_date(2024, 1, 1, 0, 0, 0, 0);
        layout.record_length = length;
        const auto bytes = tw::synth::encode_records(layout, samples);
        ASSERT_FALSE(bytes.empty());
        const TempFile file(bytes, "widths.mseed");

        std::vector<int32_t> idata(kMaxSamples);
        TraceHeader head;
        int ierr = -1;
        said.out.clear();
        sdr_read(file.path(), kTraceSamples, idata, head, ierr, said);
        const std::string messages = said.out;
        EXPECT_EQ(ierr, status::kOk) << length << messages;
        ASSERT_EQ(head.npts, static_cast<int>(samples.size())) << length;
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), idata.begin())) << length;
        EXPECT_EQ(head.stat.trimmed(), "WIDTH");
    }
}
