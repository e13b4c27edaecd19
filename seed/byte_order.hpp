#pragma once
// Byte orders of record headers and sample data. Coding: 1 = most significant byte first, 0 =
// least significant byte first. Every binary field of a record is read in the record's own order
// and reversed when that differs from the host's, which is known when the program is compiled.
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace tw {

inline constexpr int kMsbFirst = 1;
inline constexpr int kLsbFirst = 0;

static_assert(std::endian::native == std::endian::big || std::endian::native == std::endian::little,
              "the record reader needs a host of either byte order");
inline constexpr int kHostWordorder =
    std::endian::native == std::endian::big ? kMsbFirst : kLsbFirst;

// True when a field stored in `order` must be reversed on this host. Any non-zero order
// counts as most significant byte first.
inline bool needs_swap(int order) {
    return (order != 0 ? 1 : 0) != kHostWordorder;
}

inline uint16_t load_u16(const uint8_t* p, bool swap) {
    uint8_t b[2] = {p[0], p[1]};
    if (swap) std::swap(b[0], b[1]);
    uint16_t v;
    std::memcpy(&v, b, 2);
    return v;
}
inline uint32_t load_u32(const uint8_t* p, bool swap) {
    uint8_t b[4] = {p[0], p[1], p[2], p[3]};
    if (swap) {
        std::swap(b[0], b[3]);
        std::swap(b[1], b[2]);
    }
    uint32_t v;
    std::memcpy(&v, b, 4);
    return v;
}
inline int16_t load_i16(const uint8_t* p, bool swap) {
    return static_cast<int16_t>(load_u16(p, swap));
}
inline int32_t load_i32(const uint8_t* p, bool swap) {
    return static_cast<int32_t>(load_u32(p, swap));
}

} // namespace tw
