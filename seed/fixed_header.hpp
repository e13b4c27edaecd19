#pragma once
// Decoding of the 48-byte fixed header of a SEED data record and of the blockettes after it.
// The header's byte order is not stated anywhere in it: it is inferred from the start-time year.
#include <cstdint>
#include <optional>
#include <span>

#include "seed/data_hdr.hpp"
#include "text/messages.hpp"
#include "time/int_time.hpp"

namespace tw {

inline constexpr int kFixedHeaderBytes = 48;

// Record type letters of data records: "D" and the data-quality letters "R", "Q", "M", which
// mark records of the same layout. "V" is a volume header record.
bool is_data_record_letter(char letter);

// Length of a known blockette type, 0 for a type not in the table (2000 included: its length
// is stored in the blockette itself).
int blockette_table_length(int type);

// Header byte order from the two year bytes as stored: 1 when they read as a year from 1800 to
// 2054 most significant byte first, 0 when least significant first. Throws SeedFatal otherwise.
int wordorder_from_time(uint8_t b0, uint8_t b1);

// The 10-byte start time at `p`, binary fields in `wordorder`.
int_time decode_time_sdr(const uint8_t* p, int wordorder);

// Quick decoding of the first 48 bytes: a header without blockettes, or nothing when the
// record type letter is not one of a data or volume record, or when the record begins outside
// the years kFirstYear to kLastYear.
std::optional<data_hdr> decode_fixed_data_hdr(std::span<const uint8_t> buf);

// Builds the blockette list of `hdr` from the bytes of `buf` (the record up to its last
// blockette). Returns 1, or 0 when the chain is malformed or leaves `buf`. Warnings about the
// chain go to `messages`.
int read_blockettes(data_hdr& hdr, std::span<const uint8_t> buf, MessageSink& messages);

// Full decoding of the fixed header and blockettes held in `buf` (its valid bytes); nothing as
// for the quick decoding, or when the blockette chain is malformed.
std::optional<data_hdr> decode_hdr_sdr(std::span<const uint8_t> buf, MessageSink& messages);

} // namespace tw
