#pragma once
// Builds SEED data records byte by byte for the tests, in either byte order, so that header
// fields, blockette chains and encodings libmseed cannot write (INT24) can be exercised; and
// whole files of INT32 records.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "seed/seed_file.hpp"
#include "text/messages.hpp"
#include "time/int_time.hpp"

namespace tw::testing {

// Appends or places integers in a chosen byte order.
inline void put(std::vector<uint8_t>& buf, std::size_t at, uint64_t value, int width, bool msb) {
    if (buf.size() < at + static_cast<std::size_t>(width)) buf.resize(at + width);
    for (int i = 0; i < width; ++i) {
        const int shift = 8 * (msb ? width - 1 - i : i);
        buf[at + i] = static_cast<uint8_t>(value >> shift);
    }
}

struct RecordSpec {
    std::string seq = "000001";
    char letter = 'D';
    std::string station = "STA", location = "", channel = "HHZ", network = "XX";
    uint16_t year = 1999, doy = 123;
    uint8_t hour = 12, minute = 30, second = 15;
    uint16_t fraction = 1234;
    uint16_t nsamp = 0;
    int16_t rate_factor = 100, rate_mult = 1;
    uint8_t aflag = 0, ioflag = 0, qflag = 0;
    int32_t corr = 0;
    bool msb_header = true;
    // Blockette 1000; none when format is empty.
    std::optional<int> format = 3;
    uint8_t data_order = 1;
    int power = 9;
    // Blockette 1001 microsecond offset; none when empty.
    std::optional<int8_t> usec_offset;
    int8_t frames = 0;
    uint16_t data_offset = 64;
    std::vector<uint8_t> data; // the data section
};

inline void put_code(std::vector<uint8_t>& r, std::size_t at, const std::string& code,
                     std::size_t width) {
    for (std::size_t i = 0; i < width; ++i)
        r[at + i] = i < code.size() ? code[i] : ' ';
}

inline std::vector<uint8_t> build_record(const RecordSpec& s) {
    const bool m = s.msb_header;
    std::vector<uint8_t> r(std::size_t{1} << s.power, 0);
    std::memcpy(r.data(), s.seq.data(), std::min<std::size_t>(6, s.seq.size()));
    r[6] = static_cast<uint8_t>(s.letter);
    r[7] = ' ';
    put_code(r, 8, s.station, 5);
    put_code(r, 13, s.location, 2);
    put_code(r, 15, s.channel, 3);
    put_code(r, 18, s.network, 2);
    put(r, 20, s.year, 2, m);
    put(r, 22, s.doy, 2, m);
    r[24] = s.hour;
    r[25] = s.minute;
    r[26] = s.second;
    put(r, 28, s.fraction, 2, m);
    put(r, 30, s.nsamp, 2, m);
    put(r, 32, static_cast<uint16_t>(s.rate_factor), 2, m);
    put(r, 34, static_cast<uint16_t>(s.rate_mult), 2, m);
    r[36] = s.aflag;
    r[37] = s.ioflag;
    r[38] = s.qflag;
    const int count = (s.format ? 1 : 0) + (s.usec_offset ? 1 : 0);
    r[39] = static_cast<uint8_t>(count);
    put(r, 40, static_cast<uint32_t>(s.corr), 4, m);
    put(r, 44, s.data_offset, 2, m);
    put(r, 46, count ? 48 : 0, 2, m);
    std::size_t at = 48;
    if (s.format) {
        put(r, at, 1000, 2, m);
        put(r, at + 2, s.usec_offset ? at + 8 : 0, 2, m);
        r[at + 4] = static_cast<uint8_t>(*s.format);
        r[at + 5] = s.data_order;
        r[at + 6] = static_cast<uint8_t>(s.power);
        at += 8;
    }
    if (s.usec_offset) {
        put(r, at, 1001, 2, m);
        put(r, at + 2, 0, 2, m);
        r[at + 5] = static_cast<uint8_t>(*s.usec_offset);
        r[at + 7] = static_cast<uint8_t>(s.frames);
    }
    for (std::size_t i = 0; i < s.data.size() && s.data_offset + i < r.size(); ++i)
        r[s.data_offset + i] = s.data[i];
    return r;
}

// The bytes as an anonymous stream for the record reader; its messages go to `messages`.
inline SeedFile stream_of(const std::vector<uint8_t>& bytes, MessageSink& messages) {
    std::FILE* f = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return SeedFile(f, messages);
}

// A Steim frame of 16 words written in the given byte order.
inline std::vector<uint8_t> steim_frame(const uint32_t (&words)[16], bool msb) {
    std::vector<uint8_t> f(64);
    for (int w = 0; w < 16; ++w)
        put(f, 4 * w, words[w], 4, msb);
    return f;
}

// The samples as consecutive most-significant-byte-first INT32 records of 112 samples each,
// starting at `start`, written to `path`.
inline void write_int32_records(const std::string& path, RecordSpec layout, const int_time& start,
                                const std::vector<int32_t>& samples) {
    constexpr std::size_t kPerRecord = 112; // (512 - 64) / 4
    std::ofstream out(path, std::ios::binary);
    for (std::size_t first = 0, seq = 1; first < samples.size(); first += kPerRecord, ++seq) {
        const std::size_t n = std::min(kPerRecord, samples.size() - first);
        int s = 0, us = 0;
        f_time_interval2(static_cast<int>(first), layout.rate_factor, layout.rate_mult, s, us);
        int_time t{};
        f_add_time(start, s, us, t);
        const ext_time e = int_to_ext(t);
        layout.seq = std::to_string(1000000 + seq).substr(1);
        layout.year = static_cast<uint16_t>(e.year);
        layout.doy = static_cast<uint16_t>(e.doy);
        layout.hour = static_cast<uint8_t>(e.hour);
        layout.minute = static_cast<uint8_t>(e.minute);
        layout.second = static_cast<uint8_t>(e.second);
        layout.fraction = static_cast<uint16_t>(e.usec / 100);
        layout.nsamp = static_cast<uint16_t>(n);
        layout.data.assign(4 * n, 0);
        for (std::size_t i = 0; i < n; ++i)
            put(layout.data, 4 * i, static_cast<uint32_t>(samples[first + i]), 4, true);
        const std::vector<uint8_t> r = build_record(layout);
        out.write(reinterpret_cast<const char*>(r.data()), static_cast<std::streamsize>(r.size()));
    }
}

} // namespace tw::testing
