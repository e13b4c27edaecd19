#pragma once
// Reads SEED data records one at a time from an open data file: the fixed header, then the
// blockettes up to the first data byte, then the data section, then the samples. The file is
// read strictly in sequence; the file position is the only link from one record to the next.
//
// Results: samples or bytes (> 0), -1 at the end of the file, -2 for a bad record. The
// process-ending conditions are thrown as SeedFatal.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "seed/data_hdr.hpp"
#include "seed/fixed_header.hpp"
#include "seed/seed_file.hpp"

namespace tw {

// The first buffer of a record; a longer record enlarges it to its own length, at most
// kLargestRecordBytes.
inline constexpr std::size_t kFirstBufferBytes = 32768;

// Holds one record at its record offsets. Empty until allocated.
class RecordBuffer {
  public:
    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    uint8_t* data() { return bytes_.get(); }
    std::span<const uint8_t> view(std::size_t n) const { return {bytes_.get(), n}; }
    // A fresh buffer of n bytes; exhausted memory throws SeedFatal.
    void allocate(std::size_t n);
    // Grows to n bytes keeping the first `keep`.
    void enlarge(std::size_t n, std::size_t keep);
    void release() {
        bytes_.reset();
        size_ = 0;
    }

  private:
    std::unique_ptr<uint8_t[]> bytes_;
    std::size_t size_ = 0;
};

// Reads up to the first data byte; returns the bytes read. An empty buffer is allocated here
// (and released again on failure).
int read_ms_hdr(std::optional<data_hdr>& hdr, RecordBuffer& buffer, SeedFile& file);
// Reads the blockettes announced by a quick header into the buffer and its list; returns the
// offset past the last blockette, or -1.
int read_ms_bkt(data_hdr& quick, RecordBuffer& buffer, SeedFile& file);
// Reads the data section after `bytes_read` bytes; returns the record length, or -2.
int read_ms_data(const data_hdr& hdr, RecordBuffer& buffer, int bytes_read, SeedFile& file);
// A whole record; returns its length, -1 or -2.
int read_ms_record(std::optional<data_hdr>& hdr, RecordBuffer& buffer, SeedFile& file);
// A record and its samples, at most `maximum` of them; returns their count, 0 for a maximum
// of 0 (nothing read), -1 or -2. The header is handed out whenever the record was read.
int read_ms(std::optional<data_hdr>& hdr, std::span<int32_t> samples, int maximum, SeedFile& file);
// As read_ms, the header copied into `out` with blank-padded codes and no blockettes.
int f_read_ms(data_hdr& out, std::span<int32_t> samples, const int& maximum, SeedFile& file);

} // namespace tw
