#pragma once
// Byte orders of the host, of record headers and of sample data. Coding: 1 = most significant
// byte first, 0 = least significant byte first. Every binary field of a record is read in the
// record's own order and reversed when that differs from the host's, found at run time.
#include <cstdint>
#include <cstring>

namespace tw {

inline constexpr int kMsbFirst = 1;
inline constexpr int kLsbFirst = 0;

// The process-wide settings; each is -1 until determined.
struct ByteOrderSettings {
    int my_wordorder = -1;   // the host's order
    int hdr_wordorder = -1;  // default header order of a new data header
    int data_wordorder = -1; // default data order of a new data header
};

ByteOrderSettings& byte_order_settings();

// Determines the host's order (and fills the still-unset defaults with it); returns it.
// Throws SeedFatal when the host order is neither of the two.
int get_my_wordorder();
int set_hdr_wordorder(int order);
int set_data_wordorder(int order);

// The host's order, determined on first use.
inline int host_wordorder() {
    int order = byte_order_settings().my_wordorder;
    return order < 0 ? get_my_wordorder() : order;
}

// True when a field stored in `order` must be reversed on this host. Any non-zero order
// counts as most significant byte first.
inline bool needs_swap(int order) {
    return (order != 0 ? 1 : 0) != host_wordorder();
}

void swab2(uint8_t* p);
void swab3(uint8_t* p);
void swab4(uint8_t* p);
void swab8(uint8_t* p);

inline uint16_t load_u16(const uint8_t* p, bool swap) {
    uint8_t b[2] = {p[0], p[1]};
    if (swap) swab2(b);
    uint16_t v;
    std::memcpy(&v, b, 2);
    return v;
}
inline uint32_t load_u32(const uint8_t* p, bool swap) {
    uint8_t b[4] = {p[0], p[1], p[2], p[3]};
    if (swap) swab4(b);
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
