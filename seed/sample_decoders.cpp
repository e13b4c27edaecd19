#include "seed/sample_decoders.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "dsp/vector_clones.hpp"
#include "seed/byte_order.hpp"
#include "seed/fixed_header.hpp"
#include "seed/seed_fatal.hpp"

namespace tw {

namespace {

// How many samples the caller lets a decoder store.
int storable(int maximum, std::span<int32_t> samples) {
    const long long magnitude = maximum < 0 ? -static_cast<long long>(maximum) : maximum;
    return static_cast<int>(std::min<long long>(magnitude, static_cast<long long>(samples.size())));
}

// Shared loop of the uncompressed decoders; `load` reads one value at a byte address.
template <int Width, class Load>
int unpack_fixed(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                 Load load) {
    if (nsamp < 0) return -1;
    const int fit = static_cast<int>(data.size() / Width);
    const int count = std::min({nsamp, storable(maximum, samples), fit});
    const uint8_t* p = data.data();
    for (int i = 0; i < count; ++i, p += Width)
        samples[static_cast<std::size_t>(i)] = load(p);
    // A header that claims more values than its data section holds marks a bad record.
    if (nsamp > fit) return -1;
    return count;
}

// Wrapping sum: corrupt data may integrate past 32 bits; the integrity check then fails.
inline int32_t wrap_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

void report(std::string* errmsg, const std::string& message) {
    if (errmsg) *errmsg = message;
}

// The differences one Steim word holds: `count` fields of equal width, the first in the most
// significant bits of the word's value, each taken by shifting it to the top (left[k]) and back
// down arithmetically (right), which extends its sign. All eight lanes are computed, those
// beyond `count` with shift 0, so that a word is one vector operation; count -1 marks an invalid
// word.
struct alignas(32) WordLayout {
    std::array<int32_t, 8> left{}, right{};
    int count = 0;
};

constexpr WordLayout fields(int count, int bits) {
    WordLayout l;
    l.count = count;
    for (int k = 0; k < count; ++k)
        l.left[static_cast<std::size_t>(k)] = 32 - (count - k) * bits;
    for (auto& r : l.right)
        r = 32 - bits;
    return l;
}

constexpr WordLayout invalid_word() {
    WordLayout l;
    l.count = -1;
    return l;
}

// Steim-1 by code: none, four bytes, two half-words, one word.
constexpr std::array<WordLayout, 4> kSteim1Layouts{fields(0, 32), fields(4, 8), fields(2, 16),
                                                   fields(1, 32)};

// Steim-2 by code * 4 + sub-code (the word's top two bits; for code 1 they are data).
constexpr std::array<WordLayout, 16> kSteim2Layouts{
    fields(0, 32),  fields(0, 32), fields(0, 32), fields(0, 32),   // code 0
    fields(4, 8),   fields(4, 8),  fields(4, 8),  fields(4, 8),    // code 1: four bytes
    invalid_word(), fields(1, 30), fields(2, 15), fields(3, 10),   // code 2
    fields(5, 6),   fields(6, 5),  fields(7, 4),  invalid_word()}; // code 3

// The word at p with its first byte the most significant (bytes in address order), or its last.
inline uint32_t msb_first_word(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}
inline uint32_t lsb_first_word(const uint8_t* p) {
    return uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
}

using Lanes = int32_t __attribute__((vector_size(32)));
using UnsignedLanes = uint32_t __attribute__((vector_size(32)));

// The eight lanes of the word's fields into out[0..7].
[[gnu::always_inline]] inline void word_fields(uint32_t value, const WordLayout& layout,
                                               int32_t* out) {
    UnsignedLanes left;
    Lanes right;
    std::memcpy(&left, layout.left.data(), sizeof left);
    std::memcpy(&right, layout.right.data(), sizeof right);
    // Shifted up as unsigned lanes, then down as signed ones (the conversion keeps the bits).
    const Lanes lanes = __builtin_convertvector((UnsignedLanes{} + value) << left, Lanes) >> right;
    std::memcpy(out, &lanes, sizeof lanes);
}

// One Steim word as read: its value in the data's byte order, the value whose fields the layout
// describes (bytes and half-words lie in address order) and the layout.
struct SteimWord {
    uint32_t value;
    uint32_t fields;
    const WordLayout* layout;
};

[[gnu::always_inline]] inline SteimWord read_steim1(int code, const uint8_t* p, bool msb_first) {
    const uint32_t value = msb_first ? msb_first_word(p) : lsb_first_word(p);
    // Bytes lie in address order; so do the two half-words, each in the data's byte order.
    uint32_t fields = value;
    if (code == 1) fields = msb_first_word(p);
    if (code == 2 && !msb_first) fields = value << 16 | value >> 16;
    return {value, fields, &kSteim1Layouts[static_cast<std::size_t>(code)]};
}

[[gnu::always_inline]] inline SteimWord read_steim2(int code, const uint8_t* p, bool msb_first) {
    const uint32_t value = msb_first ? msb_first_word(p) : lsb_first_word(p);
    // Four bytes lie in address order; the other codes are values with a sub-code on top.
    const uint32_t fields = code == 1 ? msb_first_word(p) : value;
    return {value, fields, &kSteim2Layouts[static_cast<std::size_t>(code) * 4 + (value >> 30)]};
}

// Frames with at least this many differences still wanted are decoded without counting each
// difference: the fifteen words of a frame hold at most 105 and write eight lanes per word.
constexpr int kRoomyFrame = 15 * 7 + 1;

// A word that cannot be decoded: its code, its value, the frame and the word's index.
struct BadWord {
    int code = 0;
    uint32_t value = 0;
    int frame = 0, word = 0;
};

// Collects differences into `diff` until `wanted` are found or the frames end, reading each
// word with `read`. Returns the number found, or -1 with `bad` describing a word whose sub-code
// is invalid.
template <class Read>
[[gnu::always_inline]] inline int collect_differences(std::span<const uint8_t> data, int wanted,
                                                      std::span<int32_t> diff, bool msb_first,
                                                      BadWord& bad, Read read) {
    int found = 0;
    int32_t* out = diff.data();
    const std::size_t frames = data.size() / kSteimFrameBytes;
    for (std::size_t f = 0; f < frames && found < wanted; ++f) {
        const uint8_t* frame = data.data() + f * kSteimFrameBytes;
        const uint32_t control = msb_first ? msb_first_word(frame) : lsb_first_word(frame);
        // Words 1 and 2 of the first frame are the integration constants.
        const int first = f == 0 ? 3 : 1;
        if (wanted - found >= kRoomyFrame) {
            for (int w = first; w < 16; ++w) {
                const int code = static_cast<int>((control >> (30 - 2 * w)) & 3u);
                const SteimWord word = read(code, frame + 4 * w, msb_first);
                if (word.layout->count < 0) {
                    bad = {code, word.value, static_cast<int>(f), w};
                    return -1;
                }
                word_fields(word.fields, *word.layout, out + found);
                found += word.layout->count;
            }
            continue;
        }
        // The last frames: only the differences still wanted are kept.
        for (int w = first; w < 16 && found < wanted; ++w) {
            const int code = static_cast<int>((control >> (30 - 2 * w)) & 3u);
            if (code == 0) continue;
            const SteimWord word = read(code, frame + 4 * w, msb_first);
            if (word.layout->count < 0) {
                bad = {code, word.value, static_cast<int>(f), w};
                return -1;
            }
            int32_t lanes[8];
            word_fields(word.fields, *word.layout, lanes);
            const int take = std::min(word.layout->count, wanted - found);
            std::copy(lanes, lanes + take, out + found);
            found += take;
        }
    }
    return found;
}

TW_VECTOR_CLONES
int collect_steim1(std::span<const uint8_t> data, int wanted, std::span<int32_t> diff,
                   bool msb_first, BadWord& bad) {
    return collect_differences(data, wanted, diff, msb_first, bad, read_steim1);
}

TW_VECTOR_CLONES
int collect_steim2(std::span<const uint8_t> data, int wanted, std::span<int32_t> diff,
                   bool msb_first, BadWord& bad) {
    return collect_differences(data, wanted, diff, msb_first, bad, read_steim2);
}

// out[i] = the running sum from `last` through d[i], for i < n, wrapping past 32 bits; returns
// the last sum. Eight sums at a time: the prefix sums of eight differences (in three shifted
// additions) plus the sum before them.
TW_VECTOR_CLONES
int32_t running_sum(const int32_t* d, int32_t* out, int n, int32_t last) {
    int i = 0;
    const UnsignedLanes zero{};
    UnsignedLanes before = zero + static_cast<uint32_t>(last);
    for (; i + 8 <= n; i += 8) {
        UnsignedLanes x;
        std::memcpy(&x, d + i, sizeof x);
        x += __builtin_shufflevector(zero, x, 0, 8, 9, 10, 11, 12, 13, 14);
        x += __builtin_shufflevector(zero, x, 0, 1, 8, 9, 10, 11, 12, 13);
        x += __builtin_shufflevector(zero, x, 0, 1, 2, 3, 8, 9, 10, 11);
        x += before;
        std::memcpy(out + i, &x, sizeof x);
        before = __builtin_shufflevector(x, x, 7, 7, 7, 7, 7, 7, 7, 7);
    }
    last = static_cast<int32_t>(before[0]);
    for (; i < n; ++i)
        out[i] = last = wrap_add(last, d[i]);
    return last;
}

// Integration from x0 and, for a positive maximum, the check that it ends on xn.
template <class Collect, class ReportBad>
int unpack_steim(const char* name, std::span<const uint8_t> data, int nsamp, int maximum,
                 std::span<int32_t> samples, std::span<int32_t> diff, int32_t& x0, int32_t& xn,
                 int wordorder, std::string* errmsg, Collect collect, ReportBad report_bad) {
    if (data.size() % kSteimFrameBytes != 0) return -1;
    if (nsamp < 0) return -1;
    if (nsamp == 0) return 0;
    if (data.empty()) return -1;
    const bool swap = needs_swap(wordorder);
    x0 = load_i32(data.data() + 4, swap);
    xn = load_i32(data.data() + 8, swap);

    const int store = storable(maximum, samples);
    const int wanted = maximum < 0 ? std::min(nsamp, store) : nsamp;
    if (diff.size() < static_cast<std::size_t>(wanted)) return -1;
    BadWord bad;
    const int found = collect(data, wanted, diff, wordorder != 0, bad);
    if (found < 0) {
        report_bad(bad);
        return -1;
    }
    // Frames that end before the samples the header announces mark a bad record.
    if (found < wanted) return -1;

    const int n_out = std::min(store, found);
    int32_t last = x0;
    if (n_out >= 1) samples[0] = x0;
    if (n_out > 1) last = running_sum(diff.data() + 1, samples.data() + 1, n_out - 1, last);
    const int32_t* d = diff.data();
    if (maximum >= 0) {
        for (int i = std::max(n_out, 1); i < found; ++i)
            last = wrap_add(last, d[i]);
        if (last != xn) {
            char line[160];
            std::snprintf(line, sizeof line, "%s, last_data=%d, xn=%d\n", name, last, xn);
            report(errmsg, line);
            return -1;
        }
    }
    return std::min(nsamp, store);
}

} // namespace

int unpack_int_16(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  int wordorder, std::string*) {
    const bool swap = needs_swap(wordorder);
    return unpack_fixed<2>(data, nsamp, maximum, samples,
                           [swap](const uint8_t* p) { return int32_t{load_i16(p, swap)}; });
}

int unpack_int_24(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  int wordorder, std::string*) {
    const bool msb_first = wordorder != 0;
    return unpack_fixed<3>(data, nsamp, maximum, samples, [msb_first](const uint8_t* p) {
        const uint32_t v = msb_first ? (uint32_t{p[0]} << 16 | uint32_t{p[1]} << 8 | p[2])
                                     : (uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0]);
        return static_cast<int32_t>((v ^ 0x800000u)) - 0x800000;
    });
}

