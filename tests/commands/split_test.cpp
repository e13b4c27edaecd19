// tesk_split on multiplexed files written by libmseed: one file per channel, records byte for
// byte in time order, merged across files, and what cannot be read reported and skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/split/record_scan.hpp"
#include "tests/seed/libmseed_bridge.hpp"
#include "tests/support/run_program.hpp"
#include "tw_version.hpp"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using tw::testing::lines_of;
using tw::testing::ProgramResult;
using tw::testing::run_program;
using tw::testing::slurp;
using tw::testing::TempDir;

std::vector<int32_t> ramp(int n, int32_t scale) {
    std::vector<int32_t> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        s[static_cast<std::size_t>(i)] = (i % 97 - 48) * scale + i / 7;
    return s;
}

// The records of one channel as libmseed packs them, one element per record.
std::vector<Bytes> records(const tw::test::MseedTrace& t) {
    const Bytes all = tw::test::pack_with_libmseed(t);
    std::vector<Bytes> out;
    for (std::size_t at = 0; at < all.size(); at += static_cast<std::size_t>(t.reclen))
        out.emplace_back(all.begin() + static_cast<long>(at),
                         all.begin() + static_cast<long>(at) + t.reclen);
    return out;
}

struct Channels {
    std::vector<Bytes> z, n, b; // XX.STA1..HHZ, XX.STA1..HHN, YY.STA2.00.BHZ
};

Channels make_channels() {
    tw::test::MseedTrace z;
    z.station = "STA1";
    z.channel = "HHZ";
    z.samples = ramp(3000, 40);
    tw::test::MseedTrace n = z;
    n.channel = "HHN";
    n.encoding = DE_INT32;
    n.header_order = 0;
    n.data_order = 0;
    n.samples = ramp(600, 3);
    tw::test::MseedTrace b = z;
    b.network = "YY";
    b.station = "STA2";
    b.location = "00";
    b.channel = "BHZ";
    b.encoding = DE_STEIM1;
    b.reclen = 4096;
    b.rate = 20.0;
    b.samples = ramp(4000, 1000);
    return {records(z), records(n), records(b)};
}

void append(Bytes& file, const Bytes& record) {
    file.insert(file.end(), record.begin(), record.end());
}

Bytes joined(const std::vector<Bytes>& list) {
    Bytes out;
    for (const auto& r : list)
        append(out, r);
    return out;
}

