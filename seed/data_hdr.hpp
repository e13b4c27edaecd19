#pragma once
// The record-layer description of one SEED data record: the decoded fixed header and the
// record's blockettes, each kept as a copy of its raw bytes.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "time/int_time.hpp"

namespace tw {

// One blockette as stored in the record, its 4-byte head included, never byte-swapped.
struct BS {
    std::vector<uint8_t> bytes;
    uint16_t type = 0;
    uint16_t len = 0;       // bytes.size()
    uint16_t wordorder = 0; // byte order of `bytes`: the header order of its record

    // Byte i of the blockette, 0 when the blockette is shorter.
    uint8_t byte_at(std::size_t i) const { return i < bytes.size() ? bytes[i] : 0; }
};

struct data_hdr {
    int32_t seqno = 0;
    // Codes, terminated; the trace assembly receives them blank-padded to full width.
    std::array<char, 6> station{};
    std::array<char, 3> location{};
    std::array<char, 4> channel{};
    std::array<char, 3> network{};
    int_time begin_time{};  // first sample, time correction applied when still due
    int_time end_time{};    // last sample
    int_time header_time{}; // start time as written plus the blockette 1001 offset
    int32_t nsamp = 0;
    int32_t frame_count = 0; // -1 when unknown
    int32_t rate_factor = 0;
    int32_t rate_mult = 1;
    int32_t blockette_count = 0; // always blockettes.size()
    int32_t corr = 0;            // units of 0.0001 s
    int32_t data_offset = 0;
    int32_t blockette_offset = 0;
    std::vector<BS> blockettes;
    int32_t data_format = 0;
    int32_t record_size = 0;
    uint8_t aflag = 0;
    uint8_t ioflag = 0;
    uint8_t qflag = 0;
    uint8_t hdr_wordorder = 0;
    uint8_t data_wordorder = 0;
    char record_type = 'D';
    int32_t x0 = 0; // forward integration constant (first sample)
    int32_t xn = 0; // reverse integration constant (last sample)
};

// Record-layer blockette types the decoders look at.
inline constexpr int kBlocketteDataOnly = 1000;
inline constexpr int kBlocketteDataExt = 1001;

// A new header, initialised by init_data_hdr (the host byte order is determined first).
data_hdr new_data_hdr();
// Every field zero or empty, rate_mult 1, record_type "D", byte orders from the defaults.
void init_data_hdr(data_hdr& hdr);
// Copies every field; the destination gets its own copy of the list, recounted.
void copy_data_hdr(data_hdr& dst, const data_hdr& src);
// Copies `len` bytes into a new node placed by `where`: 0 first, k > 0 after the k-th node,
// negative at the end. Returns 1.
int add_blockette(data_hdr& hdr, const uint8_t* bytes, int type, int len, int wordorder, int where);
// The first node of that type, or nullptr.
const BS* find_blockette(const data_hdr& hdr, int type);
// Removes every node of that type (all nodes for a negative type); returns how many.
int delete_blockette(data_hdr& hdr, int type);

void f_copy_data_hdr(data_hdr& dst, const data_hdr& src);
int f_delete_blockette(data_hdr& hdr, const int& type);

// A code field up to its terminator.
template <std::size_t N> std::string_view code_text(const std::array<char, N>& code) {
    std::size_t n = 0;
    while (n < N && code[n] != '\0')
        ++n;
    return {code.data(), n};
}

} // namespace tw
