#include "seed/fixed_header.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "seed/byte_order.hpp"
#include "seed/seed_fatal.hpp"

namespace tw {

namespace {

// Decimal value of up to `n` ASCII characters: leading blanks, an optional sign, digits.
int ascii_number(const uint8_t* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n && p[i] == ' ')
        ++i;
    int sign = 1;
    if (i < n && (p[i] == '-' || p[i] == '+')) sign = p[i++] == '-' ? -1 : 1;
    int value = 0;
    for (; i < n && p[i] >= '0' && p[i] <= '9'; ++i)
        value = value * 10 + (p[i] - '0');
    return sign * value;
}

// Copies a code of up to N-1 characters and removes its trailing blanks.
template <std::size_t N> void copy_code(std::array<char, N>& code, const uint8_t* p) {
    code.fill('\0');
    std::size_t n = N - 1;
    std::memcpy(code.data(), p, n);
    while (n > 0 && (code[n - 1] == ' ' || code[n - 1] == '\0'))
        code[--n] = '\0';
}

// 2 to a power as a record length; 0 for a power no record can have.
int32_t power_of_two(int power) {
    return power >= 0 && power <= 30 ? int32_t{1} << power : 0;
}

// Steps shared by both decoders: byte order, codes, binary fields, flags and counts.
void decode_common(data_hdr& hdr, const uint8_t* buf) {
    const int order = wordorder_from_time(buf[20], buf[21]);
    hdr.hdr_wordorder = static_cast<uint8_t>(order);
    hdr.data_wordorder = static_cast<uint8_t>(order);
    copy_code(hdr.station, buf + 8);
    copy_code(hdr.location, buf + 13);
    copy_code(hdr.channel, buf + 15);
    copy_code(hdr.network, buf + 18);
    const bool swap = needs_swap(order);
    hdr.nsamp = load_u16(buf + 30, swap);
    hdr.rate_factor = load_i16(buf + 32, swap);
    hdr.rate_mult = load_i16(buf + 34, swap);
    hdr.aflag = buf[36];
    hdr.ioflag = buf[37];
    hdr.qflag = buf[38];
    hdr.blockette_count = buf[39];
    hdr.corr = load_i32(buf + 40, swap);
    hdr.data_offset = load_u16(buf + 44, swap);
    hdr.blockette_offset = load_u16(buf + 46, swap);
    hdr.blockettes.clear();
    hdr.data_format = 0;
}

// Time correction not yet applied (bit 1 of the activity flags clear) moves the begin time;
// the end time lies nsamp-1 sample intervals later.
void finish_times(data_hdr& hdr) {
    if (hdr.corr != 0 && (hdr.aflag & 0x02) == 0)
        hdr.begin_time = add_dtime(hdr.begin_time, static_cast<double>(hdr.corr) * 100.0);
    int seconds = 0, usecs = 0;
    time_interval2(hdr.nsamp - 1, hdr.rate_factor, hdr.rate_mult, seconds, usecs);
    hdr.end_time = add_time(hdr.begin_time, seconds, usecs);
}

// A volume header record: its type is the blockette number at offset 8.
void decode_volume_header(data_hdr& hdr, std::span<const uint8_t> buf) {
    hdr.record_size = 4096;
    hdr.data_format = ascii_number(buf.data() + 8, 3);
    if (hdr.data_format == 5 || hdr.data_format == 8 || hdr.data_format == 10) {
        hdr.record_size = power_of_two(ascii_number(buf.data() + 19, 2));
        const int stated = ascii_number(buf.data() + 11, 4);
        const int len = std::clamp(stated, 0, static_cast<int>(buf.size()) - 8);
        add_blockette(hdr, buf.data() + 8, hdr.data_format, len, kHostWordorder, 0);
    }
}

// Start of either decoder: the letter check and the fields every record has.
std::optional<data_hdr> begin_decoding(std::span<const uint8_t> buf) {
    if (buf.size() < kFixedHeaderBytes) return std::nullopt;
    const char letter = static_cast<char>(buf[6]);
    if (!is_data_record_letter(letter) && letter != 'V') return std::nullopt;
    data_hdr hdr = new_data_hdr();
    hdr.record_type = letter;
    hdr.seqno = ascii_number(buf.data(), 6);
    return hdr;
}

// Settles the length of a record that carries no blockette 1000: a following block holding
// the next sequence number marks 512-byte records. The data are then taken as Steim-1.
void guess_record_size(data_hdr& hdr, std::span<const uint8_t> buf) {
    for (int k = 1; k <= 3 && hdr.record_size == 0; ++k) {
        const std::size_t at = 512 * static_cast<std::size_t>(k);
        if (at + kFixedHeaderBytes > buf.size()) break;
        const uint8_t* block = buf.data() + at;
        if (std::all_of(block, block + 32, [](uint8_t b) { return b == 0; })) continue;
        if (ascii_number(block, 6) == hdr.seqno + k) hdr.record_size = 512;
    }
    if (hdr.record_size == 0) hdr.record_size = buf.size() >= 1024 ? 4096 : 512;
    if (hdr.nsamp > 0 && hdr.rate_factor != 0) {
        hdr.data_format = 10;
        hdr.frame_count = (hdr.record_size - hdr.data_offset) / 64;
        hdr.data_wordorder = hdr.hdr_wordorder;
    }
}

} // namespace

