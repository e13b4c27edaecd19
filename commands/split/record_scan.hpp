#pragma once
// Finds the SEED data records in the bytes of a file, with the project's record reader, so that
// they can be copied byte for byte. What cannot be read is described, never dropped silently.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "time/int_time.hpp"

namespace tw::split {

struct RecordRef {
    std::size_t file = 0;   // index of the file among those scanned
    std::size_t offset = 0; // first byte
    std::size_t length = 0; // record length from blockette 1000
    std::string channel_id; // NET.STA.LOC.CHA
    int_time start{};       // first sample
};

struct ScanResult {
    std::vector<RecordRef> records;
    std::vector<std::string> problems; // "bytes A to B: ..." per stretch skipped
};

// The records of one file's bytes, in file order. A record whose header reads but whose samples
// do not decode is skipped whole; bytes that start no readable record are skipped until the
// next record that reads.
ScanResult scan_records(std::string_view bytes, std::size_t file_index);

// NET.STA.LOC.CHA from the codes of a record header (blank-free); empty when a code holds a
// character that cannot go into a file name.
std::string channel_id(std::string_view network, std::string_view station,
                       std::string_view location, std::string_view channel);

} // namespace tw::split
