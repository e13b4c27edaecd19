#include "seed/byte_order.hpp"

#include <utility>

#include "seed/seed_fatal.hpp"

namespace tw {

ByteOrderSettings& byte_order_settings() {
    static ByteOrderSettings settings;
    return settings;
}

int get_my_wordorder() {
    ByteOrderSettings& s = byte_order_settings();
    const uint32_t probe = 0x01234567;
    uint8_t first;
    std::memcpy(&first, &probe, 1);
    if (first == 0x01)
        s.my_wordorder = kMsbFirst;
    else if (first == 0x67)
        s.my_wordorder = kLsbFirst;
    else
        throw SeedFatal(SeedFatalKind::host_wordorder);
    if (s.hdr_wordorder < 0) s.hdr_wordorder = s.my_wordorder;
    if (s.data_wordorder < 0) s.data_wordorder = s.my_wordorder;
    return s.my_wordorder;
}

int set_hdr_wordorder(int order) {
    return byte_order_settings().hdr_wordorder = order;
}
int set_data_wordorder(int order) {
    return byte_order_settings().data_wordorder = order;
}

void swab2(uint8_t* p) {
    std::swap(p[0], p[1]);
}
void swab3(uint8_t* p) {
    std::swap(p[0], p[2]);
}
void swab4(uint8_t* p) {
    std::swap(p[0], p[3]);
    std::swap(p[1], p[2]);
}
void swab8(uint8_t* p) {
    std::swap(p[0], p[7]);
    std::swap(p[1], p[6]);
    std::swap(p[2], p[5]);
    std::swap(p[3], p[4]);
}

} // namespace tw
