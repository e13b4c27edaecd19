#pragma once
// Writes small SEED data-record files (INT32, 512-byte records, blockette 1000) for tests.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "time/int_time.hpp"

namespace tw::testing {

struct TraceSpec {
    std::string station = "STA", channel = "HHZ", network = "XX";
    int_time start{2024, 3600, 0};
    int rate = 100;
};

inline void put16(std::vector<unsigned char>& r, std::size_t at, unsigned v) {
    r[at] = static_cast<unsigned char>(v >> 8);
    r[at + 1] = static_cast<unsigned char>(v);
}

inline void put32(std::vector<unsigned char>& r, std::size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        r[at + static_cast<std::size_t>(k)] = static_cast<unsigned char>(v >> (24 - 8 * k));
}

inline void put_code(std::vector<unsigned char>& r, std::size_t at, const std::string& code,
                     std::size_t width) {
    for (std::size_t k = 0; k < width; ++k)
        r[at + k] = k < code.size() ? static_cast<unsigned char>(code[k]) : ' ';
}

// The samples as consecutive most-significant-byte-first INT32 records of 112 samples each.
inline void write_int32_records(const std::string& path, const TraceSpec& layout,
                                const std::vector<int32_t>& samples) {
    constexpr std::size_t kPerRecord = 112; // (512 - 64) / 4
    std::ofstream out(path, std::ios::binary);
    for (std::size_t first = 0, seq = 1; first < samples.size(); first += kPerRecord, ++seq) {
        const std::size_t n = std::min(kPerRecord, samples.size() - first);
        std::vector<unsigned char> r(512, 0);
        const std::string seqno = std::to_string(1000000 + seq).substr(1);
        put_code(r, 0, seqno, 6);
        r[6] = 'D';
        r[7] = ' ';
        put_code(r, 8, layout.station, 5);
        put_code(r, 13, "", 2);
        put_code(r, 15, layout.channel, 3);
        put_code(r, 18, layout.network, 2);
        int s = 0, us = 0;
        f_time_interval2(static_cast<int>(first), layout.rate, 1, s, us);
        int_time t{};
        f_add_time(layout.start, s, us, t);
        ext_time e{};
        f_int_to_ext(t, e);
        put16(r, 20, static_cast<unsigned>(e.year));
        put16(r, 22, static_cast<unsigned>(e.doy));
        r[24] = static_cast<unsigned char>(e.hour);
        r[25] = static_cast<unsigned char>(e.minute);
        r[26] = static_cast<unsigned char>(e.second);
        put16(r, 28, static_cast<unsigned>(e.usec / 100));
        put16(r, 30, static_cast<unsigned>(n));
        put16(r, 32, static_cast<unsigned>(layout.rate));
        put16(r, 34, 1);
        r[39] = 1; // one blockette
        put16(r, 44, 64);
        put16(r, 46, 48);
        put16(r, 48, 1000);
        r[52] = 3; // INT32
        r[53] = 1; // most significant byte first
        r[54] = 9; // 2^9 = 512 bytes
        for (std::size_t i = 0; i < n; ++i)
            put32(r, 64 + 4 * i, static_cast<uint32_t>(samples[first + i]));
        out.write(reinterpret_cast<const char*>(r.data()), static_cast<std::streamsize>(r.size()));
    }
}

} // namespace tw::testing
