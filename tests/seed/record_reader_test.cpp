// The record reader: three reads per record, end of file, bad records, file access.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "seed/fixed_header.hpp"
#include "seed/record_reader.hpp"
#include "seed/seed_file.hpp"
#include "tests/support/libmseed.hpp"
#include "text/messages.hpp"

#include "tests/support/files.hpp"
#include "tests/support/record_builder.hpp"
#include <libmseed.h>

namespace tw {
namespace {

// What the code under test said.
MessageLog said;

using testing::build_record;
using testing::concat;
using testing::put;
using testing::RecordSpec;
using testing::stream_of;

// An INT_32 record holding 0, 1, 2, ... nsamp-1 (or as many as fit).
std::vector<uint8_t> int32_record(uint16_t nsamp, int power = 9, uint16_t data_offset = 64) {
    RecordSpec layout;
    layout.nsamp = nsamp;
    layout.power = power;
    layout.data_offset = data_offset;
    const std::size_t room = ((std::size_t{1} << power) - data_offset) / 4;
    for (uint32_t i = 0; i < nsamp && i < room; ++i)
        put(layout.data, 4 * i, i, 4, true);
    return build_record(layout);
}

struct Read {
    int result;
    std::optional<data_hdr> hdr;
    std::vector<int32_t> samples;
};

Read next(SeedFile& file, int maximum = 70000) {
    Read r;
    r.samples.assign(70000, -1);
    r.result = read_ms(r.hdr, r.samples, maximum, file);
    return r;
}

long position(SeedFile& file, const std::vector<uint8_t>& all) {
    // The stream offers no position; count the bytes left instead.
    std::vector<uint8_t> rest(all.size() + 1);
    return static_cast<long>(all.size() - file.read(rest.data(), rest.size()));
}

TEST(RecordReader, ThreeSteim1RecordsThenEndOfFile) {
    testing::MseedTrace t;
    t.encoding = DE_STEIM1;
    t.reclen = 512;
    for (int i = 0; i < 300; ++i)
        t.samples.push_back(i % 2 ? 1000000 + i : -1000000 - i);
    const auto bytes = testing::pack_with_libmseed(t);
    ASSERT_EQ(bytes.size(), 3 * 512u);
    SeedFile file = stream_of(bytes, said);
    int total = 0;
    for (int k = 0; k < 3; ++k) {
        const Read r = next(file);
        ASSERT_GT(r.result, 0);
        ASSERT_TRUE(r.hdr);
        EXPECT_EQ(r.result, r.hdr->nsamp);
        EXPECT_EQ(r.hdr->data_format, 10);
        EXPECT_EQ(r.samples[0], t.samples[static_cast<std::size_t>(total)]);
        total += r.result;
    }
    EXPECT_EQ(total, 300);
    EXPECT_EQ(next(file).result, -1);
    EXPECT_EQ(next(file).result, -1);
}

TEST(RecordReader, TrailingFragmentIsEndOfFile) {
    auto bytes = concat({int32_record(10), std::vector<uint8_t>(20, 'x')});
    SeedFile file = stream_of(bytes, said);
    EXPECT_EQ(next(file).result, 10);
    const Read last = next(file);
    EXPECT_EQ(last.result, -1);
    EXPECT_FALSE(last.hdr);
}

TEST(RecordReader, RecordWithoutBlockette1000IsBad) {
    RecordSpec layout;
    layout.format.reset();
    layout.nsamp = 10;
    layout.data_offset = 48;
    SeedFile file = stream_of(build_record(layout), said);
    EXPECT_EQ(next(file).result, -2);
}

TEST(RecordReader, HeaderThenDataSectionReads) {
    const auto bytes = int32_record(1000, 12, 64);
    SeedFile file = stream_of(bytes, said);
    RecordBuffer buffer;
    std::optional<data_hdr> hdr;
    EXPECT_EQ(read_ms_hdr(hdr, buffer, file), 64);
    ASSERT_TRUE(hdr);
    EXPECT_EQ(hdr->record_size, 4096);
    EXPECT_EQ(buffer.size(), kFirstBufferBytes);
    EXPECT_EQ(read_ms_data(*hdr, buffer, 64, file), 4096);
    EXPECT_EQ(position(file, bytes), 4096);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), buffer.view(4096).begin()));
}

TEST(RecordReader, LargestRecordEnlargesTheBuffer) {
    const auto bytes = int32_record(16000, 16, 64);
    ASSERT_EQ(bytes.size(), 65536u);
    SeedFile file = stream_of(concat({bytes, int32_record(5)}), said);
    const Read r = next(file);
    ASSERT_EQ(r.result, 16000);
    EXPECT_EQ(r.samples[15999], 15999);
    EXPECT_EQ(r.hdr->record_size, 65536);
    EXPECT_EQ(next(file).result, 5) << "the whole first record was consumed";
}

