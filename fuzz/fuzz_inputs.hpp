#pragma once
// One fuzzing input through each reader of outside text: the station metadata files, the
// leap-second file, the date parser, the command line and the fixed-column field readers.
// Shared by the libFuzzer harnesses and the corpus replay test. Each returns 0; a fault shows
// as a sanitizer report or a crash.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tw::fuzz {

// The four metadata entries also look the input up through a run's kept entries and stop the
// process when a lookup differs from reading the file (see metadata_scan_difference).
int run_coord_input(const uint8_t* data, std::size_t size);
int run_sens_input(const uint8_t* data, std::size_t size);
int run_resp_input(const uint8_t* data, std::size_t size);
int run_pick_input(const uint8_t* data, std::size_t size);
int run_leap_input(const uint8_t* data, std::size_t size);
int run_date_input(const uint8_t* data, std::size_t size);
int run_command_line_input(const uint8_t* data, std::size_t size);
int run_fields_input(const uint8_t* data, std::size_t size);

// The station metadata file kinds.
enum class MetadataKind { kCoordinates, kSensitivities, kResponses, kPicks };

// Looks the input up as a file of the given kind for several stations, channels and times, each
// lookup reading the file, and the same lookups in turn (forward, then backward) through one
// StationMetadata that keeps the file's entries. Returns the first difference as text, empty
// when every lookup agrees to the bit.
std::string metadata_scan_difference(MetadataKind kind, const uint8_t* data, std::size_t size);

// Loads the bundled leap-second list into the process table, so that time conversions never
// look for a file. Called once before any input.
void load_standard_leap_seconds();

} // namespace tw::fuzz
