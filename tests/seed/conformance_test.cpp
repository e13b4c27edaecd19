// The record layer against an independent decoder: libmseed decodes the same bytes (the shared
// sample files, and traces written by libmseed's own writer) and the samples must be identical.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "records/records.hpp"
#include "seed/record_reader.hpp"
#include "seed/trace_assembly.hpp"
#include "tests/support/libmseed.hpp"
#include "text/messages.hpp"

#include "tests/support/files.hpp"
#include "tests/support/record_builder.hpp"
#include "tests/support/test_data.hpp"
#include <libmseed.h>

namespace tw {
namespace {

// What the code under test said.
MessageLog said;

namespace fs = std::filesystem;
using testing::MseedTrace;

// Every record of the bytes through the reader, samples in file order; `last` takes the final
// result (-1 at a clean end).
std::vector<int32_t> read_all(const std::vector<uint8_t>& bytes, int& last) {
    SeedFile file = testing::stream_of(bytes, said);
    std::vector<int32_t> all, buffer(70000);
    std::optional<data_hdr> hdr;
    while ((last = read_ms(hdr, buffer, 70000, file)) > 0)
        all.insert(all.end(), buffer.begin(), buffer.begin() + last);
    return all;
}

std::vector<int32_t> samples_file(const fs::path& path) {
    std::ifstream in(path);
    std::vector<int32_t> s;
    for (long v; in >> v;)
        s.push_back(static_cast<int32_t>(v));
    return s;
}

std::vector<fs::path> fixture_data_files() {
    std::vector<fs::path> files;
    for (const char* dir : {"mseed", "rjob"})
        for (const auto& f : tw::testing::test_data_files(dir, ".mseed"))
            files.emplace_back(f);
    return files;
}

TEST(FixtureFiles, TraceEqualsLibmseedAndTheListedSamples) {
    const auto files = fixture_data_files();
    EXPECT_EQ(files.size(), 16u);
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.filename().string());
        const auto bytes = testing::read_bytes(path.string());
        TraceHeader head;
        std::vector<int32_t> idata(kMaxSamples);
        int ierr = -1;
        said.out.clear();
        sdr_read(path.string(), kTraceSamples, idata, head, ierr, said);
        const std::string out = said.out;
        if (path.filename() == "no-blockette1000-steim1.mseed") {
            // Without blockette 1000 neither encoding nor record length is stated.
            EXPECT_EQ(ierr, 999);
            EXPECT_EQ(out, " Error reading first block  " + path.string() + "\n");
            continue;
        }
        EXPECT_EQ(ierr, 0);
        EXPECT_EQ(out, "");
        const std::vector<int32_t> trace(idata.begin(), idata.begin() + head.npts);
        EXPECT_EQ(trace, testing::samples_of(testing::decode_with_libmseed(bytes)));
        const fs::path listed = path.string() + ".samples.txt";
        if (fs::exists(listed)) {
            EXPECT_EQ(trace, samples_file(listed));
        }
        int last = 0;
        EXPECT_EQ(read_all(bytes, last), trace);
        EXPECT_EQ(last, -1);
    }
}

// Samples whose differences take every width of both Steim encodings.
std::vector<int32_t> varied_walk(int n, bool sixteen_bit) {
    std::vector<int32_t> s;
    uint32_t state = 12345;
    int64_t value = 0;
    const int64_t limit = sixteen_bit ? 32000 : 400000000;
    static const int64_t steps[] = {3, 7, 15, 31, 120, 500, 16000, 500000, 100000000};
    for (int i = 0; i < n; ++i) {
        state = state * 1664525u + 1013904223u;
        const int64_t step = steps[(state >> 8) % (sixteen_bit ? 7 : 9)];
        value += static_cast<int64_t>((state >> 12) % static_cast<uint32_t>(2 * step + 1)) - step;
        value = std::clamp(value, -limit, limit);
        s.push_back(static_cast<int32_t>(value));
    }
    return s;
}

struct Layout {
    int encoding, header_order, data_order, reclen;
};

class WrittenByLibmseed : public ::testing::TestWithParam<Layout> {};

TEST_P(WrittenByLibmseed, ReaderDecodesWhatLibmseedWrote) {
    const Layout l = GetParam();
    MseedTrace t;
    t.encoding = l.encoding;
    t.header_order = l.header_order;
    t.data_order = l.data_order;
    t.reclen = l.reclen;
    t.usec = 123456; // carried by blockette 1001
    t.quality = "DRQM"[(l.reclen / 256 + l.encoding) % 4];
    t.samples = varied_walk(5000, l.encoding == DE_INT16);
    const auto bytes = testing::pack_with_libmseed(t);
    ASSERT_FALSE(bytes.empty());
    ASSERT_EQ(bytes[20], l.header_order ? 0x07 : 0xDA);
    int last = 0;
    const auto ours = read_all(bytes, last);
    EXPECT_EQ(last, -1);
    EXPECT_EQ(ours, t.samples);
    EXPECT_EQ(ours, testing::samples_of(testing::decode_with_libmseed(bytes)));

    // The trace assembly joins the records without slew; its first sample is at .123456.
    testing::TempFile file(bytes, "written.mseed");
    TraceHeader head;
    std::vector<int32_t> idata(kMaxSamples);
    int ierr = -1;
    sdr_read(file.path(), kTraceSamples, idata, head, ierr, said);
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(head.npts, 5000);
    EXPECT_EQ(head.stime.usec, 123456);
    EXPECT_EQ(head.slew, 0.0);
}

