// The table files: record framing, round trip and damaged files.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/traveltime/built_tables.hpp"
#include "traveltime/table_files.hpp"

namespace {

std::string scratch(const char* name) {
    return std::string(TW_BINARY_DIR) + "/tests/traveltime/" + name;
}

TEST(TableFiles, HeaderRoundTrip) {
    tw::TableHeader h;
    h.nasgr = 16;
    h.radius_factor = 1.0f / 6371.0f;
    h.nseg = 2;
    h.nafl[0][1] = -2;
    h.pm[1][149] = 1234.5;
    h.phcd[3] = {'P', 'K', 'P', 'a', 'b', ' ', ' ', ' '};
    h.pt[2249] = 7.25;
    h.coef[2249][4] = -1.5;
    std::string why;
    ASSERT_TRUE(tw::write_header_file(scratch("roundtrip.hed"), h, why)) << why;
    tw::TableHeader back;
    ASSERT_TRUE(tw::read_header_file(scratch("roundtrip.hed"), back, why)) << why;
    EXPECT_EQ(back.nasgr, 16);
    EXPECT_EQ(back.radius_factor, h.radius_factor);
    EXPECT_EQ(back.nafl[0][1], -2);
    EXPECT_EQ(back.pm[1][149], 1234.5);
    EXPECT_EQ(back.phcd[3], h.phcd[3]);
    EXPECT_EQ(back.pt[2249], 7.25);
    EXPECT_EQ(back.coef[2249][4], -1.5);
}

TEST(TableFiles, RecordsAreFramedByTheirLength) {
    std::ifstream in(tw::testing::built_model_base() + ".hed", std::ios::binary);
    ASSERT_TRUE(in);
    // Record 1: 3 ints, 3 reals, 8 ints, 90 reals and 210 ints.
    std::int32_t n = 0;
    in.read(reinterpret_cast<char*>(&n), 4);
    EXPECT_EQ(n, 4 * (3 + 3 + 8 + 90 + 210));
    in.seekg(n, std::ios::cur);
    std::int32_t tail = 0;
    in.read(reinterpret_cast<char*>(&tail), 4);
    EXPECT_EQ(tail, n);
}

TEST(TableFiles, TruncatedHeaderIsRejected) {
    const std::string full = tw::testing::built_model_base() + ".hed";
    std::ifstream in(full, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 1000u);
    {
        std::ofstream out(scratch("truncated.hed"), std::ios::binary);
        out.write(bytes.data(), 1000);
    }
    tw::TableHeader h;
    std::string why;
    EXPECT_FALSE(tw::read_header_file(scratch("truncated.hed"), h, why));
    EXPECT_NE(why.find("truncated.hed"), std::string::npos);
}

TEST(TableFiles, DirectAccessRecords) {
    std::string why;
    ASSERT_TRUE(
        tw::write_table_file(scratch("records.tbl"), 32, {{1.0, 2.0}, {3.0, 4.0, 5.0, 6.0}}, why));
    tw::TableFile f;
    ASSERT_TRUE(f.open(scratch("records.tbl"), 32, why)) << why;
    double buf[4] = {9, 9, 9, 9};
    ASSERT_TRUE(f.bkin(2, 4, buf));
    EXPECT_EQ(buf[0], 3.0);
    EXPECT_EQ(buf[3], 6.0);
    ASSERT_TRUE(f.bkin(1, 4, buf));
    EXPECT_EQ(buf[1], 2.0);
    EXPECT_EQ(buf[2], 0.0); // padding
    ASSERT_TRUE(f.bkin(0, 4, buf));
    EXPECT_EQ(buf[0], 0.0);
    EXPECT_FALSE(f.bkin(3, 4, buf)); // past the end
    EXPECT_FALSE(f.bkin(1, 5, buf)); // longer than a record
}

} // namespace
