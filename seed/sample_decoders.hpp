#pragma once
// Turns the data section of one record into 32-bit integer samples. The encoding is named by
// blockette 1000: uncompressed 16-, 24- and 32-bit integers and the two Steim compressions.
#include <cstdint>
#include <span>
#include <string>

#include "seed/data_hdr.hpp"

#include "text/messages.hpp"

namespace tw {

enum DataFormat : int {
    INT_16 = 1,
    INT_24 = 2,
    INT_32 = 3,
    STEIM1 = 10,
    STEIM2 = 11,
};

inline constexpr int kSteimFrameBytes = 64;

// Uncompressed integers: stores min(nsamp, maximum) values and returns that count; -1 when
// nsamp < 0 or when nsamp values would run past the data section (then only the values that
// fit are stored). `errmsg` may be null.
int unpack_int_16(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  int wordorder, std::string* errmsg);
int unpack_int_24(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  int wordorder, std::string* errmsg);
int unpack_int_32(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  int wordorder, std::string* errmsg);

// Steim frames: returns min(nsamp, |maximum|) samples stored, 0 when nsamp is 0, -1 on error.
// A negative maximum stops after that many differences and skips the integrity check. `diff`
// may be the start of `samples` itself when it holds every difference (the differences are
// then integrated in place); on error the samples' room then holds differences.
// The message of a failed integrity check goes to `errmsg` when given.
int unpack_steim1(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  std::span<int32_t> diff, int32_t& x0, int32_t& xn, int wordorder,
                  std::string* errmsg);
int unpack_steim2(std::span<const uint8_t> data, int nsamp, int maximum, std::span<int32_t> samples,
                  std::span<int32_t> diff, int32_t& x0, int32_t& xn, int wordorder,
                  std::string* errmsg);

// Decodes the samples of a whole record held in `record` (record_size bytes) into at most
// `maximum` samples. Returns the count (> 0) or -2; a record whose samples would begin inside
// its own fixed header or blockettes (a data offset of 0 among them) is refused with a line to
// `messages`. An encoding not listed above throws SeedFatal (unknown_format).
// An integrity failure's message goes to `messages`.
int ms_unpack(data_hdr& hdr, int maximum, std::span<const uint8_t> record,
              std::span<int32_t> samples, MessageSink& messages);

} // namespace tw
