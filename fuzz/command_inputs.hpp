#pragma once
// Fuzzing inputs through the readers of the companion commands: station documents (tesk_meta)
// and multiplexed data files (tesk_split). Shared by the libFuzzer harnesses and the corpus
// replay test. Each returns 0; a fault shows as a sanitizer report or a crash.
#include <cstddef>
#include <cstdint>

namespace tw::fuzz {

// A StationXML or RESP document through tesk_meta's reader, conversion and file writer; every
// entry written must then be found by tesk_wave's own station-file readers.
int run_station_document_input(const uint8_t* data, std::size_t size);

// The bytes of a data file through tesk_split's record scan.
int run_multiplexed_input(const uint8_t* data, std::size_t size);

} // namespace tw::fuzz
