#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "commands/synth/steim2.hpp"

using namespace tw::synth;

namespace {

uint32_t word_at(const std::vector<uint8_t>& frames, std::size_t index) {
    const std::size_t at = index * 4;
    return (uint32_t{frames[at]} << 24) | (uint32_t{frames[at + 1]} << 16) |
           (uint32_t{frames[at + 2]} << 8) | uint32_t{frames[at + 3]};
}

uint32_t code_of(uint32_t control, int word) {
    return (control >> (30 - 2 * word)) & 3u;
}

} // namespace

TEST(Steim2Pack, FourSmallSamplesGiveOneByteWordAndIntegrationConstants) {
    // Differences from the previous sample 5: 5, 1, 2, 3 -> four 8-bit values in word 3.
    const std::array<int32_t, 4> samples{10, 11, 13, 16};
    std::vector<uint8_t> frames(64);
    ASSERT_EQ(steim2_pack(samples, 5, frames), 4u);
    EXPECT_EQ(word_at(frames, 0), 0x01000000u); // code 1 for word 3, nothing else
    EXPECT_EQ(word_at(frames, 1), 10u);         // x0
    EXPECT_EQ(word_at(frames, 2), 16u);         // xn
    EXPECT_EQ(word_at(frames, 3), 0x05010203u);
    for (std::size_t w = 4; w < 16; ++w)
        EXPECT_EQ(word_at(frames, w), 0u) << w;
}

TEST(Steim2Pack, EachDifferenceWidthSelectsItsWordLayout) {
    struct Case {
        int32_t difference;
        int count;
        int bits;
        uint32_t code;
        uint32_t subcode; // ignored for code 1
    };
    // The largest magnitude of each width, negative to exercise the sign bits too.
    const std::array<Case, 7> cases{{{-8, 7, 4, 3, 2},
                                     {-16, 6, 5, 3, 1},
                                     {-32, 5, 6, 3, 0},
                                     {-128, 4, 8, 1, 0},
                                     {-512, 3, 10, 2, 3},
                                     {-16384, 2, 15, 2, 2},
                                     {-(1 << 29), 1, 30, 2, 1}}};
    for (const auto& c : cases) {
        // First sample 0 (first difference 0), then a run of equal differences.
        std::vector<int32_t> samples{0};
        const int run = c.count == 1 ? 1 : 14; // one 30-bit step already spans the range
        for (int k = 0; k < run; ++k)
            samples.push_back(samples.back() + c.difference);
        std::vector<uint8_t> frames(64 * 2);
        ASSERT_EQ(steim2_pack(samples, 0, frames), samples.size()) << c.difference;
        // Word 4 of frame 0 holds differences of the run only.
        const uint32_t control = word_at(frames, 0);
        const uint32_t word = word_at(frames, 4);
        if (c.difference == -(1 << 29)) {
            EXPECT_EQ(code_of(control, 3), 2u);
            EXPECT_EQ(word_at(frames, 3), (1u << 30) | 0u); // the leading zero difference
            continue;
        }
        EXPECT_EQ(code_of(control, 4), c.code) << c.difference;
        if (c.code != 1) {
            EXPECT_EQ(word >> 30, c.subcode) << c.difference;
        }
        // Every field of the word decodes back to the difference.
        const int bits = c.bits;
        for (int k = 0; k < c.count; ++k) {
            const uint32_t field = (word >> ((c.count - 1 - k) * bits)) & ((1u << bits) - 1u);
            const int32_t value = static_cast<int32_t>(field << (32 - bits)) >> (32 - bits);
            EXPECT_EQ(value, c.difference) << c.difference << " field " << k;
        }
    }
}

TEST(Steim2Pack, StopsWhenTheFramesAreFullAndKeepsXnOfTheLastPackedSample) {
    std::vector<int32_t> samples(1000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int32_t>(i * 100000);
    std::vector<uint8_t> frames(64);
    // One frame: 13 data words of one 30-bit difference each.
    ASSERT_EQ(steim2_pack(samples, 0, frames), 13u);
    EXPECT_EQ(static_cast<int32_t>(word_at(frames, 2)), samples[12]);
}

TEST(Steim2Pack, RefusesDifferencesBeyondThirtyBitsAndEmptyInput) {
    std::vector<uint8_t> frames(64);
    const std::array<int32_t, 2> jump{0, 1 << 29};
    EXPECT_EQ(steim2_pack(jump, 0, frames), 0u);
    EXPECT_EQ(steim2_pack(std::span<const int32_t>(), 0, frames), 0u);
    std::vector<uint8_t> too_short(63);
    const std::array<int32_t, 1> one{1};
    EXPECT_EQ(steim2_pack(one, 0, too_short), 0u);
}
