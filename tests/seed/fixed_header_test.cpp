// Fixed-header decoding: byte orders, start time, time correction, blockettes 1000 and 1001.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "seed/byte_order.hpp"
#include "seed/fixed_header.hpp"
#include "seed/seed_fatal.hpp"
#include "tests/support/record_builder.hpp"
#include "text/messages.hpp"
#include "time/int_time.hpp"

namespace tw {
namespace {

// What the code under test said.
MessageLog said;

using testing::build_record;
using testing::put;
using testing::RecordSpec;

data_hdr full(const std::vector<uint8_t>& r) {
    auto hdr = decode_hdr_sdr(r, said);
    EXPECT_TRUE(hdr.has_value());
    return hdr ? *hdr : data_hdr{};
}

ext_time calendar(const int_time& t) {
    return int_to_ext(t);
}

TEST(WordOrder, InferredFromTheYearBytes) {
    EXPECT_EQ(wordorder_from_time(0x07, 0xCF), kMsbFirst); // 1999
    EXPECT_EQ(wordorder_from_time(0xCF, 0x07), kLsbFirst);
    EXPECT_EQ(wordorder_from_time(0x07, 0x08), kMsbFirst); // 1800
    EXPECT_EQ(wordorder_from_time(0x08, 0x06), kMsbFirst); // 2054
    EXPECT_EQ(wordorder_from_time(0x06, 0x08), kLsbFirst);
    try {
        wordorder_from_time(0, 0);
        FAIL() << "year 0 has no byte order";
    } catch (const SeedFatal& fatal) {
        EXPECT_EQ(fatal.kind(), SeedFatalKind::header_wordorder);
        EXPECT_EQ(fatal.message(), "Error: Unable to determine wordorder from time\n");
        EXPECT_EQ(fatal.exit_status(), 1);
    }
}

TEST(FixedHeader, BothHeaderOrdersGiveTheSameFields) {
    RecordSpec layout;
    layout.nsamp = 300;
    layout.rate_factor = -10;
    layout.rate_mult = 3;
    layout.corr = -123456;
    layout.aflag = 2;
    layout.station = "ABCDE";
    layout.location = "00";
    layout.network = "NL";
    for (bool msb : {true, false}) {
        layout.msb_header = msb;
        const auto r = build_record(layout);
        EXPECT_EQ(r[20], msb ? 0x07 : 0xCF);
        for (const auto& hdr : {*decode_fixed_data_hdr(r), full(r)}) {
            EXPECT_EQ(hdr.hdr_wordorder, msb ? 1 : 0);
            EXPECT_EQ(hdr.nsamp, 300);
            EXPECT_EQ(hdr.rate_factor, -10);
            EXPECT_EQ(hdr.rate_mult, 3);
            EXPECT_EQ(hdr.corr, -123456);
            EXPECT_EQ(hdr.data_offset, 64);
            EXPECT_EQ(hdr.blockette_offset, 48);
            EXPECT_EQ(hdr.aflag, 2);
            EXPECT_EQ(hdr.seqno, 1);
            EXPECT_EQ(code_text(hdr.station), "ABCDE");
            EXPECT_EQ(code_text(hdr.location), "00");
            EXPECT_EQ(code_text(hdr.channel), "HHZ");
            EXPECT_EQ(code_text(hdr.network), "NL");
        }
        const data_hdr hdr = full(r);
        ASSERT_EQ(hdr.blockettes.size(), 1u);
        EXPECT_EQ(hdr.blockettes[0].type, 1000);
        EXPECT_EQ(hdr.blockettes[0].wordorder, msb ? 1 : 0);
        EXPECT_EQ(hdr.blockettes[0].bytes, std::vector<uint8_t>(r.begin() + 48, r.begin() + 56));
    }
}

TEST(FixedHeader, StartTimeWithFraction) {
    const auto hdr = full(build_record(RecordSpec{})); // 1999 day 123 12:30:15, fraction 1234
    const ext_time t = calendar(hdr.header_time);
    EXPECT_EQ(t.year, 1999);
    EXPECT_EQ(t.month, 5);
    EXPECT_EQ(t.day, 3);
    EXPECT_EQ(t.hour, 12);
    EXPECT_EQ(t.minute, 30);
    EXPECT_EQ(t.second, 15);
    EXPECT_EQ(t.usec, 123400);
    EXPECT_EQ(hdr.begin_time, hdr.header_time);
}

TEST(FixedHeader, TimeCorrectionAppliedOnlyWhenStillDue) {
    RecordSpec layout;
    layout.corr = 5000;
    data_hdr hdr = full(build_record(layout));
    EXPECT_DOUBLE_EQ(tdiff(hdr.begin_time, hdr.header_time), 500000.0);
    EXPECT_EQ(tdiff(decode_fixed_data_hdr(build_record(layout))->begin_time, hdr.header_time),
              500000.0);
    layout.aflag = 2;
    hdr = full(build_record(layout));
    EXPECT_EQ(hdr.begin_time, hdr.header_time);
    layout.aflag = 0;
    layout.corr = -5000;
    hdr = full(build_record(layout));
    EXPECT_DOUBLE_EQ(tdiff(hdr.begin_time, hdr.header_time), -500000.0);
}

TEST(FixedHeader, Blockette1001MovesTheStartByItsMicroseconds) {
    RecordSpec layout;
    layout.usec_offset = -3;
    layout.frames = 7;
    const data_hdr with = full(build_record(layout));
    layout.usec_offset.reset();
    const data_hdr without = full(build_record(layout));
    EXPECT_DOUBLE_EQ(tdiff(with.header_time, without.header_time), -3.0);
    EXPECT_DOUBLE_EQ(tdiff(with.begin_time, without.begin_time), -3.0);
    EXPECT_EQ(with.frame_count, 7);
    EXPECT_EQ(without.frame_count, -1);
    ASSERT_EQ(with.blockettes.size(), 2u);
    EXPECT_EQ(with.blockettes[1].type, 1001);
}

TEST(FixedHeader, EndTimeFromSampleCountAndRate) {
    RecordSpec layout;
    layout.rate_factor = 20;
    layout.nsamp = 1;
    data_hdr hdr = full(build_record(layout));
    EXPECT_EQ(hdr.end_time, hdr.begin_time);
    layout.nsamp = 0;
    hdr = full(build_record(layout));
    EXPECT_DOUBLE_EQ(tdiff(hdr.end_time, hdr.begin_time), -50000.0);
    layout.nsamp = 100;
    hdr = full(build_record(layout));
    EXPECT_DOUBLE_EQ(tdiff(hdr.end_time, hdr.begin_time), 4950000.0);
    layout.rate_factor = 0;
    hdr = full(build_record(layout));
    EXPECT_EQ(hdr.end_time, hdr.begin_time);
}

TEST(SeedSampleRate, FactorAndMultiplierOfEitherSign) {
    EXPECT_EQ(seed_sample_rate(100, 1), 100.0);
    EXPECT_EQ(seed_sample_rate(20, 5), 100.0);     // factor times multiplier
    EXPECT_EQ(seed_sample_rate(1000, -10), 100.0); // a negative multiplier divides
    EXPECT_EQ(seed_sample_rate(-10, 1), 0.1);      // a negative factor is seconds per sample
    EXPECT_EQ(seed_sample_rate(-10, -2), 0.05);    // ... divided by the multiplier
    EXPECT_EQ(seed_sample_rate(-2, 5), 2.5);       // ... times the multiplier
    EXPECT_EQ(seed_sample_rate(1, -10), 0.1);
    EXPECT_EQ(seed_sample_rate(-32768, 1), 1.0 / 32768.0);
    EXPECT_EQ(seed_sample_rate(32767, 32767), 32767.0 * 32767.0);
    // The rate agrees with the one the time arithmetic uses for durations.
    for (int f : {-300, -7, -1, 1, 3, 40, 250})
        for (int m : {-9, -1, 0, 1, 4})
            EXPECT_EQ(seed_sample_rate(f, m), sps_rate(f, m)) << f << " " << m;
    // A multiplier of 0 leaves the factor alone, as libmseed reads it.
    EXPECT_EQ(seed_sample_rate(100, 0), 100.0);
    EXPECT_EQ(seed_sample_rate(-10, 0), 0.1);
    // No rate: a factor of 0.
    EXPECT_FALSE(seed_sample_rate(0, 1));
    EXPECT_FALSE(seed_sample_rate(0, 0));
}

TEST(FixedHeader, Blockette1000GivesFormatLengthAndDataOrder) {
    RecordSpec layout;
    layout.format = 11;
    layout.data_order = 0;
    layout.power = 12;
    layout.nsamp = 10;
    data_hdr hdr = full(build_record(layout));
    EXPECT_EQ(hdr.record_size, 4096);
    EXPECT_EQ(hdr.data_format, 11);
    EXPECT_EQ(hdr.data_wordorder, 0);
    EXPECT_EQ(hdr.hdr_wordorder, 1);
    EXPECT_EQ(hdr.frame_count, (4096 - 64) / 64);
    layout.power = 9;
    EXPECT_EQ(full(build_record(layout)).record_size, 512);
    // The quick decoder leaves blockettes alone.
    const data_hdr quick = *decode_fixed_data_hdr(build_record(layout));
    EXPECT_EQ(quick.data_format, 0);
    EXPECT_TRUE(quick.blockettes.empty());
    EXPECT_EQ(quick.blockette_count, 1);
}

TEST(FixedHeader, DataQualityLettersAreDataRecords) {
    for (char letter : {'D', 'R', 'Q', 'M'}) {
        RecordSpec layout;
        layout.letter = letter;
        const auto hdr = decode_hdr_sdr(build_record(layout), said);
        ASSERT_TRUE(hdr.has_value()) << letter;
        EXPECT_EQ(hdr->record_type, letter);
        EXPECT_EQ(hdr->record_size, 512);
    }
    for (char letter : {'X', 'd', ' ', '\0'}) {
        RecordSpec layout;
        layout.letter = letter;
        EXPECT_FALSE(decode_hdr_sdr(build_record(layout), said).has_value());
        EXPECT_FALSE(decode_fixed_data_hdr(build_record(layout)).has_value());
    }
}

TEST(FixedHeader, RecordWithoutBlockette1000IsTakenAsSteim1) {
    RecordSpec layout;
    layout.format.reset();
    layout.nsamp = 100;
    layout.data_offset = 48;
    auto r = build_record(layout);
    const data_hdr hdr = full(std::vector<uint8_t>(r.begin(), r.begin() + 512));
    EXPECT_EQ(hdr.record_size, 512);
    EXPECT_EQ(hdr.data_format, 10);
    EXPECT_EQ(hdr.frame_count, (512 - 48) / 64);
    // Two such records in a row: the next sequence number at 512 marks 512-byte records even
    // when more than 1024 bytes are at hand.
    auto second = r;
    second[5] = '2';
    auto both = r;
    both.insert(both.end(), second.begin(), second.end());
    both.resize(2048, 0);
    EXPECT_EQ(full(both).record_size, 512);
    auto unrelated = r;
    unrelated.resize(2048, 0xAA);
    EXPECT_EQ(full(unrelated).record_size, 4096);
}

TEST(Blockettes, ZeroNextOffsetBeforeTheLastIsFatal) {
    RecordSpec layout;
    auto r = build_record(layout);
    r[39] = 2; // two announced, the first (1000) has next offset 0
    try {
        decode_hdr_sdr(r, said);
        FAIL();
    } catch (const SeedFatal& fatal) {
        EXPECT_EQ(fatal.message(), "Error: zero offset to next blockette\n");
    }
}

TEST(Blockettes, MoreThanAnnouncedFails) {
    RecordSpec layout;
    layout.usec_offset = 0; // 1000 then 1001
    auto r = build_record(layout);
    r[39] = 1;
    said.err.clear();
    EXPECT_FALSE(decode_hdr_sdr(r, said).has_value());
    EXPECT_EQ(said.err, "extra blockette found\n");
}

TEST(Blockettes, UnknownTypeWithoutLengthRunsToTheData) {
    RecordSpec layout;
    layout.data_offset = 80;
    auto r = build_record(layout);
    // 1000 now points at an unknown type 777 at 56 with no next offset.
    r[39] = 2;
    put(r, 50, 56, 2, true);
    put(r, 56, 777, 2, true);
    put(r, 58, 0, 2, true);
    const data_hdr hdr = full(r);
    ASSERT_EQ(hdr.blockettes.size(), 2u);
    EXPECT_EQ(hdr.blockettes[1].type, 0);
    EXPECT_EQ(hdr.blockettes[1].len, 80 - 56);
    EXPECT_EQ(hdr.blockette_count, 2);
}

TEST(Blockettes, ChainLeavingTheBufferOrPointingBackIsBad) {
    RecordSpec layout;
    auto r = build_record(layout);
    put(r, 46, 508, 2, true); // a blockette 1000 there runs past the end of the 512 bytes
    put(r, 508, 1000, 2, true);
    EXPECT_FALSE(decode_hdr_sdr(r, said).has_value());
    r = build_record(layout);
    put(r, 46, 600, 2, true); // beyond the record
    EXPECT_FALSE(decode_hdr_sdr(r, said).has_value());
    layout.usec_offset = 0;
    r = build_record(layout);
    put(r, 50, 40, 2, true); // 1000 points back into the fixed header
    EXPECT_FALSE(decode_hdr_sdr(r, said).has_value());
}

TEST(Blockettes, TypeWithOwnLength2000) {
    RecordSpec layout;
    layout.data_offset = 128;
    auto r = build_record(layout);
    r[39] = 2;
    put(r, 50, 56, 2, true);
    put(r, 56, 2000, 2, true);
    put(r, 58, 0, 2, true);
    put(r, 60, 20, 2, true); // its length, most significant byte first
    const data_hdr hdr = full(r);
    ASSERT_EQ(hdr.blockettes.size(), 2u);
    EXPECT_EQ(hdr.blockettes[1].type, 2000);
    EXPECT_EQ(hdr.blockettes[1].len, 20);
}

} // namespace
} // namespace tw