std::vector<Layout> layouts() {
    std::vector<Layout> all;
    for (int encoding : {DE_STEIM1, DE_STEIM2, DE_INT16, DE_INT32})
        for (int header_order : {0, 1})
            for (int data_order : {0, 1})
                for (int reclen : {256, 512, 4096, 8192})
                    all.push_back({encoding, header_order, data_order, reclen});
    return all;
}

std::string layout_name(const ::testing::TestParamInfo<Layout>& info) {
    const Layout& l = info.param;
    const char* enc = l.encoding == DE_STEIM1   ? "Steim1"
                      : l.encoding == DE_STEIM2 ? "Steim2"
                      : l.encoding == DE_INT16  ? "Int16"
                                                : "Int32";
    return std::string(enc) + (l.header_order ? "_HdrBE" : "_HdrLE") +
           (l.data_order ? "_DataBE_" : "_DataLE_") + std::to_string(l.reclen);
}

INSTANTIATE_TEST_SUITE_P(AllLayouts, WrittenByLibmseed, ::testing::ValuesIn(layouts()),
                         layout_name);

// libmseed writes records of up to 2^20 bytes; the reader and the trace assembly take them whole.
TEST(WrittenByLibmseedLarge, RecordsOfTwoToTheSeventeenToTwentyBytes) {
    for (int encoding : {DE_STEIM2, DE_INT32}) {
        for (int reclen : {1 << 17, 1 << 18, 1 << 19, 1 << 20}) {
            MseedTrace t;
            t.encoding = encoding;
            t.reclen = reclen;
            t.samples = varied_walk(40000, false);
            const auto bytes = testing::pack_with_libmseed(t);
            ASSERT_FALSE(bytes.empty());
            ASSERT_EQ(bytes.size() % static_cast<std::size_t>(reclen), 0u);
            int last = 0;
            EXPECT_EQ(read_all(bytes, last), t.samples) << reclen;
            EXPECT_EQ(last, -1);

            testing::TempFile file(bytes, "large.mseed");
            TraceHeader head;
            std::vector<int32_t> idata(kMaxSamples);
            int ierr = -1;
            sdr_read(file.path(), kTraceSamples, idata, head, ierr, said);
            EXPECT_EQ(ierr, 0);
            ASSERT_EQ(head.npts, kTraceSamples);
            EXPECT_TRUE(
                std::equal(idata.begin(), idata.begin() + kTraceSamples, t.samples.begin()));
        }
    }
}

// Two segments written separately: the second starts `offset_usec` after the end of the first.
struct Joined {
    int ierr;
    int npts;
    std::string out;
};

Joined join(int64_t offset_usec, const std::string& channel2 = "HHZ") {
    MseedTrace a;
    a.encoding = DE_STEIM2;
    a.samples = varied_walk(1000, false);
    MseedTrace b = a;
    b.channel = channel2;
    b.samples = varied_walk(700, true);
    // 1000 samples at 100 per second: b is due 10 s after a.
    const int64_t start = (int64_t{a.second} + 10) * 1000000 + a.usec + offset_usec;
    b.second = static_cast<int>(start / 1000000);
    b.usec = static_cast<int>(start % 1000000);
    testing::TempFile file(
        testing::concat({testing::pack_with_libmseed(a), testing::pack_with_libmseed(b)}),
        "joined.mseed");
    TraceHeader head;
    std::vector<int32_t> idata(kMaxSamples);
    Joined j{};
    said.out.clear();
    sdr_read(file.path(), kTraceSamples, idata, head, j.ierr, said);
    j.out = said.out;
    j.npts = head.npts;
    return j;
}

TEST(WrittenByLibmseedJoined, GapOverlapAndForeignChannel) {
    EXPECT_EQ(join(0).npts, 1700);
    EXPECT_EQ(join(5000).ierr, 0);
    EXPECT_EQ(join(-5000).ierr, 0);
    Joined gap = join(1000000);
    EXPECT_EQ(gap.ierr, 998);
    EXPECT_EQ(gap.npts, 1000);
    EXPECT_NE(gap.out.find("Time error after         1000 points -- slew ******"),
              std::string::npos)
        << gap.out;
    const Joined overlap = join(-2000000);
    EXPECT_EQ(overlap.ierr, 998);
    EXPECT_EQ(overlap.npts, 1000);
    const Joined foreign = join(0, "HHN");
    EXPECT_EQ(foreign.ierr, 997);
    EXPECT_EQ(foreign.npts, 1000);
}

} // namespace
} // namespace tw
