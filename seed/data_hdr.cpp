#include "seed/data_hdr.hpp"

#include <new>
#include <utility>

#include "seed/byte_order.hpp"
#include "seed/seed_fatal.hpp"

namespace tw {

data_hdr new_data_hdr() {
    try {
        data_hdr hdr;
        init_data_hdr(hdr);
        return hdr;
    } catch (const std::bad_alloc&) {
        throw SeedFatal(SeedFatalKind::alloc_data_hdr);
    }
}

void init_data_hdr(data_hdr& hdr) {
    hdr = data_hdr{};
    hdr.hdr_wordorder = static_cast<uint8_t>(kHostWordorder);
    hdr.data_wordorder = static_cast<uint8_t>(kHostWordorder);
}

void copy_data_hdr(data_hdr& dst, const data_hdr& src) {
    if (&dst == &src) return;
    std::vector<BS> list;
    try {
        list.reserve(src.blockettes.size());
    } catch (const std::bad_alloc&) {
        throw SeedFatal(SeedFatalKind::alloc_node);
    }
    // Every field but the list, then the list node by node as add_blockette builds it.
    dst.seqno = src.seqno;
    dst.station = src.station;
    dst.location = src.location;
    dst.channel = src.channel;
    dst.network = src.network;
    dst.begin_time = src.begin_time;
    dst.end_time = src.end_time;
    dst.header_time = src.header_time;
    dst.nsamp = src.nsamp;
    dst.frame_count = src.frame_count;
    dst.rate_factor = src.rate_factor;
    dst.rate_mult = src.rate_mult;
    dst.corr = src.corr;
    dst.data_offset = src.data_offset;
    dst.blockette_offset = src.blockette_offset;
    dst.data_format = src.data_format;
    dst.record_size = src.record_size;
    dst.aflag = src.aflag;
    dst.ioflag = src.ioflag;
    dst.qflag = src.qflag;
    dst.hdr_wordorder = src.hdr_wordorder;
    dst.data_wordorder = src.data_wordorder;
    dst.record_type = src.record_type;
    dst.x0 = src.x0;
    dst.xn = src.xn;
    dst.blockette_count = 0;
    dst.blockettes = std::move(list);
    for (const BS& node : src.blockettes)
        add_blockette(dst, node.bytes.data(), node.type, node.len, node.wordorder, -1);
}

int add_blockette(data_hdr& hdr, const uint8_t* bytes, int type, int len, int wordorder,
                  int where) {
    BS node;
    node.type = static_cast<uint16_t>(type);
    node.len = static_cast<uint16_t>(len);
    node.wordorder = static_cast<uint16_t>(wordorder);
    try {
        node.bytes.assign(bytes, bytes + len);
    } catch (const std::bad_alloc&) {
        throw SeedFatal(SeedFatalKind::alloc_blockette);
    }
    auto& list = hdr.blockettes;
    std::size_t pos = list.size();
    if (where == 0)
        pos = 0;
    else if (where > 0 && static_cast<std::size_t>(where) < list.size())
        pos = static_cast<std::size_t>(where);
    try {
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(pos), std::move(node));
    } catch (const std::bad_alloc&) {
        throw SeedFatal(SeedFatalKind::alloc_node);
    }
    if (hdr.blockette_count == 0) hdr.blockette_offset = 48;
    ++hdr.blockette_count;
    return 1;
}

const BS* find_blockette(const data_hdr& hdr, int type) {
    for (const BS& node : hdr.blockettes)
        if (node.type == type) return &node;
    return nullptr;
}

int delete_blockette(data_hdr& hdr, int type) {
    auto matches = [type](const BS& node) { return type < 0 || node.type == type; };
    const auto removed = std::erase_if(hdr.blockettes, matches);
    hdr.blockette_count -= static_cast<int32_t>(removed);
    if (hdr.blockette_count == 0) hdr.blockette_offset = 0;
    return static_cast<int>(removed);
}

void f_copy_data_hdr(data_hdr& dst, const data_hdr& src) {
    copy_data_hdr(dst, src);
}
int f_delete_blockette(data_hdr& hdr, const int& type) {
    return delete_blockette(hdr, type);
}

} // namespace tw