int unpack_int_32(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  int wordorder, std::string*) {
    const bool swap = needs_swap(wordorder);
    return unpack_fixed<4>(data, nsamp, maximum, samples,
                           [swap](const uint8_t* p) { return load_i32(p, swap); });
}

int unpack_steim1(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  std::span<int32_t> diff, int32_t& x0, int32_t& xn, int wordorder,
                  std::string* errmsg) {
    // Every Steim-1 word is valid.
    return unpack_steim("Data integrity for STEIM1 data frame", data, nsamp, maximum, samples, diff,
                        x0, xn, wordorder, errmsg, collect_steim1, [](const BadWord&) {});
}

int unpack_steim2(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  std::span<int32_t> diff, int32_t& x0, int32_t& xn, int wordorder,
                  std::string* errmsg) {
    auto report_invalid = [errmsg](const BadWord& bad) {
        char line[96];
        std::snprintf(line, sizeof line, "invalid ck, dnib, fn, wn = %d, %d, %d, %d\n", bad.code,
                      static_cast<int>(bad.value >> 30), bad.frame, bad.word - 1);
        report(errmsg, line);
    };
    return unpack_steim("Data integrity for STEIM2 data frame", data, nsamp, maximum, samples, diff,
                        x0, xn, wordorder, errmsg, collect_steim2, report_invalid);
}

