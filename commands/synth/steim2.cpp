#include "commands/synth/steim2.hpp"

#include <array>
#include <vector>

namespace tw::synth {
namespace {

// One way of filling a 32-bit word: `count` differences of `bits` bits each, under the word's
// two-bit code and, for codes 2 and 3, the two-bit sub-code in the top bits of the word.
struct WordLayout {
    int count;
    int bits;
    uint32_t code;
    uint32_t subcode;
};

// Densest first, so that each word takes as many differences as it can hold.
constexpr std::array<WordLayout, 7> kLayouts{{
    {7, 4, 3, 2},
    {6, 5, 3, 1},
    {5, 6, 3, 0},
    {4, 8, 1, 0},
    {3, 10, 2, 3},
    {2, 15, 2, 2},
    {1, 30, 2, 1},
}};

bool fits(int64_t value, int bits) {
    const int64_t limit = int64_t{1} << (bits - 1);
    return value >= -limit && value < limit;
}

void put_word(std::span<uint8_t> frames, std::size_t word_index, uint32_t word) {
    const std::size_t at = word_index * 4;
    frames[at] = static_cast<uint8_t>(word >> 24);
    frames[at + 1] = static_cast<uint8_t>(word >> 16);
    frames[at + 2] = static_cast<uint8_t>(word >> 8);
    frames[at + 3] = static_cast<uint8_t>(word);
}

uint32_t pack_word(const WordLayout& layout, const int64_t* diffs) {
    uint32_t word = layout.code == 1 ? 0u : layout.subcode << 30;
    const uint32_t mask = (layout.bits == 32) ? 0xFFFFFFFFu : ((1u << layout.bits) - 1u);
    for (int k = 0; k < layout.count; ++k) {
        const uint32_t field = static_cast<uint32_t>(diffs[k]) & mask;
        word |= field << ((layout.count - 1 - k) * layout.bits);
    }
    return word;
}

} // namespace

std::size_t steim2_pack(std::span<const int32_t> samples, int32_t previous,
                        std::span<uint8_t> frames) {
    const std::size_t frame_count = frames.size() / kFrameBytes;
    if (samples.empty() || frame_count == 0) return 0;
    std::fill(frames.begin(), frames.end(), uint8_t{0});

    std::vector<int64_t> diffs(samples.size());
    int64_t before = previous;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        diffs[i] = int64_t{samples[i]} - before;
        before = samples[i];
        if (!fits(diffs[i], 30)) return 0;
    }

    std::size_t packed = 0;
    for (std::size_t f = 0; f < frame_count && packed < samples.size(); ++f) {
        uint32_t control = 0;
        const std::size_t first_word = (f == 0) ? 3 : 1; // words 1 and 2 of frame 0 hold x0, xn
        for (std::size_t w = first_word; w < 16 && packed < samples.size(); ++w) {
            const std::size_t left = samples.size() - packed;
            for (const auto& layout : kLayouts) {
                if (static_cast<std::size_t>(layout.count) > left) continue;
                bool ok = true;
                for (int k = 0; k < layout.count && ok; ++k)
                    ok = fits(diffs[packed + static_cast<std::size_t>(k)], layout.bits);
                if (!ok) continue;
                put_word(frames, f * 16 + w, pack_word(layout, &diffs[packed]));
                control |= layout.code << (30 - 2 * w);
                packed += static_cast<std::size_t>(layout.count);
                break;
            }
        }
        put_word(frames, f * 16, control);
    }
    put_word(frames, 1, static_cast<uint32_t>(samples[0]));
    put_word(frames, 2, static_cast<uint32_t>(samples[packed - 1]));
    return packed;
}

} // namespace tw::synth
