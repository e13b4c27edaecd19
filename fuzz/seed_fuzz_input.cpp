#include "fuzz/seed_fuzz_input.hpp"

#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "records/records.hpp"
#include "seed/fixed_header.hpp"
#include "seed/record_reader.hpp"
#include "seed/sample_decoders.hpp"
#include "seed/seed_fatal.hpp"
#include "seed/seed_file.hpp"
#include "seed/trace_assembly.hpp"

namespace tw {

namespace {

// What the readers say about an input is kept and dropped: only crashes count.
MessageLog& said() {
    static MessageLog log;
    log = MessageLog{};
    return log;
}

// A read-only stream over a copy of the input.
SeedFile stream_over(std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return SeedFile(std::fopen("/dev/null", "rb"), said());
    return SeedFile(fmemopen(bytes.data(), bytes.size(), "rb"), said());
}

void decode_as_record(std::span<const uint8_t> bytes) {
    try {
        if (auto quick = decode_fixed_data_hdr(bytes)) (void)quick->nsamp;
        if (auto full = decode_hdr_sdr(bytes, said())) {
            std::vector<int32_t> samples(512);
            ms_unpack(*full, 512, bytes, samples, said());
        }
    } catch (const SeedFatal&) {
        // A process-ending condition was reported; the decoders stopped cleanly.
    }
}

// The first four bytes choose nsamp, maximum and the byte order; the rest is a data section.
void decode_as_data_section(std::span<const uint8_t> bytes) {
    if (bytes.size() < 4) return;
    const int nsamp = (bytes[0] << 8 | bytes[1]) % 2000 - 10;
    const int maximum = static_cast<int8_t>(bytes[2]) * 16;
    const int order = bytes[3] & 1;
    const auto data = bytes.subspan(4);
    std::vector<int32_t> samples(2048), diff(2048);
    int32_t x0 = 0, xn = 0;
    std::string message;
    unpack_int_16(data, nsamp, maximum, samples, order, &message);
    unpack_int_24(data, nsamp, maximum, samples, order, &message);
    unpack_int_32(data, nsamp, maximum, samples, order, &message);
    unpack_steim1(data, nsamp, maximum, samples, diff, x0, xn, order, &message);
    unpack_steim2(data, nsamp, maximum, samples, diff, x0, xn, order, &message);
}

void read_as_file(std::vector<uint8_t> bytes, int maximum) {
    SeedFile file = stream_over(bytes);
    if (!file.is_open()) return;
    TraceHeader head;
    std::vector<int32_t> idata(kMaxSamples);
    int ierr = 0;
    try {
        assemble_trace(file, "fuzz input", maximum, idata, head, ierr);
    } catch (const SeedFatal&) {
        return;
    }
    if (ierr <= status::kOutOfRange) check_clip(head.chan.view(), head.npts, idata, ierr);
}

void read_records_one_by_one(std::vector<uint8_t> bytes) {
    SeedFile file = stream_over(bytes);
    if (!file.is_open()) return;
    std::vector<int32_t> samples(100);
    data_hdr hdr;
    try {
        for (int k = 0; k < 64 && f_read_ms(hdr, samples, 100, file) > 0; ++k) {
        }
    } catch (const SeedFatal&) {
    }
}

} // namespace

int run_seed_input(const uint8_t* data, std::size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    decode_as_record(bytes);
    decode_as_data_section(bytes);
    read_as_file({data, data + size}, kTraceSamples);
    read_records_one_by_one({data, data + size});
    return 0;
}

} // namespace tw