int ms_unpack(data_hdr& hdr, int maximum, std::span<const uint8_t> record,
              std::span<int32_t> samples, MessageSink& messages) {
    const BS* b1000 = find_blockette(hdr, kBlocketteDataOnly);
    if (!b1000) return -2;
    const int format = static_cast<int8_t>(b1000->byte_at(4));
    const int power = static_cast<int8_t>(b1000->byte_at(6));
    if (record_length_of_power(power) == 0) return -2;
    hdr.record_size = record_length_of_power(power);
    if (hdr.data_offset < 0 || hdr.data_offset > hdr.record_size ||
        record.size() < static_cast<std::size_t>(hdr.record_size))
        return -2;
    // Samples read from inside the header would be the header's own bytes.
    if (hdr.nsamp > 0 && hdr.data_offset < header_bytes(hdr)) {
        messages.error("Record refused: its data offset " + std::to_string(hdr.data_offset) +
                       " lies inside its header and blockettes (" +
                       std::to_string(header_bytes(hdr)) + " bytes)\n");
        return -2;
    }
    const auto data = record.subspan(static_cast<std::size_t>(hdr.data_offset),
                                     static_cast<std::size_t>(hdr.record_size - hdr.data_offset));
    const int order = hdr.data_wordorder;

    int result = 0;
    std::string problem;
    switch (format) {
    case INT_16:
        result = unpack_int_16(data, hdr.nsamp, maximum, samples, order, &problem);
        break;
    case INT_24:
        result = unpack_int_24(data, hdr.nsamp, maximum, samples, order, &problem);
        break;
    case INT_32:
        result = unpack_int_32(data, hdr.nsamp, maximum, samples, order, &problem);
        break;
    case STEIM1:
    case STEIM2: {
        auto unpack = format == STEIM1 ? unpack_steim1 : unpack_steim2;
        const std::size_t differences = static_cast<std::size_t>(std::max(hdr.nsamp, 0));
        // The differences are collected where their samples go and integrated in place; only
        // when the record holds more than the samples may take (the last record of a trace
        // that is cut) do they need room of their own.
        if (maximum >= 0 && differences <= static_cast<std::size_t>(maximum) &&
            differences <= samples.size()) {
            result = unpack(data, hdr.nsamp, maximum, samples, samples.first(differences), hdr.x0,
                            hdr.xn, order, &problem);
            break;
        }
        std::unique_ptr<int32_t[]> diff;
        try {
            diff = std::make_unique_for_overwrite<int32_t[]>(std::max<std::size_t>(differences, 1));
        } catch (const std::bad_alloc&) {
            throw SeedFatal(SeedFatalKind::alloc_diff);
        }
        result = unpack(data, hdr.nsamp, maximum, samples, std::span(diff.get(), differences),
                        hdr.x0, hdr.xn, order, &problem);
        break;
    }
    default:
        throw SeedFatal(format, std::string(code_text(hdr.station)),
                        std::string(code_text(hdr.network)), std::string(code_text(hdr.channel)));
    }
    if (!problem.empty()) messages.error(problem);
    return result > 0 ? result : -2;
}

} // namespace tw
