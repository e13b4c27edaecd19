#pragma once
// The independent writer and decoder the tests compare against: Debian's libmseed.
#include <cstdint>
#include <string>
#include <vector>

namespace tw::testing {

// A trace to pack: identity, start, rate, encoding (libmseed's code) and byte orders.
struct MseedTrace {
    std::string network = "XX", station = "TEST", location = "", channel = "HHZ";
    char quality = 'D';
    int year = 2010, doy = 58, hour = 6, minute = 50, second = 16, usec = 0;
    double rate = 100.0;
    int encoding = 11;    // Steim-2
    int header_order = 1; // 1 most significant byte first
    int data_order = 1;
    int reclen = 512;
    std::vector<int32_t> samples;
};

// The trace packed into records by libmseed's writer.
std::vector<uint8_t> pack_with_libmseed(const MseedTrace& trace);

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
    std::vector<DecodedRecord> records;   // those parsed, in file order
    std::vector<std::string> diagnostics; // anything libmseed complained about
    bool ok = false;                      // every record parsed with all its integer samples
};

// Decodes the records of `bytes`: all of `record_length` bytes, or with 0 each of the length
// its header gives. Stops at the first record libmseed cannot parse.
DecodedFile decode_with_libmseed(const std::vector<uint8_t>& bytes, int record_length = 0);

// The samples of every record, in file order.
std::vector<int32_t> samples_of(const DecodedFile& file);

// microseconds since 1970 of a calendar time.
int64_t epoch_us(int year, int doy, int hour, int minute, int second, int usec);

} // namespace tw::testing
