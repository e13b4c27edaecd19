// The Steim decoders against a plain decoder written from the format description, one word and
// one difference at a time, on random frames: valid and invalid words, every byte order, sample
// counts that end inside a word, small and negative maxima, short sample and difference arrays.
// Results, samples, integration constants and messages must all agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "seed/byte_order.hpp"
#include "seed/sample_decoders.hpp"

namespace tw {
namespace {

constexpr int32_t kUntouched = -999999;

struct Outcome {
    int result = 0;
    std::vector<int32_t> samples;
    int32_t x0 = kUntouched, xn = kUntouched;
    std::string message;
    bool operator==(const Outcome&) const = default;
};

struct Case {
    int version = 2; // Steim-1 or Steim-2
    std::vector<uint8_t> data;
    int nsamp = 0, maximum = 0;
    std::size_t samples_size = 0, diff_size = 0;
    int order = kMsbFirst;
};

uint32_t word_at(const Case& c, std::size_t at) {
    const uint8_t* p = c.data.data() + at;
    if (c.order != 0)
        return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
    return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

int32_t sign_extended(uint32_t raw, int bits) {
    const int64_t v = raw & ((uint64_t{1} << bits) - 1);
    return static_cast<int32_t>(v >= (int64_t{1} << (bits - 1)) ? v - (int64_t{1} << bits) : v);
}

// The differences of the word at byte `at` with control code `code`; false for an invalid
// Steim-2 sub-code, with the message.
bool word_differences(const Case& c, std::size_t at, int code, int frame, int word,
                      std::vector<int32_t>& out, std::string& message) {
    if (code == 0) return true;
    if (code == 1) { // four bytes from the lowest address
        for (int k = 0; k < 4; ++k)
            out.push_back(static_cast<int8_t>(c.data[at + static_cast<std::size_t>(k)]));
        return true;
    }
    const uint32_t v = word_at(c, at);
    if (c.version == 1) {
        if (code == 2) { // two half-words in address order, each in the data order
            const uint32_t first = c.order != 0 ? v >> 16 : v & 0xFFFF;
            const uint32_t second = c.order != 0 ? v & 0xFFFF : v >> 16;
            out.push_back(sign_extended(first, 16));
            out.push_back(sign_extended(second, 16));
        } else {
            out.push_back(static_cast<int32_t>(v));
        }
        return true;
    }
    const int dnib = static_cast<int>(v >> 30);
    int n = 0, bits = 0;
    if (code == 2 && dnib != 0) {
        n = dnib;
        bits = 30 / dnib;
    } else if (code == 3 && dnib != 3) {
        n = 5 + dnib;
        bits = 6 - dnib;
    } else {
        char line[96];
        std::snprintf(line, sizeof line, "invalid ck, dnib, fn, wn = %d, %d, %d, %d\n", code, dnib,
                      frame, word - 1);
        message = line;
        return false;
    }
    for (int k = 0; k < n; ++k)
        out.push_back(sign_extended(v >> ((n - 1 - k) * bits), bits));
    return true;
}

Outcome reference(const Case& c) {
    Outcome o;
    o.samples.assign(c.samples_size, kUntouched);
    if (c.data.size() % 64 != 0 || c.nsamp < 0) return o.result = -1, o;
    if (c.nsamp == 0) return o;
    if (c.data.empty()) return o.result = -1, o;
    o.x0 = static_cast<int32_t>(word_at(c, 4));
    o.xn = static_cast<int32_t>(word_at(c, 8));
    const long long magnitude = c.maximum < 0 ? -static_cast<long long>(c.maximum) : c.maximum;
    const int store = static_cast<int>(std::min<long long>(magnitude, c.samples_size));
    const int wanted = c.maximum < 0 ? std::min(c.nsamp, store) : c.nsamp;
    if (c.diff_size < static_cast<std::size_t>(wanted)) return o.result = -1, o;
    std::vector<int32_t> d;
    for (std::size_t f = 0; f < c.data.size() / 64 && static_cast<int>(d.size()) < wanted; ++f) {
        const uint32_t control = word_at(c, 64 * f);
        for (int w = f == 0 ? 3 : 1; w < 16 && static_cast<int>(d.size()) < wanted; ++w) {
            std::vector<int32_t> values;
            const int code = static_cast<int>(control >> (30 - 2 * w)) & 3;
            if (!word_differences(c, 64 * f + 4 * static_cast<std::size_t>(w), code,
                                  static_cast<int>(f), w, values, o.message))
                return o.result = -1, o;
            for (int32_t v : values)
                if (static_cast<int>(d.size()) < wanted) d.push_back(v);
        }
    }
    if (static_cast<int>(d.size()) < wanted) return o.result = -1, o;
    const int n_out = std::min(store, static_cast<int>(d.size()));
    uint32_t last = static_cast<uint32_t>(o.x0);
    if (n_out >= 1) o.samples[0] = o.x0;
    for (int i = 1; i < n_out; ++i)
        o.samples[static_cast<std::size_t>(i)] = static_cast<int32_t>(last += d[i]);
    if (c.maximum >= 0) {
        for (int i = std::max(n_out, 1); i < static_cast<int>(d.size()); ++i)
            last += static_cast<uint32_t>(d[static_cast<std::size_t>(i)]);
        if (static_cast<int32_t>(last) != o.xn) {
            char line[160];
            std::snprintf(line, sizeof line,
                          "Data integrity for STEIM%d data frame, last_data=%d, xn=%d\n", c.version,
                          static_cast<int32_t>(last), o.xn);
            o.message = line;
            return o.result = -1, o;
        }
    }
    o.result = std::min(c.nsamp, store);
    return o;
}

Outcome decoded(const Case& c) {
    Outcome o;
    o.samples.assign(c.samples_size, kUntouched);
    std::vector<int32_t> diff(c.diff_size);
    const auto unpack = c.version == 1 ? unpack_steim1 : unpack_steim2;
    o.result = unpack(c.data, c.nsamp, c.maximum, o.samples, diff, o.x0, o.xn, c.order, &o.message);
    return o;
}

class Random {
  public:
    explicit Random(uint32_t seed) : state_(seed) {}
    uint32_t next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ ^ (state_ >> 15);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }

  private:
    uint32_t state_;
};

void put_word(std::vector<uint8_t>& data, std::size_t at, uint32_t v, int order) {
    for (int i = 0; i < 4; ++i)
        data[at + static_cast<std::size_t>(i)] =
            static_cast<uint8_t>(v >> (order != 0 ? 24 - 8 * i : 8 * i));
}

// A data word for the code: small values most of the time, so that differences stay in range;
// rarely an invalid sub-code.
uint32_t random_word(Random& r, int version, int code, bool allow_invalid) {
    const uint32_t bits = r.next();
    if (version == 1 || code == 1) return bits;
    uint32_t dnib = static_cast<uint32_t>(r.below(4));
    if (!allow_invalid) {
        if (code == 2 && dnib == 0) dnib = 1 + static_cast<uint32_t>(r.below(3));
        if (code == 3 && dnib == 3) dnib = static_cast<uint32_t>(r.below(3));
    }
    return dnib << 30 | (bits & 0x3FFFFFFFu);
}

Case random_case(Random& r) {
    Case c;
    c.version = 1 + r.below(2);
    c.order = r.below(2) == 0 ? kMsbFirst : kLsbFirst;
    const int frames = 1 + r.below(9);
    c.data.assign(64 * static_cast<std::size_t>(frames), 0);
    const bool allow_invalid = r.below(8) == 0;
    for (int f = 0; f < frames; ++f) {
        uint32_t control = 0;
        for (int w = 1; w < 16; ++w) {
            // Mostly full frames of one kind of word, as real data have, sometimes a mixture.
            const int code = (f == 0 && w < 3) ? 0 : (r.below(6) == 0 ? 0 : 1 + r.below(3));
            control |= static_cast<uint32_t>(code) << (30 - 2 * w);
            put_word(c.data, 64 * static_cast<std::size_t>(f) + 4 * static_cast<std::size_t>(w),
                     random_word(r, c.version, code, allow_invalid), c.order);
        }
        put_word(c.data, 64 * static_cast<std::size_t>(f), control, c.order);
    }
    // x0: small, or anywhere, so that the running sums also wrap past 32 bits.
    put_word(c.data, 4, r.below(3) == 0 ? r.next() : r.next() % 2000, c.order);
    const int most = 7 * 15 * frames;
    c.nsamp = r.below(10) == 0 ? r.below(most + 20) - 2 : r.below(most + 1);
    const int limits[] = {
        c.nsamp, c.nsamp + 5, std::max(c.nsamp - 3, 0), 1, 2, -1, -c.nsamp, -3, 1 << 20, 0};
    c.maximum = limits[r.below(10)];
    c.samples_size = r.below(4) == 0 ? static_cast<std::size_t>(r.below(most + 10))
                                     : static_cast<std::size_t>(std::max(c.nsamp, 0) + 8);
    c.diff_size = r.below(12) == 0 ? static_cast<std::size_t>(r.below(most + 1))
                                   : static_cast<std::size_t>(std::max(c.nsamp, 0));
    // xn: mostly the value the integration reaches, so that the records pass the check.
    Case probe = c;
    probe.maximum = std::max(c.nsamp, 1);
    probe.samples_size = static_cast<std::size_t>(probe.maximum);
    probe.diff_size = static_cast<std::size_t>(std::max(c.nsamp, 0));
    const Outcome o = reference(probe);
    if (o.result > 0 && r.below(5) != 0)
        put_word(c.data, 8, static_cast<uint32_t>(o.samples.back()), c.order);
    else
        put_word(c.data, 8, r.next(), c.order);
    return c;
}

TEST(SteimAgainstReference, RandomFramesDecodeAlikeInEveryDetail) {
    Random r(20240607);
    int passed_check = 0, invalid = 0, integrity = 0;
    for (int i = 0; i < 20000; ++i) {
        const Case c = random_case(r);
        const Outcome expected = reference(c);
        const Outcome got = decoded(c);
        ASSERT_TRUE(got == expected)
            << "case " << i << ": Steim-" << c.version << " order " << c.order << " frames "
            << c.data.size() / 64 << " nsamp " << c.nsamp << " maximum " << c.maximum << " samples "
            << c.samples_size << " diff " << c.diff_size << "; result " << got.result
            << " expected " << expected.result << "; message '" << got.message << "' expected '"
            << expected.message << "'";
        passed_check += expected.result > 0;
        invalid += expected.message.rfind("invalid", 0) == 0;
        integrity += expected.message.rfind("Data integrity", 0) == 0;
    }
    // The cases reach every outcome.
    EXPECT_GT(passed_check, 4000);
    EXPECT_GT(invalid, 100);
    EXPECT_GT(integrity, 100);
}

} // namespace
} // namespace tw
