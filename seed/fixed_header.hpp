#pragma once
// Decoding of the 48-byte fixed header of a SEED data record and of the blockettes after it.
// The header's byte order is not stated anywhere in it: it is inferred from the start-time year.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "seed/data_hdr.hpp"
#include "text/messages.hpp"
#include "time/int_time.hpp"

namespace tw {

inline constexpr int kFixedHeaderBytes = 48;

// Blockette 1000 gives a record's length as a power of two; records of 2^7 to 2^20 bytes are read.
inline constexpr int kSmallestRecordPower = 7;
inline constexpr int kLargestRecordPower = 20;
inline constexpr std::size_t kLargestRecordBytes = std::size_t{1} << kLargestRecordPower;

// The record length of a blockette 1000 power; 0 for a power outside 2^7 to 2^20.
int record_length_of_power(int power);

// Why a record of that power is refused, as one line for the record layer's warnings.
std::string record_power_refusal(int power);

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

// Samples per second of a fixed header's rate factor and multiplier as the SEED format defines
// them: a positive factor counts samples per second, a negative one seconds per sample; a positive
// multiplier multiplies, a negative one divides, 0 leaves the factor alone. Nothing when the
// factor is 0 (no rate).
std::optional<double> seed_sample_rate(int rate_factor, int rate_mult);

// Bytes the fixed header and the blockettes of `hdr` take up: the end of its last blockette (a
// known type counted at least at its table length), at least the 48 of the fixed header. The
// data of a record with samples begin at or after it.
int header_bytes(const data_hdr& hdr);

// Quick decoding of the first 48 bytes: a header without blockettes, or nothing when the
// record type letter is not one of a data or volume record.
std::optional<data_hdr> decode_fixed_data_hdr(std::span<const uint8_t> buf);

// Builds the blockette list of `hdr` from the bytes of `buf` (the record up to its last
// blockette). Returns 1, or 0 when the chain is malformed or leaves `buf`. Warnings about the
// chain go to `messages`.
int read_blockettes(data_hdr& hdr, std::span<const uint8_t> buf, MessageSink& messages);

// Full decoding of the fixed header and blockettes held in `buf` (its valid bytes).
std::optional<data_hdr> decode_hdr_sdr(std::span<const uint8_t> buf, MessageSink& messages);

} // namespace tw
