#pragma once
// SEED data records of one channel: 48-byte fixed header, blockette 1000, Steim-2 data,
// everything most significant byte first.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "commands/synth/calendar.hpp"

namespace tw::synth {

struct ChannelRecords {
    std::string network;     // up to 2 characters
    std::string station;     // up to 5 characters
    std::string location;    // up to 2 characters
    std::string channel;     // up to 3 characters
    UtcInstant start;        // time of the first sample, a whole number of 100 microseconds
    int sample_rate = 100;   // samples per second
    int record_length = 512; // bytes, a power of two from 256 to 65536
};

// The records holding `samples`, one after another without gap: each record starts one sample
// interval after the last sample of the one before, and its first difference refers to that
// sample. Returns an empty vector when a sample difference does not fit Steim-2 (30 bits) or
// the record length is not a power of two from 256 to 65536.
std::vector<uint8_t> encode_records(const ChannelRecords& layout, std::span<const int32_t> samples);

// log2 of a record length, or -1 when it is not a power of two from 256 to 65536.
int record_length_exponent(int record_length);

} // namespace tw::synth