int record_length_of_power(int power) {
    return power >= kSmallestRecordPower && power <= kLargestRecordPower ? 1 << power : 0;
}

std::string record_power_refusal(int power) {
    return "Record of 2^" + std::to_string(power) + " bytes refused: a record holds 2^" +
           std::to_string(kSmallestRecordPower) + " to 2^" + std::to_string(kLargestRecordPower) +
           " bytes\n";
}

bool is_data_record_letter(char letter) {
    return letter == 'D' || letter == 'R' || letter == 'Q' || letter == 'M';
}

int blockette_table_length(int type) {
    switch (type) {
    case 100:
        return 12;
    case 200:
        return 52;
    case 201:
        return 60;
    case 300:
        return 60;
    case 310:
        return 60;
    case 320:
        return 64;
    case 390:
        return 28;
    case 395:
        return 16;
    case 400:
        return 16;
    case 405:
        return 6;
    case 500:
        return 200;
    case 1000:
        return 8;
    case 1001:
        return 8;
    default:
        return 0;
    }
}

std::optional<double> seed_sample_rate(int rate_factor, int rate_mult) {
    if (rate_factor == 0) return std::nullopt;
    // A multiplier of 0 leaves the factor as it is, as the time arithmetic and libmseed read it.
    const double f = rate_factor, m = rate_mult == 0 ? 1 : rate_mult;
    // Each case in one division at most, as the time arithmetic forms it.
    const double rate = f > 0 ? (m > 0 ? f * m : f / -m) : (m > 0 ? m / -f : 1.0 / (f * m));
    if (!(rate > 0.0) || !std::isfinite(rate)) return std::nullopt;
    return rate;
}

int header_bytes(const data_hdr& hdr) {
    // The blockettes follow one another from the first blockette's offset; one cut short by the
    // data offset still reaches as far as its type's length.
    long start = hdr.blockette_offset;
    long end = kFixedHeaderBytes;
    for (const BS& b : hdr.blockettes) {
        end = std::max(end, start + std::max<long>(b.len, blockette_table_length(b.type)));
        start += b.len;
    }
    return static_cast<int>(end);
}

int wordorder_from_time(uint8_t b0, uint8_t b1) {
    if ((b0 == 7 && b1 >= 8) || (b0 == 8 && b1 < 7)) return kMsbFirst;
    if ((b1 == 7 && b0 >= 8) || (b1 == 8 && b0 < 7)) return kLsbFirst;
    throw SeedFatal(SeedFatalKind::header_wordorder);
}

int_time decode_time_sdr(const uint8_t* p, int wordorder) {
    const bool swap = needs_swap(wordorder);
    ext_time et;
    et.year = load_u16(p, swap);
    et.doy = load_u16(p + 2, swap);
    et.hour = p[4];
    et.minute = p[5];
    et.second = p[6];
    et.usec = load_u16(p + 8, swap) * 100;
    // The calendar month and day are informative only; a day of year outside the year is
    // carried by the conversion.
    if (et.doy >= 1 && et.doy <= (is_leap_year(et.year) ? 366 : 365))
        dy_to_mdy(et.doy, et.year, et.month, et.day);
    return normalize_time(ext_to_int(et));
}

