#include "commands/synth/seed_records.hpp"

#include <algorithm>

#include "commands/synth/steim2.hpp"
#include "commands/synth/zero_fill.hpp"

namespace tw::synth {
namespace {

constexpr std::size_t kFixedHeaderBytes = 48;
constexpr std::size_t kBlockette1000Bytes = 8;
constexpr std::size_t kDataOffset = 64; // header and blockette, rounded up to a whole frame
constexpr uint8_t kSteim2 = 11;
constexpr uint8_t kBigEndian = 1;

void put16(std::vector<uint8_t>& rec, std::size_t at, uint16_t v) {
    rec[at] = static_cast<uint8_t>(v >> 8);
    rec[at + 1] = static_cast<uint8_t>(v);
}

void put_text(std::vector<uint8_t>& rec, std::size_t at, const std::string& text,
              std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        rec[at + i] = static_cast<uint8_t>(i < text.size() ? text[i] : ' ');
}

void write_fixed_header(std::vector<uint8_t>& rec, int sequence, const ChannelRecords& layout,
                        const CalendarTime& start, std::size_t nsamp) {
    put_text(rec, 0, zero_filled_i(sequence % 1000000, 6), 6);
    rec[6] = 'D';
    rec[7] = ' ';
    put_text(rec, 8, layout.station, 5);
    put_text(rec, 13, layout.location, 2);
    put_text(rec, 15, layout.channel, 3);
    put_text(rec, 18, layout.network, 2);
    put16(rec, 20, static_cast<uint16_t>(start.year));
    put16(rec, 22, static_cast<uint16_t>(start.doy));
    rec[24] = static_cast<uint8_t>(start.hour);
    rec[25] = static_cast<uint8_t>(start.minute);
    rec[26] = static_cast<uint8_t>(start.second);
    rec[27] = 0;
    put16(rec, 28, static_cast<uint16_t>(start.usec / 100));
    put16(rec, 30, static_cast<uint16_t>(nsamp));
    put16(rec, 32, static_cast<uint16_t>(layout.sample_rate)); // rate factor: samples per second
    put16(rec, 34, 1);                                         // rate multiplier
    rec[36] = rec[37] = rec[38] = 0;                           // activity, I/O, quality flags
    rec[39] = 1;                                               // one blockette follows
    // bytes 40-43: time correction 0
    put16(rec, 44, static_cast<uint16_t>(kDataOffset));
    put16(rec, 46, static_cast<uint16_t>(kFixedHeaderBytes));
}

void write_blockette_1000(std::vector<uint8_t>& rec, int length_exponent) {
    const std::size_t at = kFixedHeaderBytes;
    put16(rec, at, 1000);
    put16(rec, at + 2, 0); // no further blockette
    rec[at + 4] = kSteim2;
    rec[at + 5] = kBigEndian;
    rec[at + 6] = static_cast<uint8_t>(length_exponent);
    rec[at + 7] = 0;
    static_assert(kFixedHeaderBytes + kBlockette1000Bytes <= kDataOffset);
}

} // namespace

int record_length_exponent(int record_length) {
    for (int e = 8; e <= 16; ++e)
        if (record_length == (1 << e)) return e;
    return -1;
}

std::vector<uint8_t> encode_records(const ChannelRecords& layout,
                                    std::span<const int32_t> samples) {
    const int exponent = record_length_exponent(layout.record_length);
    if (exponent < 0 || layout.sample_rate <= 0) return {};
    const auto length = static_cast<std::size_t>(layout.record_length);

    std::vector<uint8_t> out;
    std::size_t done = 0;
    int sequence = 1;
    int32_t previous = 0;
    while (done < samples.size()) {
        std::vector<uint8_t> rec(length, 0);
        // The header counts samples in 16 bits.
        const std::size_t room = std::min<std::size_t>(samples.size() - done, 65535);
        const std::size_t packed = steim2_pack(samples.subspan(done, room), previous,
                                               std::span<uint8_t>(rec).subspan(kDataOffset));
        if (packed == 0) return {};
        const int64_t offset_usec = static_cast<int64_t>(done) * 1000000LL / layout.sample_rate;
        write_fixed_header(rec, sequence, layout,
                           layout.start.plus_microseconds(offset_usec).calendar(), packed);
        write_blockette_1000(rec, exponent);
        out.insert(out.end(), rec.begin(), rec.end());
        previous = samples[done + packed - 1];
        done += packed;
        ++sequence;
    }
    return out;
}

} // namespace tw::synth
