// The blockette list of a data header and the byte-order settings.
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

TEST(ByteOrder, HostOrderIsFoundAtRunTimeAndFillsTheDefaults) {
    const uint32_t probe = 1;
    uint8_t first;
    std::memcpy(&first, &probe, 1);
    const int expected = first == 1 ? kLsbFirst : kMsbFirst;
    EXPECT_EQ(get_my_wordorder(), expected);
    EXPECT_EQ(byte_order_settings().my_wordorder, expected);
    EXPECT_GE(byte_order_settings().hdr_wordorder, 0);
    EXPECT_GE(byte_order_settings().data_wordorder, 0);
    EXPECT_EQ(needs_swap(expected), false);
    EXPECT_EQ(needs_swap(1 - expected), true);
}

TEST(ByteOrder, SwabReversesFieldsInPlace) {
    uint8_t four[4] = {1, 2, 3, 4};
    swab4(four);
    EXPECT_EQ((std::vector<uint8_t>(four, four + 4)), (std::vector<uint8_t>{4, 3, 2, 1}));
    uint8_t three[3] = {1, 2, 3};
    swab3(three);
    EXPECT_EQ((std::vector<uint8_t>(three, three + 3)), (std::vector<uint8_t>{3, 2, 1}));
    uint8_t two[2] = {1, 2};
    swab2(two);
    EXPECT_EQ(two[0], 2);
    uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    swab8(eight);
    EXPECT_EQ((std::vector<uint8_t>(eight, eight + 8)),
              (std::vector<uint8_t>{8, 7, 6, 5, 4, 3, 2, 1}));
    const uint8_t msb[4] = {0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(load_u32(msb, needs_swap(kMsbFirst)), 0x01020304u);
    EXPECT_EQ(load_u32(msb, needs_swap(kLsbFirst)), 0x04030201u);
    EXPECT_EQ(load_i16(msb, needs_swap(kMsbFirst)), 0x0102);
}

TEST(DataHdr, NewHeaderStartsEmptyWithRateMultiplierOne) {
    set_hdr_wordorder(kMsbFirst);
    set_data_wordorder(kLsbFirst);
    const data_hdr hdr = new_data_hdr();
    EXPECT_EQ(hdr.rate_mult, 1);
    EXPECT_EQ(hdr.record_type, 'D');
    EXPECT_EQ(hdr.blockette_count, 0);
    EXPECT_TRUE(hdr.blockettes.empty());
    EXPECT_EQ(hdr.hdr_wordorder, kMsbFirst);
    EXPECT_EQ(hdr.data_wordorder, kLsbFirst);
    set_hdr_wordorder(byte_order_settings().my_wordorder);
    set_data_wordorder(byte_order_settings().my_wordorder);
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