TEST(RecordReader, RecordsUpToTwoToTheTwentyBytesAreRead) {
    for (int power : {17, 18, 20}) {
        // As many samples as the record holds, at most the 65535 a header can announce.
        const int nsamp = std::min(65535, ((1 << power) - 64) / 4);
        const auto bytes = int32_record(static_cast<uint16_t>(nsamp), power, 64);
        ASSERT_EQ(bytes.size(), std::size_t{1} << power);
        SeedFile file = stream_of(concat({bytes, int32_record(5)}), said);
        said.err.clear();
        const Read r = next(file);
        ASSERT_EQ(r.result, nsamp) << power;
        EXPECT_EQ(r.samples[nsamp - 1], nsamp - 1);
        EXPECT_EQ(r.hdr->record_size, 1 << power);
        EXPECT_EQ(next(file).result, 5) << "the whole first record was consumed";
        EXPECT_EQ(said.err, "");
    }
}

TEST(RecordReader, LongerRecordsAreRefusedWithAMessage) {
    for (int power : {21, 24, 30, 6}) {
        auto bytes = int32_record(10);
        bytes[54] = static_cast<uint8_t>(power);
        SeedFile file = stream_of(bytes, said);
        said.err.clear();
        EXPECT_EQ(next(file).result, -2) << power;
        EXPECT_EQ(said.err, "Record of 2^" + std::to_string(power) +
                                " bytes refused: a record holds 2^7 to 2^20 bytes\n");
    }
    EXPECT_EQ(record_length_of_power(7), 128);
    EXPECT_EQ(record_length_of_power(20), 1048576);
    EXPECT_EQ(record_length_of_power(21), 0);
    EXPECT_EQ(record_length_of_power(-1), 0);
}

TEST(RecordReader, MaximumZeroReadsNothingSmallerMaximumConsumesTheRecord) {
    const auto bytes = concat({int32_record(112), int32_record(7)});
    SeedFile file = stream_of(bytes, said);
    Read r = next(file, 0);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(next(file, -5).result, -2);
    r = next(file, 100);
    EXPECT_EQ(r.result, 100);
    EXPECT_EQ(r.samples[99], 99);
    EXPECT_EQ(r.samples[100], -1);
    EXPECT_EQ(next(file).result, 7);
}

TEST(RecordReader, ByReferenceEntryPadsCodesAndDropsBlockettes) {
    SeedFile file = stream_of(int32_record(3), said);
    data_hdr out;
    std::vector<int32_t> samples(10);
    const int maximum = 10;
    EXPECT_EQ(f_read_ms(out, samples, maximum, file), 3);
    EXPECT_EQ(std::string(out.station.data(), 6), "STA   ");
    EXPECT_EQ(std::string(out.location.data(), 3), "   ");
    EXPECT_EQ(std::string(out.channel.data(), 4), "HHZ ");
    EXPECT_EQ(std::string(out.network.data(), 3), "XX ");
    EXPECT_TRUE(out.blockettes.empty());
    EXPECT_EQ(out.blockette_count, 0);
    EXPECT_EQ(out.record_size, 512);
}

TEST(RecordReader, SteimIntegrityFailureIsABadRecordWithItsMessage) {
    RecordSpec layout;
    layout.power = 7;
    layout.format = 10;
    layout.nsamp = 4;
    for (uint32_t xn : {16u, 17u}) {
        const uint32_t words[16] = {0x01000000, 10, xn, 0x05010203};
        layout.data = testing::steim_frame(words, true);
        SeedFile file = stream_of(build_record(layout), said);
        said.err.clear();
        const Read r = next(file);
        const std::string err = said.err;
        if (xn == 16) {
            EXPECT_EQ(r.result, 4);
            EXPECT_EQ((std::vector<int32_t>(r.samples.begin(), r.samples.begin() + 4)),
                      (std::vector<int32_t>{10, 11, 13, 16}));
            EXPECT_EQ(r.hdr->x0, 10);
            EXPECT_EQ(r.hdr->xn, 16);
        } else {
            EXPECT_EQ(r.result, -2);
            EXPECT_TRUE(r.hdr) << "the header is handed out also when decoding fails";
            EXPECT_EQ(err, "Data integrity for STEIM1 data frame, last_data=16, xn=17\n");
        }
    }
}

TEST(RecordReaderBadInput, OffsetsAndLengthsOutsideTheRecord) {
    auto expect_bad = [](std::vector<uint8_t> bytes, const char* why) {
        SeedFile file = stream_of(bytes, said);
        EXPECT_EQ(next(file).result, -2) << why;
    };
    auto r = int32_record(10);
    put(r, 44, 600, 2, true);
    expect_bad(r, "data offset beyond the record");
    r = int32_record(10);
    put(r, 44, 40, 2, true);
    expect_bad(r, "data offset inside the fixed header");
    r = int32_record(10);
    put(r, 46, 20, 2, true);
    expect_bad(r, "blockettes inside the fixed header");
    r = int32_record(10);
    r[54] = 6;
    expect_bad(r, "record length power 6");
    r = int32_record(10);
    r[54] = 17;
    expect_bad(r, "record length power 17 in a file of 512 bytes");
    r = int32_record(10);
    put(r, 30, 200, 2, true);
    expect_bad(r, "more 32-bit samples than the 448 data bytes hold");
    r = int32_record(10);
    r.resize(300);
    expect_bad(r, "record cut short in its data");
    r = int32_record(10);
    r.resize(52);
    expect_bad(r, "record cut short in its blockette");
    r = int32_record(10);
    put(r, 50, 30000, 2, true);
    r[39] = 2;
    expect_bad(r, "blockette chain pointing far beyond the record");
}

