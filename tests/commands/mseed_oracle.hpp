#pragma once
// Decodes SEED data records with libmseed, an independent implementation used only by the
// tests as an oracle for the records that tesk_synth writes.
#include <cstdint>
#include <string>
#include <vector>

namespace tw::test {

struct DecodedRecord {
    std::string network, station, location, channel;
    int64_t start_us = 0; // microseconds since 1970
    double sample_rate = 0.0;
    int record_length = 0;
    int encoding = 0;
    int byte_order = 0;
    int sequence = 0;
    std::vector<int32_t> samples;
};

struct DecodedFile {
    std::vector<DecodedRecord> records;
    std::vector<std::string> diagnostics; // anything libmseed complained about
    bool ok = false;                      // every record parsed
};

DecodedFile decode_with_libmseed(const std::vector<uint8_t>& bytes, int record_length);

// microseconds since 1970 of a calendar time.
int64_t epoch_us(int year, int doy, int hour, int minute, int second, int usec);

} // namespace tw::test