std::optional<data_hdr> decode_fixed_data_hdr(std::span<const uint8_t> buf) {
    std::optional<data_hdr> hdr = begin_decoding(buf);
    if (!hdr) return hdr;
    if (hdr->record_type == 'V') {
        decode_volume_header(*hdr, buf);
        return hdr;
    }
    decode_common(*hdr, buf.data());
    hdr->begin_time = decode_time_sdr(buf.data() + 20, hdr->hdr_wordorder);
    hdr->header_time = hdr->begin_time;
    finish_times(*hdr);
    return hdr;
}

int read_blockettes(data_hdr& hdr, std::span<const uint8_t> buf, MessageSink& messages) {
    const int announced = hdr.blockette_count;
    const bool swap = needs_swap(hdr.hdr_wordorder);
    hdr.blockettes.clear();
    long offset = hdr.blockette_offset;
    int previous_next = -1;
    for (int i = 0; i < announced; ++i) {
        if (i > 0 && previous_next == 0) throw SeedFatal(SeedFatalKind::zero_blockette_offset);
        if (offset < 0 || static_cast<std::size_t>(offset) + 4 > buf.size()) return 0;
        const uint8_t* head = buf.data() + offset;
        int type = load_u16(head, swap);
        const int next = load_u16(head + 2, swap);
        long len = 0;
        if (next != 0) {
            len = next - offset;
            if (len < 4) return 0; // a chain pointing backwards
        } else {
            len = blockette_table_length(type);
            if (type == 2000 && static_cast<std::size_t>(offset) + 6 <= buf.size())
                len = head[4] << 8 | head[5];
            const long room = hdr.data_offset - offset;
            if (room > 0 && room < len) len = room;
            if (len == 0) type = 0;
        }
        if (next == 0 && len == 0) {
            if (hdr.data_offset > offset) {
                type = 0;
                len = hdr.data_offset - offset;
            } else {
                messages.error("Unknown blockette type " + std::to_string(head[0] << 8 | head[1]) +
                               " - unable to determine size\n");
                previous_next = next;
                continue;
            }
        }
        if (static_cast<std::size_t>(offset + len) > buf.size()) return 0;
        BS node;
        node.type = static_cast<uint16_t>(type);
        node.len = static_cast<uint16_t>(len);
        node.wordorder = hdr.hdr_wordorder;
        node.bytes.assign(head, head + len);
        hdr.blockettes.push_back(std::move(node));
        offset += len;
        previous_next = next;
    }
    hdr.blockette_count = static_cast<int32_t>(hdr.blockettes.size());
    if (previous_next > 0) {
        messages.error("extra blockette found\n");
        return 0;
    }
    return 1;
}

std::optional<data_hdr> decode_hdr_sdr(std::span<const uint8_t> buf, MessageSink& messages) {
    std::optional<data_hdr> hdr = begin_decoding(buf);
    if (!hdr) return hdr;
    if (hdr->record_type == 'V') {
        decode_volume_header(*hdr, buf);
        return hdr;
    }
    decode_common(*hdr, buf.data());
    hdr->header_time = decode_time_sdr(buf.data() + 20, hdr->hdr_wordorder);
    if (hdr->blockette_count > 0 && !read_blockettes(*hdr, buf, messages)) return std::nullopt;

    hdr->frame_count = -1;
    const BS* b1000 = find_blockette(*hdr, kBlocketteDataOnly);
    if (b1000) {
        hdr->data_format = static_cast<int8_t>(b1000->byte_at(4));
        hdr->data_wordorder = b1000->byte_at(5) != 0 ? kMsbFirst : kLsbFirst;
        hdr->record_size = power_of_two(static_cast<int8_t>(b1000->byte_at(6)));
    }
    if (const BS* b1001 = find_blockette(*hdr, kBlocketteDataExt)) {
        hdr->header_time = add_time(hdr->header_time, 0, static_cast<int8_t>(b1001->byte_at(5)));
        hdr->frame_count = static_cast<int8_t>(b1001->byte_at(7));
    }
    hdr->begin_time = hdr->header_time;
    finish_times(*hdr);

    if (!b1000) guess_record_size(*hdr, buf);
    if ((hdr->data_format == 10 || hdr->data_format == 11) && hdr->nsamp > 0 &&
        hdr->rate_factor != 0 && hdr->frame_count < 0)
        hdr->frame_count = (hdr->record_size - hdr->data_offset) / 64;
    return hdr;
}

} // namespace tw