// A record with samples whose data offset lies inside its own header would decode the header as
// samples: 0 is such an offset (the whole record is read, from byte 0).
TEST(RecordReaderBadInput, DataOffsetInsideTheHeaderIsABadRecord) {
    for (uint16_t offset : {0, 50, 55}) {
        auto r = int32_record(10);
        put(r, 44, offset, 2, true);
        SeedFile file = stream_of(concat({r, int32_record(3)}), said);
        said.err.clear();
        const Read read = next(file);
        EXPECT_EQ(read.result, -2) << offset;
        EXPECT_EQ(read.samples[0], -1) << "nothing decoded from the header bytes";
    }
    auto r = int32_record(10);
    put(r, 44, 0, 2, true);
    SeedFile file = stream_of(r, said);
    said.err.clear();
    EXPECT_EQ(next(file).result, -2);
    EXPECT_EQ(
        said.err,
        "Record refused: its data offset 0 lies inside its header and blockettes (56 bytes)\n");
    // Without samples a record needs no data section: offset 0 is then no fault of its own.
    auto empty = int32_record(0);
    put(empty, 44, 0, 2, true);
    SeedFile no_samples = stream_of(empty, said);
    said.err.clear();
    EXPECT_EQ(next(no_samples).result, -2);
    EXPECT_EQ(said.err, "");
    // The data may begin right after the last blockette.
    SeedFile right_after = stream_of(int32_record(10, 9, 56), said);
    EXPECT_EQ(next(right_after).result, 10);
}

TEST(RecordReaderBadInput, SteimFramesShorterThanNsampAreBad) {
    testing::MseedTrace t;
    t.encoding = DE_STEIM2;
    t.samples.assign(50, 3);
    auto bytes = testing::pack_with_libmseed(t);
    put(bytes, 30, 5000, 2, true);
    SeedFile file = stream_of(bytes, said);
    EXPECT_EQ(next(file).result, -2);
}

TEST(RecordReaderBadInput, ZeroSamplesIsBad) {
    SeedFile file = stream_of(int32_record(0), said);
    EXPECT_EQ(next(file).result, -2);
}

TEST(RecordReaderBadInput, UnknownBlocketteWarnings) {
    // 1000 at 48 pointing to an unknown type 777 at 56 with no next offset: the quick reader
    // warns and takes it up to the data.
    auto r = int32_record(4);
    r[39] = 2;
    put(r, 50, 56, 2, true);
    put(r, 56, 777, 2, true);
    put(r, 58, 0, 2, true);
    SeedFile file = stream_of(r, said);
    said.err.clear();
    EXPECT_EQ(next(file).result, 4);
    EXPECT_EQ(said.err, "Warning: unknown blockette 777\n");
    // Without a data offset there is no length limit.
    put(r, 44, 0, 2, true);
    SeedFile again = stream_of(r, said);
    said.err.clear();
    EXPECT_EQ(next(again).result, -2);
    EXPECT_EQ(said.err,
              "Warning: unknown blockette 777\nWarning: unknown blockette and no length limit\n");
}

TEST(RecordReaderBadInput, ShortBlocketteWarning) {
    auto r = int32_record(4);
    put(r, 44, 52, 2, true); // data from byte 52: blockette 1000 gets only 4 bytes
    SeedFile file = stream_of(r, said);
    said.err.clear();
    EXPECT_EQ(next(file).result, -2);
    EXPECT_EQ(said.err, "Warning: short blockette 1000 len=4, expected len=8\n");
}

TEST(FileAccess, TrailingBlanksLongPathsAndMissingFiles) {
    testing::TempFile data(int32_record(3), "ifopen.mseed");
    SeedFile padded = ifopen(data.path() + std::string(200, ' '), "r  ", said);
    EXPECT_TRUE(padded.is_open());
    EXPECT_EQ(ifclose(padded), 0);
    EXPECT_FALSE(padded.is_open());

    said.err.clear();
    SeedFile too_long = ifopen(std::string(1024, 'a'), "r", said);
    EXPECT_EQ(said.err, "ifopen: path too long (1024)\n");
    EXPECT_TRUE(too_long.name_refused());
    EXPECT_FALSE(too_long.is_open());
    EXPECT_TRUE(ifopen(std::string(1023, 'a'), "r", said).name_refused() == false);

    said.err.clear();
    EXPECT_TRUE(ifopen(data.path(), "rb+x", said).name_refused());
    EXPECT_EQ(said.err, "ifopen: type too long (4)\n");

    SeedFile missing = ifopen(data.path() + ".none", "r", said);
    EXPECT_FALSE(missing.is_open());
    EXPECT_FALSE(missing.name_refused());
}

} // namespace
} // namespace tw