void write_file(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

std::string as_text(const Bytes& b) {
    return {b.begin(), b.end()};
}

ProgramResult split(const std::vector<std::string>& args) {
    return run_program(TESK_SPLIT, args);
}

std::vector<std::string> listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TeskSplit, HelpAndVersion) {
    const ProgramResult help = split({"-h"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: tesk_split [-o DIR] FILE...", 0), 0u);
    EXPECT_EQ(split({"--version"}).out, std::string("tesk_split ") + tw::kVersion + "\n");
    EXPECT_EQ(split({}).status, 2);
    EXPECT_EQ(split({"-q", "x"}).status, 2);
}

TEST(TeskSplit, TwoDownloadsIntoOneFilePerChannelInTimeOrder) {
    const Channels c = make_channels();
    ASSERT_GE(c.z.size(), 4u);
    ASSERT_GE(c.n.size(), 3u);
    ASSERT_GE(c.b.size(), 2u);
    // The first download: odd HHZ records, all HHN records backwards, the first BHZ record,
    // mixed; the second: the even HHZ records, last first, and the other BHZ records.
    Bytes first, second;
    for (std::size_t i = 0; i < std::max(c.z.size(), c.n.size()); ++i) {
        if (i < c.z.size() && i % 2 == 1) append(first, c.z[i]);
        if (i < c.n.size()) append(first, c.n[c.n.size() - 1 - i]);
        if (i == 0) append(first, c.b[0]);
    }
    for (std::size_t i = c.z.size(); i-- > 0;)
        if (i % 2 == 0) append(second, c.z[i]);
    for (std::size_t i = 1; i < c.b.size(); ++i)
        append(second, c.b[i]);
    TempDir dir;
    write_file(dir / "one.mseed", first);
    write_file(dir / "two.mseed", second);

    const ProgramResult r = split({"-o", (dir / "out").string(), (dir / "one.mseed").string(),
                                   (dir / "two.mseed").string(), (dir / "one.mseed").string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "tesk_split: " + (dir / "one.mseed").string() + ": named twice, read once\n");
    EXPECT_EQ(listing(dir / "out"),
              (std::vector<std::string>{"XX.STA1..HHN.mseed", "XX.STA1..HHZ.mseed",
                                        "YY.STA2.00.BHZ.mseed"}));
    EXPECT_EQ(slurp(dir / "out" / "XX.STA1..HHZ.mseed"), as_text(joined(c.z)));
    EXPECT_EQ(slurp(dir / "out" / "XX.STA1..HHN.mseed"), as_text(joined(c.n)));
    EXPECT_EQ(slurp(dir / "out" / "YY.STA2.00.BHZ.mseed"), as_text(joined(c.b)));
    EXPECT_EQ(lines_of(r.out).size(), 3u);
    EXPECT_NE(
        r.out.find("XX.STA1..HHZ.mseed: " + std::to_string(c.z.size()) + " records from 2 files"),
        std::string::npos);
    // libmseed reads the split file back to the samples it packed.
    const std::string z = slurp(dir / "out" / "XX.STA1..HHZ.mseed");
    EXPECT_EQ(tw::test::decode_with_libmseed(Bytes(z.begin(), z.end())), ramp(3000, 40));
}

TEST(TeskSplit, WhatCannotBeReadIsReportedAndSkipped) {
    const Channels c = make_channels();
    // An HHN record relabelled as 32-bit floats, which tesk_wave does not read: its blockette
    // 1000 follows the fixed header (least significant byte first: type 1000 = e8 03).
    Bytes floats = c.n[0];
    ASSERT_EQ(floats[48], 0xe8);
    ASSERT_EQ(floats[49], 0x03);
    floats[52] = 4;
    Bytes file(100, 'x');
    append(file, c.z[0]);
    append(file, floats);
    append(file, c.z[1]);
    file.insert(file.end(), c.z[2].begin(), c.z[2].begin() + 300); // cut short
    TempDir dir;
    write_file(dir / "damaged.mseed", file);
    const ProgramResult r = split({"-o", dir.path().string(), (dir / "damaged.mseed").string()});
    EXPECT_EQ(r.status, 1);
    const std::string name = "tesk_split: " + (dir / "damaged.mseed").string() + ": ";
    EXPECT_EQ(r.err, name + "bytes 0 to 99: no readable record, skipped\n" + name +
                         "bytes 612 to 1123 (XX.STA1..HHN): encoding 4 is not one tesk_wave "
                         "reads, skipped\n" +
                         name + "bytes 1636 to 1935: no readable record, skipped\n");
    EXPECT_EQ(slurp(dir / "XX.STA1..HHZ.mseed"), as_text(joined({c.z[0], c.z[1]})));
    EXPECT_FALSE(fs::exists(dir / "XX.STA1..HHN.mseed"));

    // A file that cannot be opened is reported; the others are still split.
    const ProgramResult missing = split({"-o", dir.path().string(), (dir / "none.mseed").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.mseed: cannot open (No such file or directory)"),
              std::string::npos);
}

TEST(RecordScan, CodesThatCannotNameAFile) {
    EXPECT_EQ(tw::split::channel_id("XX", "STA1", "", "HHZ"), "XX.STA1..HHZ");
    EXPECT_EQ(tw::split::channel_id("XX", "../a", "", "HHZ"), "");
    EXPECT_EQ(tw::split::channel_id("XX", "", "", "HHZ"), "");
    EXPECT_EQ(tw::split::channel_id("X/", "STA", "", "HHZ"), "");
}

TEST(RecordScan, RecordsFollowingEachOtherAndTheirTimes) {
    const Channels c = make_channels();
    const Bytes all = joined({c.b[1], c.b[0]});
    const auto scan = tw::split::scan_records(
        std::string_view(reinterpret_cast<const char*>(all.data()), all.size()), 7);
    EXPECT_TRUE(scan.problems.empty());
    ASSERT_EQ(scan.records.size(), 2u);
    EXPECT_EQ(scan.records[0].offset, 0u);
    EXPECT_EQ(scan.records[1].offset, 4096u);
    EXPECT_EQ(scan.records[1].length, 4096u);
    EXPECT_EQ(scan.records[1].file, 7u);
    EXPECT_EQ(scan.records[1].channel_id, "YY.STA2.00.BHZ");
    EXPECT_EQ(scan.records[1].start, (tw::int_time{2010, 57 * 86400 + 6 * 3600 + 50 * 60 + 16, 0}));
}

} // namespace
