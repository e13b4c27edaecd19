#include "seed/record_reader.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "seed/byte_order.hpp"
#include "seed/fixed_header.hpp"
#include "seed/sample_decoders.hpp"
#include "seed/seed_fatal.hpp"

namespace tw {

namespace {

// Reads bytes [from, to) of the record into the buffer; false when short or out of room.
bool read_span(SeedFile& file, RecordBuffer& buffer, std::size_t from, std::size_t to) {
    if (to < from || to > buffer.size()) return false;
    return file.read(buffer.data() + from, to - from) == to - from;
}

// Makes room for `needed` bytes, keeping the first `keep`; no record is longer than 2^20.
bool make_room(RecordBuffer& buffer, std::size_t needed, std::size_t keep) {
    if (needed <= buffer.size()) return true;
    if (needed > kLargestRecordBytes) return false;
    buffer.enlarge(needed, keep);
    return true;
}

// The power of two blockette 1000 gives as the record length.
int record_power(const BS& b1000) {
    return static_cast<int8_t>(b1000.byte_at(6));
}

// Record length from blockette 1000; 0 when the power lies outside 2^7 to 2^20.
int record_length(const BS& b1000) {
    return record_length_of_power(record_power(b1000));
}

} // namespace

void RecordBuffer::allocate(std::size_t n) {
    try {
        bytes_ = std::make_unique_for_overwrite<uint8_t[]>(n);
        size_ = n;
    } catch (const std::bad_alloc&) {
        throw SeedFatal(SeedFatalKind::alloc_buffer);
    }
}

void RecordBuffer::enlarge(std::size_t n, std::size_t keep) {
    if (n <= size_) return;
    RecordBuffer larger;
    larger.allocate(n);
    if (keep > 0) std::memcpy(larger.bytes_.get(), bytes_.get(), std::min(keep, size_));
    *this = std::move(larger);
}

int read_ms_bkt(data_hdr& quick, RecordBuffer& buffer, SeedFile& file) {
    const bool swap = needs_swap(quick.hdr_wordorder);
    const int announced = quick.blockette_count;
    quick.blockettes.clear();
    quick.blockette_count = 0;
    long offset = quick.blockette_offset;
    int previous_next = -1;
    for (int i = 0; i < announced; ++i) {
        if (i > 0 && previous_next == 0) throw SeedFatal(SeedFatalKind::zero_blockette_offset);
        if (!make_room(buffer, static_cast<std::size_t>(offset) + 4,
                       static_cast<std::size_t>(offset)) ||
            !read_span(file, buffer, static_cast<std::size_t>(offset),
                       static_cast<std::size_t>(offset) + 4))
            return -1;
        const uint8_t* head = buffer.data() + offset;
        const int type = load_u16(head, swap);
        const int next = load_u16(head + 2, swap);
        const long limit = next != 0 ? next : quick.data_offset;
        const int table = blockette_table_length(type);
        long len = 0;
        if (table == 0) {
            file.messages().error("Warning: unknown blockette " + std::to_string(type) + "\n");
            if (limit == 0) {
                file.messages().error("Warning: unknown blockette and no length limit\n");
                return -1;
            }
            len = limit - offset;
        } else {
            if (limit != 0 && table > limit - offset)
                file.messages().error("Warning: short blockette " + std::to_string(type) +
                                      " len=" + std::to_string(limit - offset) +
                                      ", expected len=" + std::to_string(table) + "\n");
            len = limit != 0 ? limit - offset : table;
            if (quick.data_offset != 0 && offset + len > quick.data_offset)
                file.messages().error("Warning: blockette " + std::to_string(type) +
                                      "\tat offset=" + std::to_string(offset) +
                                      " len=" + std::to_string(len) +
                                      " first_data=" + std::to_string(quick.data_offset) + "\n");
        }
        // A blockette shorter than its own head, or one that would leave the largest record,
        // cannot be part of a record.
        if (len < 4) return -1;
        const auto end = static_cast<std::size_t>(offset + len);
        if (!make_room(buffer, end, static_cast<std::size_t>(offset) + 4) ||
            !read_span(file, buffer, static_cast<std::size_t>(offset) + 4, end))
            return -1;
        head = buffer.data() + offset;
        BS node;
        node.type = static_cast<uint16_t>(type);
        node.len = static_cast<uint16_t>(len);
        node.wordorder = quick.hdr_wordorder;
        try {
            node.bytes.assign(head, head + len);
            quick.blockettes.push_back(std::move(node));
        } catch (const std::bad_alloc&) {
            throw SeedFatal(SeedFatalKind::alloc_node);
        }
        ++quick.blockette_count;
        offset += len;
        previous_next = next;
    }
    if (previous_next > 0) {
        file.messages().error("extra blockette found\n");
        return -1;
    }
    return static_cast<int>(offset);
}

int read_ms_hdr(std::optional<data_hdr>& hdr, RecordBuffer& buffer, SeedFile& file) {
    hdr.reset();
    const bool owned = buffer.empty();
    if (owned) buffer.allocate(kFirstBufferBytes);
    auto fail = [&](int result) {
        hdr.reset();
        if (owned) buffer.release();
        return result;
    };

    if (!read_span(file, buffer, 0, kFixedHeaderBytes)) return fail(-1);
    std::optional<data_hdr> quick = decode_fixed_data_hdr(buffer.view(kFixedHeaderBytes));
    if (!quick) return fail(-2);
    std::size_t bytes_read = kFixedHeaderBytes;

    if (quick->blockette_count > 0) {
        const auto first = static_cast<std::size_t>(quick->blockette_offset);
        if (first < kFixedHeaderBytes) return fail(-2);
        if (!make_room(buffer, first, bytes_read) || !read_span(file, buffer, bytes_read, first))
            return fail(-2);
        const int past_blockettes = read_ms_bkt(*quick, buffer, file);
        if (past_blockettes < 0) return fail(-2);
        bytes_read = static_cast<std::size_t>(past_blockettes);
    }
    if (!find_blockette(*quick, kBlocketteDataOnly)) return fail(-2);
    quick.reset();

    std::optional<data_hdr> full = decode_hdr_sdr(buffer.view(bytes_read), file.messages());
    if (!full) return fail(-2);
    const BS* b1000 = find_blockette(*full, kBlocketteDataOnly);
    if (!b1000) return fail(-2);
    if (record_length(*b1000) == 0) {
        // A blockette cut before its power byte has been warned about already.
        if (b1000->len > 6) file.messages().error(record_power_refusal(record_power(*b1000)));
        return fail(-2);
    }
    const auto record_size = static_cast<std::size_t>(full->record_size);
    if (!make_room(buffer, record_size, bytes_read)) return fail(-2);

    const std::size_t target = full->data_offset != 0 ? full->data_offset : record_size;
    if (target < bytes_read || target > record_size) return fail(-2);
    if (!read_span(file, buffer, bytes_read, target)) return fail(-2);
    hdr = std::move(full);
    return static_cast<int>(target);
}

int read_ms_data(const data_hdr& hdr, RecordBuffer& buffer, int bytes_read, SeedFile& file) {
    const BS* b1000 = find_blockette(hdr, kBlocketteDataOnly);
    if (!b1000) return -2;
    const int length = record_length(*b1000);
    if (length == 0) return -2;
    if (hdr.data_offset > 0) {
        if (hdr.data_offset > length || bytes_read < 0 || bytes_read > length ||
            !read_span(file, buffer, static_cast<std::size_t>(bytes_read),
                       static_cast<std::size_t>(bytes_read) +
                           static_cast<std::size_t>(length - hdr.data_offset)))
            return -2;
    }
    return length;
}

int read_ms_record(std::optional<data_hdr>& hdr, RecordBuffer& buffer, SeedFile& file) {
    const int bytes_read = read_ms_hdr(hdr, buffer, file);
    if (bytes_read < 0) return bytes_read;
    return read_ms_data(*hdr, buffer, bytes_read, file);
}

int read_ms(std::optional<data_hdr>& hdr, std::span<int32_t> samples, int maximum, SeedFile& file) {
    hdr.reset();
    if (maximum < 0) return -2;
    if (maximum == 0) return 0;
    RecordBuffer buffer;
    const int length = read_ms_record(hdr, buffer, file);
    if (length < 0) return length;
    return ms_unpack(*hdr, maximum, buffer.view(static_cast<std::size_t>(length)), samples,
                     file.messages());
}

int f_read_ms(data_hdr& out, std::span<int32_t> samples, const int& maximum, SeedFile& file) {
    std::optional<data_hdr> hdr;
    const int result = read_ms(hdr, samples, maximum, file);
    if (!hdr) return result > 0 ? -2 : result;
    hdr->blockettes.clear();
    hdr->blockette_count = 0;
    // Codes blank-padded to their full widths, the terminator included.
    auto pad = [](auto& code) {
        for (char& c : code)
            if (c == '\0') c = ' ';
    };
    pad(hdr->station);
    pad(hdr->location);
    pad(hdr->channel);
    pad(hdr->network);
    out = std::move(*hdr);
    return result;
}

} // namespace tw
