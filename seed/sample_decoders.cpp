#include "seed/sample_decoders.hpp"

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "seed/byte_order.hpp"
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

// Field k (from 0) of n fields of `bits` bits each, taken from the low end of `word` downward
// from the highest field, sign-extended.
inline int32_t steim_field(uint32_t word, int n, int k, int bits) {
    const uint32_t raw = (word >> ((n - 1 - k) * bits)) & ((1u << bits) - 1u);
    const uint32_t sign = 1u << (bits - 1);
    return static_cast<int32_t>(raw ^ sign) - static_cast<int32_t>(sign);
}

void report(std::string* errmsg, const std::string& message) {
    if (errmsg) *errmsg = message;
}

// Collects differences into `diff` until `wanted` are found or the frames end; appends the
// differences of one Steim word through `decode_word`. Returns the number found or -1 when
// decode_word rejects a word.
template <class DecodeWord>
int collect_differences(std::span<const uint8_t> data, int wanted, std::span<int32_t> diff,
                        bool swap, DecodeWord decode_word) {
    int found = 0;
    const std::size_t frames = data.size() / kSteimFrameBytes;
    for (std::size_t f = 0; f < frames && found < wanted; ++f) {
        const uint8_t* frame = data.data() + f * kSteimFrameBytes;
        const uint32_t control = load_u32(frame, swap);
        // Words 1 and 2 of the first frame are the integration constants.
        for (int w = (f == 0 ? 3 : 1); w < 16 && found < wanted; ++w) {
            const int code = static_cast<int>((control >> (30 - 2 * w)) & 3u);
            if (code == 0) continue;
            int32_t values[7];
            const int n = decode_word(code, frame + 4 * w, values, static_cast<int>(f), w);
            if (n < 0) return -1;
            for (int k = 0; k < n && found < wanted; ++k)
                diff[static_cast<std::size_t>(found++)] = values[k];
        }
    }
    return found;
}

// Integration from x0 and, for a positive maximum, the check that it ends on xn.
template <class DecodeWord>
int unpack_steim(const char* name, std::span<const uint8_t> data, int nsamp, int maximum,
                 std::span<int32_t> samples, std::span<int32_t> diff, int32_t& x0, int32_t& xn,
                 int wordorder, std::string* errmsg, DecodeWord decode_word) {
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
    const int found = collect_differences(data, wanted, diff, swap, decode_word);
    if (found < 0) return -1;
    // Frames that end before the samples the header announces mark a bad record.
    if (found < wanted) return -1;

    const int n_out = std::min(store, found);
    int32_t last = x0;
    if (n_out >= 1) samples[0] = x0;
    for (int i = 1; i < n_out; ++i) {
        last = wrap_add(last, diff[static_cast<std::size_t>(i)]);
        samples[static_cast<std::size_t>(i)] = last;
    }
    if (maximum >= 0) {
        for (int i = std::max(n_out, 1); i < found; ++i)
            last = wrap_add(last, diff[static_cast<std::size_t>(i)]);
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
    const bool swap = needs_swap(wordorder);
    auto decode_word = [swap](int code, const uint8_t* p, int32_t* out, int, int) {
        switch (code) {
        case 1: // four bytes, from the lowest address
            for (int k = 0; k < 4; ++k)
                out[k] = static_cast<int8_t>(p[k]);
            return 4;
        case 2: // two half-words
            out[0] = load_i16(p, swap);
            out[1] = load_i16(p + 2, swap);
            return 2;
        default: // one word
            out[0] = load_i32(p, swap);
            return 1;
        }
    };
    return unpack_steim("Data integrity for STEIM1 data frame", data, nsamp, maximum, samples, diff,
                        x0, xn, wordorder, errmsg, decode_word);
}

int unpack_steim2(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  std::span<int32_t> diff, int32_t& x0, int32_t& xn, int wordorder,
                  std::string* errmsg) {
    const bool swap = needs_swap(wordorder);
    auto decode_word = [swap, errmsg](int code, const uint8_t* p, int32_t* out, int frame,
                                      int word) {
        if (code == 1) {
            for (int k = 0; k < 4; ++k)
                out[k] = static_cast<int8_t>(p[k]);
            return 4;
        }
        const uint32_t value = load_u32(p, swap);
        const int dnib = static_cast<int>(value >> 30);
        int n = 0, bits = 0;
        if (code == 2) {
            static constexpr int counts[4] = {0, 1, 2, 3}, widths[4] = {0, 30, 15, 10};
            n = counts[dnib];
            bits = widths[dnib];
        } else {
            static constexpr int counts[4] = {5, 6, 7, 0}, widths[4] = {6, 5, 4, 0};
            n = counts[dnib];
            bits = widths[dnib];
        }
        if (n == 0) {
            char line[96];
            std::snprintf(line, sizeof line, "invalid ck, dnib, fn, wn = %d, %d, %d, %d\n", code,
                          dnib, frame, word - 1);
            report(errmsg, line);
            return -1;
        }
        for (int k = 0; k < n; ++k)
            out[k] = steim_field(value, n, k, bits);
        return n;
    };
    return unpack_steim("Data integrity for STEIM2 data frame", data, nsamp, maximum, samples, diff,
                        x0, xn, wordorder, errmsg, decode_word);
}

int ms_unpack(data_hdr& hdr, int maximum, std::span<const uint8_t> record,
              std::span<int32_t> samples, MessageSink& messages) {
    const BS* b1000 = find_blockette(hdr, kBlocketteDataOnly);
    if (!b1000) return -2;
    const int format = static_cast<int8_t>(b1000->byte_at(4));
    const int power = static_cast<int8_t>(b1000->byte_at(6));
    if (power < 7 || power > 16) return -2;
    hdr.record_size = 1 << power;
    if (hdr.data_offset < 0 || hdr.data_offset > hdr.record_size ||
        record.size() < static_cast<std::size_t>(hdr.record_size))
        return -2;
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
        std::vector<int32_t> diff;
        try {
            diff.resize(static_cast<std::size_t>(std::max(hdr.nsamp, 0)));
        } catch (const std::bad_alloc&) {
            throw SeedFatal(SeedFatalKind::alloc_diff);
        }
        auto unpack = format == STEIM1 ? unpack_steim1 : unpack_steim2;
        result = unpack(data, hdr.nsamp, maximum, samples, diff, hdr.x0, hdr.xn, order, &problem);
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
