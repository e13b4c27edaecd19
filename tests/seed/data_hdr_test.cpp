// The blockette list of a data header and reading fields in their byte order.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "seed/byte_order.hpp"
#include "seed/data_hdr.hpp"

namespace tw {
namespace {

std::vector<uint8_t> blockette_bytes(uint16_t type, int len) {
    std::vector<uint8_t> b(static_cast<std::size_t>(len), 0);
    b[0] = static_cast<uint8_t>(type >> 8);
    b[1] = static_cast<uint8_t>(type);
    for (int i = 4; i < len; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
    return b;
}

void add(data_hdr& hdr, uint16_t type, int where = -1, int len = 8) {
    const auto bytes = blockette_bytes(type, len);
    EXPECT_EQ(add_blockette(hdr, bytes.data(), type, len, 1, where), 1);
}

std::vector<int> types(const data_hdr& hdr) {
    std::vector<int> t;
    for (const BS& node : hdr.blockettes)
        t.push_back(node.type);
    return t;
}

TEST(ByteOrder, FieldsAreReadInTheirOwnOrder) {
    const uint8_t msb[4] = {0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(load_u32(msb, needs_swap(kMsbFirst)), 0x01020304u);
    EXPECT_EQ(load_u32(msb, needs_swap(kLsbFirst)), 0x04030201u);
    EXPECT_EQ(load_i16(msb, needs_swap(kMsbFirst)), 0x0102);
    EXPECT_EQ(load_u16(msb, needs_swap(kLsbFirst)), 0x0201u);
}

TEST(DataHdr, NewHeaderStartsEmptyWithRateMultiplierOne) {
    const data_hdr hdr = new_data_hdr();
    EXPECT_EQ(hdr.rate_mult, 1);
    EXPECT_EQ(hdr.record_type, 'D');
    EXPECT_EQ(hdr.blockette_count, 0);
    EXPECT_TRUE(hdr.blockettes.empty());
    EXPECT_EQ(hdr.hdr_wordorder, kHostWordorder);
    EXPECT_EQ(hdr.data_wordorder, kHostWordorder);
}

TEST(DataHdr, FirstBlocketteSetsOffset48AndCount) {
    data_hdr hdr = new_data_hdr();
    EXPECT_EQ(find_blockette(hdr, 1000), nullptr);
    add(hdr, 1000);
    EXPECT_EQ(hdr.blockette_offset, 48);
    EXPECT_EQ(hdr.blockette_count, 1);
    ASSERT_NE(find_blockette(hdr, 1000), nullptr);
    EXPECT_EQ(find_blockette(hdr, 1000)->len, 8);
    EXPECT_EQ(find_blockette(hdr, 1000)->bytes, blockette_bytes(1000, 8));
}

TEST(DataHdr, PositionArgumentPlacesNodes) {
    data_hdr hdr = new_data_hdr();
    add(hdr, 100);     // empty list
    add(hdr, 200, -1); // end
    add(hdr, 300, 0);  // first
    add(hdr, 400, 1);  // after the first
    add(hdr, 500, 99); // list shorter: end
    EXPECT_EQ(types(hdr), (std::vector<int>{300, 400, 100, 200, 500}));
    EXPECT_EQ(hdr.blockette_count, 5);
}

TEST(DataHdr, FindReturnsTheEarlierOfTwoOfTheSameType) {
    data_hdr hdr = new_data_hdr();
    add(hdr, 1000, -1, 8);
    add(hdr, 1000, -1, 12);
    ASSERT_NE(find_blockette(hdr, 1000), nullptr);
    EXPECT_EQ(find_blockette(hdr, 1000)->len, 8);
}

TEST(DataHdr, DeleteByTypeAndAll) {
    data_hdr hdr = new_data_hdr();
    add(hdr, 1000);
    add(hdr, 1001);
    add(hdr, 1000);
    EXPECT_EQ(delete_blockette(hdr, 1000), 2);
    EXPECT_EQ(types(hdr), (std::vector<int>{1001}));
    EXPECT_EQ(hdr.blockette_count, 1);
    EXPECT_EQ(hdr.blockette_offset, 48);
    add(hdr, 100);
    const int all = -1;
    EXPECT_EQ(f_delete_blockette(hdr, all), 2);
    EXPECT_TRUE(hdr.blockettes.empty());
    EXPECT_EQ(hdr.blockette_count, 0);
    EXPECT_EQ(hdr.blockette_offset, 0);
}

TEST(DataHdr, CopyHasItsOwnListInTheSameOrder) {
    auto src = std::make_unique<data_hdr>(new_data_hdr());
    src->nsamp = 412;
    src->station = {'A', 'B', 'C', '\0', '\0', '\0'};
    add(*src, 1000);
    add(*src, 1001);
    data_hdr dst = new_data_hdr();
    add(dst, 100); // replaced, not kept
    f_copy_data_hdr(dst, *src);
    EXPECT_EQ(dst.nsamp, 412);
    EXPECT_EQ(code_text(dst.station), "ABC");
    EXPECT_EQ(types(dst), (std::vector<int>{1000, 1001}));
    EXPECT_EQ(dst.blockette_count, 2);
    EXPECT_EQ(dst.blockette_offset, 48);
    EXPECT_NE(dst.blockettes[0].bytes.data(), src->blockettes[0].bytes.data());
    const auto expected = src->blockettes[1].bytes;
    src.reset(); // releasing the source leaves the copy intact
    EXPECT_EQ(dst.blockettes[1].bytes, expected);
}

} // namespace
} // namespace tw
