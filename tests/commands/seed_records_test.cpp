#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "commands/synth/random.hpp"
#include "commands/synth/seed_records.hpp"
#include "tests/support/libmseed.hpp"

using namespace tw::synth;
using tw::testing::decode_with_libmseed;

namespace {

uint32_t be32(const std::vector<uint8_t>& b, std::size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
           uint32_t{b[at + 3]};
}
uint16_t be16(const std::vector<uint8_t>& b, std::size_t at) {
    return static_cast<uint16_t>((b[at] << 8) | b[at + 1]);
}

// A trace that visits every Steim-2 width: quiet stretches, bursts, full 24-bit swings.
std::vector<int32_t> mixed_trace(std::size_t n, uint64_t seed) {
    SplitMix64 rng(seed);
    std::vector<int32_t> x(n);
    double level = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t phase = (i / 700) % 5;
        const double scale = phase == 0   ? 2.0
                             : phase == 1 ? 40.0
                             : phase == 2 ? 3000.0
                             : phase == 3 ? 400000.0
                                          : 10.0;
        level = 0.9 * level + scale * rng.gaussian();
        const double v = std::clamp(level, -8388607.0, 8388607.0);
        x[i] = static_cast<int32_t>(v);
    }
    x[1000] = 8388607; // extreme neighbours: the largest 24-bit difference
    x[1001] = -8388607;
    return x;
}

ChannelRecords layout_with(int record_length) {
    ChannelRecords layout;
    layout.network = "XX";
    layout.station = "SY01";
    layout.location = "";
    layout.channel = "HHZ";
    layout.start = UtcInstant::from_date(2024, 12, 31, 23, 59, 50, 0); // crosses the new year
    layout.sample_rate = 100;
    layout.record_length = record_length;
    return layout;
}

} // namespace

class RecordsThroughLibmseed : public ::testing::TestWithParam<int> {};

TEST_P(RecordsThroughLibmseed, DecodeToTheSamplesContiguouslyWithoutComplaint) {
    const int length = GetParam();
    const std::vector<int32_t> samples = mixed_trace(3500, 42);
    const std::vector<uint8_t> bytes = encode_records(layout_with(length), samples);
    ASSERT_FALSE(bytes.empty());
    ASSERT_EQ(bytes.size() % static_cast<std::size_t>(length), 0u);

    const auto decoded = decode_with_libmseed(bytes, length);
    ASSERT_TRUE(decoded.ok);
    EXPECT_TRUE(decoded.diagnostics.empty()) << decoded.diagnostics.front();

    std::vector<int32_t> all;
    const int64_t first = tw::testing::epoch_us(2024, 366, 23, 59, 50, 0);
    for (std::size_t r = 0; r < decoded.records.size(); ++r) {
        const auto& rec = decoded.records[r];
        EXPECT_EQ(rec.network, "XX");
        EXPECT_EQ(rec.station, "SY01");
        EXPECT_EQ(rec.location, "");
        EXPECT_EQ(rec.channel, "HHZ");
        EXPECT_EQ(rec.encoding, 11);
        EXPECT_EQ(rec.byte_order, 1);
        EXPECT_EQ(rec.record_length, length);
        EXPECT_EQ(rec.sample_rate, 100.0);
        EXPECT_EQ(rec.sequence, static_cast<int>(r) + 1);
        // Each record starts one sample interval after the last sample of the one before.
        EXPECT_EQ(rec.start_us, first + static_cast<int64_t>(all.size()) * 10000) << r;
        ASSERT_FALSE(rec.samples.empty());

        // Integration constants in words 1 and 2 of the first frame.
        const std::size_t base = r * static_cast<std::size_t>(length);
        EXPECT_EQ(static_cast<int32_t>(be32(bytes, base + 68)), rec.samples.front()) << r;
        EXPECT_EQ(static_cast<int32_t>(be32(bytes, base + 72)), rec.samples.back()) << r;
        all.insert(all.end(), rec.samples.begin(), rec.samples.end());
    }
    EXPECT_EQ(all, samples);
}

INSTANTIATE_TEST_SUITE_P(Lengths, RecordsThroughLibmseed, ::testing::Values(512, 4096));

TEST(RecordHeader, FixedFieldsAndBlockette1000) {
    std::vector<int32_t> samples(300, 7);
    ChannelRecords layout = layout_with(512);
    layout.start = UtcInstant::from_date(2024, 3, 15, 12, 29, 34, 120300);
    const std::vector<uint8_t> b = encode_records(layout, samples);
    ASSERT_EQ(b.size(), 512u); // 300 equal samples fit one record
    EXPECT_EQ(std::string(b.begin(), b.begin() + 20), "000001D SY01   HHZXX");
    EXPECT_EQ(be16(b, 20), 2024);
    EXPECT_EQ(be16(b, 22), 75); // 15 March of a leap year
    EXPECT_EQ(b[24], 12);
    EXPECT_EQ(b[25], 29);
    EXPECT_EQ(b[26], 34);
    EXPECT_EQ(be16(b, 28), 1203); // 0.1203 s in units of 100 microseconds
    EXPECT_EQ(be16(b, 30), 300);
    EXPECT_EQ(be16(b, 32), 100);
    EXPECT_EQ(be16(b, 34), 1);
    EXPECT_EQ(b[39], 1);
    EXPECT_EQ(be32(b, 40), 0u);
    EXPECT_EQ(be16(b, 44), 64);
    EXPECT_EQ(be16(b, 46), 48);
    EXPECT_EQ(be16(b, 48), 1000);
    EXPECT_EQ(be16(b, 50), 0);
    EXPECT_EQ(b[52], 11);
    EXPECT_EQ(b[53], 1);
    EXPECT_EQ(b[54], 9);
}

TEST(RecordHeader, RefusesLengthsThatAreNoPowerOfTwo) {
    const std::vector<int32_t> samples(10, 1);
    EXPECT_TRUE(encode_records(layout_with(1000), samples).empty());
    EXPECT_TRUE(encode_records(layout_with(128), samples).empty());
    EXPECT_EQ(record_length_exponent(4096), 12);
}
