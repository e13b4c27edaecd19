// The five sample decoders, driven with hand-built data sections.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "seed/byte_order.hpp"
#include "seed/sample_decoders.hpp"
#include "tests/support/record_builder.hpp"

namespace tw {
namespace {

using testing::put;
using testing::steim_frame;

struct Decoded {
    int result = 0;
    std::vector<int32_t> samples;
    int32_t x0 = 0, xn = 0;
    std::string message;
};

using SteimUnpack = int (*)(std::span<const uint8_t>, int, int, std::span<int32_t>,
                            std::span<int32_t>, int32_t&, int32_t&, int, std::string*);

Decoded steim(SteimUnpack unpack, const std::vector<uint8_t>& data, int nsamp, int maximum,
              int order = kMsbFirst) {
    Decoded d;
    d.samples.assign(64, -999);
    std::vector<int32_t> diff(static_cast<std::size_t>(std::max(nsamp, 0)));
    d.result = unpack(data, nsamp, maximum, d.samples, diff, d.x0, d.xn, order, &d.message);
    return d;
}

std::vector<int32_t> first(const Decoded& d, int n) {
    return {d.samples.begin(), d.samples.begin() + n};
}

// One Steim-1 frame: x0 10, xn as given, word 3 holding the bytes 05 01 02 03.
std::vector<uint8_t> small_steim1(uint32_t xn, bool msb = true) {
    const uint32_t words[16] = {0x01000000, 10, xn, 0x05010203};
    auto frame = steim_frame(words, msb);
    // Byte differences are stored from the lowest address whatever the byte order.
    frame[12] = 5, frame[13] = 1, frame[14] = 2, frame[15] = 3;
    return frame;
}

TEST(Steim1, SmallFrameDecodesFromX0AndSkipsTheFirstDifference) {
    const Decoded d = steim(unpack_steim1, small_steim1(16), 4, 64);
    EXPECT_EQ(d.result, 4);
    EXPECT_EQ(first(d, 4), (std::vector<int32_t>{10, 11, 13, 16}));
    EXPECT_EQ(d.x0, 10);
    EXPECT_EQ(d.xn, 16);
    EXPECT_EQ(d.samples[4], -999);
}

TEST(Steim1, LeastSignificantFirstFrameDecodesTheSame) {
    const Decoded d = steim(unpack_steim1, small_steim1(16, false), 4, 64, kLsbFirst);
    EXPECT_EQ(d.result, 4);
    EXPECT_EQ(first(d, 4), (std::vector<int32_t>{10, 11, 13, 16}));
}

TEST(Steim1, IntegrityFailureNamesLastDataAndXn) {
    const Decoded d = steim(unpack_steim1, small_steim1(17), 4, 64);
    EXPECT_EQ(d.result, -1);
    EXPECT_EQ(d.message, "Data integrity for STEIM1 data frame, last_data=16, xn=17\n");
}

TEST(Steim1, MaximumBelowNsampStoresFewerButChecksEverything) {
    Decoded d = steim(unpack_steim1, small_steim1(16), 4, 2);
    EXPECT_EQ(d.result, 2);
    EXPECT_EQ(first(d, 3), (std::vector<int32_t>{10, 11, -999}));
    d = steim(unpack_steim1, small_steim1(17), 4, 2);
    EXPECT_EQ(d.result, -1) << "the check covers the differences beyond the maximum";
    d = steim(unpack_steim1, small_steim1(17), 4, -2);
    EXPECT_EQ(d.result, 2) << "a negative maximum skips the check";
    EXPECT_EQ(first(d, 2), (std::vector<int32_t>{10, 11}));
}

TEST(Steim1, NsampBelowTheDifferencesPresentStopsThere) {
    // Four differences present, three wanted: the check uses the third (13).
    Decoded d = steim(unpack_steim1, small_steim1(13), 3, 64);
    EXPECT_EQ(d.result, 3);
    EXPECT_EQ(first(d, 3), (std::vector<int32_t>{10, 11, 13}));
    d = steim(unpack_steim1, small_steim1(16), 3, 64);
    EXPECT_EQ(d.result, -1);
}

TEST(Steim1, HalfWordAndWordDifferences) {
    // word 3: two 16-bit (-300, 7); word 4: one 32-bit 100000.
    const uint32_t words[16] = {0x00000000u | (2u << 24) | (3u << 22), 50, 50 + 7 + 100000,
                                (static_cast<uint32_t>(static_cast<uint16_t>(-300)) << 16) | 7u,
                                100000};
    for (bool msb : {true, false}) {
        auto frame = steim_frame(words, msb);
        // Half-words lie in address order, each in the data byte order.
        put(frame, 12, static_cast<uint16_t>(-300), 2, msb);
        put(frame, 14, 7, 2, msb);
        const Decoded d = steim(unpack_steim1, frame, 3, 64, msb ? kMsbFirst : kLsbFirst);
        EXPECT_EQ(d.result, 3);
        EXPECT_EQ(first(d, 3), (std::vector<int32_t>{50, 57, 100057}));
    }
}

TEST(Steim, ZeroSamplesAndBadLengths) {
    EXPECT_EQ(steim(unpack_steim1, small_steim1(16), 0, 64).result, 0);
    EXPECT_EQ(steim(unpack_steim1, small_steim1(16), -1, 64).result, -1);
    auto odd = small_steim1(16);
    odd.push_back(0);
    EXPECT_EQ(steim(unpack_steim1, odd, 4, 64).result, -1);
    EXPECT_EQ(steim(unpack_steim2, std::vector<uint8_t>(63), 4, 64).result, -1);
}

TEST(Steim, FramesHoldingFewerDifferencesThanNsampAreBad) {
    // The frame holds four differences; a header claiming ten samples is not trusted.
    EXPECT_EQ(steim(unpack_steim1, small_steim1(16), 10, 64).result, -1);
    EXPECT_EQ(steim(unpack_steim2, small_steim1(16), 10, 64).result, -1);
}

TEST(Steim2, SevenFourBitDifferences) {
    // code 3 with 0x8FFFFFFF: sub-code 2, seven differences of -1.
    const uint32_t words[16] = {0x03000000, 100, 94, 0x8FFFFFFF};
    const Decoded d = steim(unpack_steim2, steim_frame(words, true), 7, 64);
    EXPECT_EQ(d.result, 7);
    EXPECT_EQ(first(d, 7), (std::vector<int32_t>{100, 99, 98, 97, 96, 95, 94}));
}

TEST(Steim2, ThirtyBitDifference) {
    // code 2 with 0x7FFFFFFF: sub-code 1, one difference 0x3FFFFFFF = -1; then 0x40000005 = 5.
    const uint32_t words[16] = {0x02800000, 7, 12, 0x7FFFFFFF, 0x40000005};
    const Decoded d = steim(unpack_steim2, steim_frame(words, true), 2, 64);
    EXPECT_EQ(d.result, 2);
    EXPECT_EQ(first(d, 2), (std::vector<int32_t>{7, 12}));
}

TEST(Steim2, EverySubCodeWidth) {
    // Fields of each width holding 1, -1, 2, ... so that sign extension of each width shows.
    auto pack = [](uint32_t dnib, int n, int bits, const std::vector<int>& v) {
        uint32_t w = dnib << 30;
        for (int k = 0; k < n; ++k)
            w |= (static_cast<uint32_t>(v[k]) & ((1u << bits) - 1u)) << ((n - 1 - k) * bits);
        return w;
    };
    const std::vector<int> ten{-512, 511, -1}, fifteen{-16384, 16383}, six{-32, 31, -1, 1, 0},
        five{-16, 15, -1, 1, 0, 2}, four{-8, 7, -1, 1, 0, 2, 3};
    std::vector<int> all;
    for (const auto* v : {&ten, &fifteen, &six, &five, &four})
        all.insert(all.end(), v->begin(), v->end());
    // Codes: word 3 code 2, word 4 code 2, words 5-7 code 3, word 8 code 1 (four bytes).
    const uint32_t control =
        (2u << 24) | (2u << 22) | (3u << 20) | (3u << 18) | (3u << 16) | (1u << 14);
    int32_t sum = 0;
    std::vector<int32_t> expected{sum};
    // The first difference is replaced by x0.
    for (std::size_t i = 1; i < all.size(); ++i)
        expected.push_back(sum += all[i]);
    const std::vector<int> bytes{-128, 127, -2, 3};
    for (int b : bytes)
        expected.push_back(sum += b);
    uint32_t words[16] = {control,
                          0,
                          static_cast<uint32_t>(sum),
                          pack(3, 3, 10, ten),
                          pack(2, 2, 15, fifteen),
                          pack(0, 5, 6, six),
                          pack(1, 6, 5, five),
                          pack(2, 7, 4, four),
                          0};
    for (bool msb : {true, false}) {
        auto frame = steim_frame(words, msb);
        for (int k = 0; k < 4; ++k)
            frame[32 + k] = static_cast<uint8_t>(bytes[k]);
        const int n = static_cast<int>(expected.size());
        Decoded d;
        d.samples.assign(64, 0);
        std::vector<int32_t> diff(64);
        d.result = unpack_steim2(frame, n, 64, d.samples, diff, d.x0, d.xn,
                                 msb ? kMsbFirst : kLsbFirst, &d.message);
        EXPECT_EQ(d.result, n) << d.message;
        EXPECT_EQ(first(d, n), expected);
    }
}

TEST(Steim2, InvalidSubCodesReportFrameAndWord) {
    uint32_t words[16] = {0x03000000, 0, 0, 0xC0000000};
    Decoded d = steim(unpack_steim2, steim_frame(words, true), 4, 64);
    EXPECT_EQ(d.result, -1);
    EXPECT_EQ(d.message, "invalid ck, dnib, fn, wn = 3, 3, 0, 2\n");
    // Second frame, word 5, code 2 with sub-code 0.
    uint32_t frame0[16] = {0x00000000, 0, 0};
    uint32_t frame1[16] = {2u << 20, 0, 0, 0, 0, 0x00000001};
    auto data = steim_frame(frame0, true);
    const auto second = steim_frame(frame1, true);
    data.insert(data.end(), second.begin(), second.end());
    d = steim(unpack_steim2, data, 4, 64);
    EXPECT_EQ(d.result, -1);
    EXPECT_EQ(d.message, "invalid ck, dnib, fn, wn = 2, 0, 1, 4\n");
}

TEST(Steim, DifferencesContinueAcrossFrames) {
    uint32_t frame0[16] = {0, 1, 6};
    for (int w = 3; w < 16; ++w)
        frame0[w] = 0;
    frame0[0] = 1u << (30 - 2 * 15); // word 15: four byte differences
    uint32_t frame1[16] = {1u << (30 - 2 * 1), 0x01010101};
    auto data = steim_frame(frame0, true);
    const auto second = steim_frame(frame1, true);
    data.insert(data.end(), second.begin(), second.end());
    data[60] = 9, data[61] = 1, data[62] = 1, data[63] = 1;
    const Decoded d = steim(unpack_steim1, data, 6, 64);
    EXPECT_EQ(d.result, 6) << d.message;
    EXPECT_EQ(first(d, 6), (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
}

// Frames of one kind of word: frame 0 holds words 3 to 15, the others words 1 to 15.
std::vector<uint8_t> uniform_frames(int frames, int code, uint32_t word, int32_t x0, int32_t xn,
                                    bool msb) {
    std::vector<uint8_t> data;
    for (int f = 0; f < frames; ++f) {
        uint32_t words[16] = {};
        for (int w = f == 0 ? 3 : 1; w < 16; ++w) {
            words[0] |= static_cast<uint32_t>(code) << (30 - 2 * w);
            words[w] = word;
        }
        if (f == 0) {
            words[1] = static_cast<uint32_t>(x0);
            words[2] = static_cast<uint32_t>(xn);
        }
        const auto frame = steim_frame(words, msb);
        data.insert(data.end(), frame.begin(), frame.end());
    }
    return data;
}

TEST(Steim, LongRecordsStopMidWordInTheirLastFrameAndSumPastThirtyTwoBits) {
    // Seven 4-bit differences of 3 per word: 91 in frame 0, 105 in each frame after. 250 wanted:
    // two whole frames, then 54 of the third, ending inside its eighth word. x0 near the top of
    // the range, so that the sums wrap.
    const int32_t x0 = 2147483000;
    const auto expected_at = [&](int i) {
        return static_cast<int32_t>(static_cast<uint32_t>(x0) + 3u * static_cast<uint32_t>(i));
    };
    for (bool msb : {true, false}) {
        const auto data = uniform_frames(3, 3, 0x83333333u, x0, expected_at(249), msb);
        std::vector<int32_t> samples(260, -999), diff(250);
        int32_t got_x0 = 0, got_xn = 0;
        std::string message;
        const int order = msb ? kMsbFirst : kLsbFirst;
        ASSERT_EQ(unpack_steim2(data, 250, 260, samples, diff, got_x0, got_xn, order, &message),
                  250)
            << message;
        for (int i = 0; i < 250; ++i)
            ASSERT_EQ(samples[static_cast<std::size_t>(i)], expected_at(i)) << i;
        EXPECT_EQ(samples[250], -999);
        // Stored up to a maximum inside the second frame, checked through all 250.
        samples.assign(260, -999);
        EXPECT_EQ(unpack_steim2(data, 250, 150, samples, diff, got_x0, got_xn, order, &message),
                  150);
        EXPECT_EQ(samples[149], expected_at(149));
        EXPECT_EQ(samples[150], -999);
        const auto wrong = uniform_frames(3, 3, 0x83333333u, x0, expected_at(250), msb);
        EXPECT_EQ(unpack_steim2(wrong, 250, 260, samples, diff, got_x0, got_xn, order, &message),
                  -1);
        EXPECT_EQ(message, "Data integrity for STEIM2 data frame, last_data=" +
                               std::to_string(expected_at(249)) +
                               ", xn=" + std::to_string(expected_at(250)) + "\n");
    }
    // Steim-1: two half-words per word (-7 and 5 in each); 149 wanted from frames of 26 and 30
    // differences: two whole frames, then the rest, ending inside a word of the sixth.
    for (bool msb : {true, false}) {
        const uint32_t halves = msb ? 0xFFF90005u : 0x0005FFF9u;
        const int32_t last = 100 + 5 * 74 - 7 * 74;
        const auto data = uniform_frames(6, 2, halves, 100, last, msb);
        std::vector<int32_t> samples(160, -999), diff(149);
        int32_t got_x0 = 0, got_xn = 0;
        std::string message;
        EXPECT_EQ(unpack_steim1(data, 149, 160, samples, diff, got_x0, got_xn,
                                msb ? kMsbFirst : kLsbFirst, &message),
                  149)
            << message;
        EXPECT_EQ(samples[1], 105);
        EXPECT_EQ(samples[2], 98);
        EXPECT_EQ(samples[148], last);
        EXPECT_EQ(samples[149], -999);
    }
}

// Records are decoded straight into the trace: the differences are collected where their samples
// go and integrated in place, which must give the samples a separate difference array gives and
// leave the samples after them alone.
TEST(Steim, DifferencesCollectedInPlaceGiveTheSameSamples) {
    const int32_t x0 = 2147483000;
    const auto at = [&](int i) {
        return static_cast<int32_t>(static_cast<uint32_t>(x0) + 3u * static_cast<uint32_t>(i));
    };
    for (bool msb : {true, false}) {
        const int order = msb ? kMsbFirst : kLsbFirst;
        const auto steim2 = uniform_frames(3, 3, 0x83333333u, x0, at(249), msb);
        const uint32_t halves = msb ? 0xFFF90005u : 0x0005FFF9u;
        const auto steim1 = uniform_frames(6, 2, halves, 100, 100 + 5 * 74 - 7 * 74, msb);
        const std::pair<SteimUnpack, const std::vector<uint8_t>*> cases[] = {
            {unpack_steim2, &steim2}, {unpack_steim1, &steim1}};
        for (const auto& [unpack, data] : cases) {
            for (int nsamp : {1, 2, 7, 8, 9, 100, 149}) {
                SCOPED_TRACE("nsamp " + std::to_string(nsamp) + (msb ? " msb" : " lsb"));
                std::vector<int32_t> apart(160, -999), diff(static_cast<std::size_t>(nsamp));
                std::vector<int32_t> in_place(160, -999);
                int32_t x0_a = 0, xn_a = 0, x0_b = 0, xn_b = 0;
                std::string said_a, said_b;
                // No integrity check (negative maximum): frames hold more than nsamp differences.
                const int a = unpack(*data, nsamp, -nsamp, apart, diff, x0_a, xn_a, order, &said_a);
                const int b = unpack(*data, nsamp, -nsamp, in_place,
                                     std::span(in_place).first(static_cast<std::size_t>(nsamp)),
                                     x0_b, xn_b, order, &said_b);
                EXPECT_EQ(a, nsamp);
                EXPECT_EQ(b, a);
                EXPECT_EQ(in_place, apart);
            }
            // With the integrity check over every difference of the record.
            std::vector<int32_t> apart(160, -999), diff(149), in_place(160, -999);
            int32_t x0_a = 0, xn_a = 0, x0_b = 0, xn_b = 0;
            std::string said_a, said_b;
            const int n = unpack == unpack_steim2 ? 250 : 149;
            diff.resize(static_cast<std::size_t>(n));
            apart.resize(260, -999);
            in_place.resize(260, -999);
            const int a = unpack(*data, n, 260, apart, diff, x0_a, xn_a, order, &said_a);
            const int b = unpack(*data, n, 260, in_place,
                                 std::span(in_place).first(static_cast<std::size_t>(n)), x0_b, xn_b,
                                 order, &said_b);
            EXPECT_EQ(a, n) << said_a;
            EXPECT_EQ(b, a);
            EXPECT_EQ(in_place, apart);
        }
    }
}

TEST(UncompressedIntegers, Int24IsSignExtendedInEitherOrder) {
    std::vector<int32_t> s(4, 0);
    const std::vector<uint8_t> msb{0xFF, 0xFF, 0xFE, 0x7F, 0xFF, 0xFF, 0x80, 0x00, 0x00};
    EXPECT_EQ(unpack_int_24(msb, 3, 4, s, kMsbFirst, nullptr), 3);
    EXPECT_EQ(s[0], -2);
    EXPECT_EQ(s[1], 8388607);
    EXPECT_EQ(s[2], -8388608);
    const std::vector<uint8_t> lsb{0xFE, 0xFF, 0xFF};
    EXPECT_EQ(unpack_int_24(lsb, 1, 4, s, kLsbFirst, nullptr), 1);
    EXPECT_EQ(s[0], -2);
}

TEST(UncompressedIntegers, Int16AndInt32InBothOrders) {
    std::vector<int32_t> s(4, 0);
    std::vector<uint8_t> b;
    put(b, 0, 0xFFFE, 2, true);
    put(b, 2, 0x1234, 2, true);
    EXPECT_EQ(unpack_int_16(b, 2, 4, s, kMsbFirst, nullptr), 2);
    EXPECT_EQ(s[0], -2);
    EXPECT_EQ(s[1], 0x1234);
    EXPECT_EQ(unpack_int_16(b, 2, 4, s, kLsbFirst, nullptr), 2);
    EXPECT_EQ(s[0], static_cast<int16_t>(0xFEFF));
    b.clear();
    put(b, 0, 0xFFFFFFF0u, 4, false);
    put(b, 4, 2000000000u, 4, false);
    EXPECT_EQ(unpack_int_32(b, 2, 4, s, kLsbFirst, nullptr), 2);
    EXPECT_EQ(s[0], -16);
    EXPECT_EQ(s[1], 2000000000);
}

TEST(UncompressedIntegers, MaximumAndOverlongNsamp) {
    std::vector<int32_t> s(8, -999);
    const std::vector<uint8_t> b{0, 1, 0, 2, 0, 3};
    EXPECT_EQ(unpack_int_16(b, 3, 2, s, kMsbFirst, nullptr), 2);
    EXPECT_EQ(s[2], -999);
    EXPECT_EQ(unpack_int_16(b, -1, 2, s, kMsbFirst, nullptr), -1);
    // Five values claimed, three fit: the three are stored and the section is reported bad.
    EXPECT_EQ(unpack_int_16(b, 5, 8, s, kMsbFirst, nullptr), -1);
    EXPECT_EQ((std::vector<int32_t>(s.begin(), s.begin() + 4)),
              (std::vector<int32_t>{1, 2, 3, -999}));
    EXPECT_EQ(unpack_int_32(b, 2, 8, s, kMsbFirst, nullptr), -1);
    EXPECT_EQ(unpack_int_24(b, 2, 8, s, kMsbFirst, nullptr), 2);
}

} // namespace
} // namespace tw
