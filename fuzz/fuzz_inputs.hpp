#pragma once
// One fuzzing input through each reader of outside text: the station metadata files, the
// leap-second file, the date parser, the command line and the fixed-column field readers.
// Shared by the libFuzzer harnesses and the corpus replay test. Each returns 0; a fault shows
// as a sanitizer report or a crash.
#include <cstddef>
#include <cstdint>

namespace tw::fuzz {

int run_coord_input(const uint8_t* data, std::size_t size);
int run_sens_input(const uint8_t* data, std::size_t size);
int run_resp_input(const uint8_t* data, std::size_t size);
int run_pick_input(const uint8_t* data, std::size_t size);
int run_leap_input(const uint8_t* data, std::size_t size);
int run_date_input(const uint8_t* data, std::size_t size);
int run_command_line_input(const uint8_t* data, std::size_t size);
int run_fields_input(const uint8_t* data, std::size_t size);

// Loads the bundled leap-second list into the process table, so that time conversions never
// look for a file. Called once before any input.
void load_standard_leap_seconds();

} // namespace tw::fuzz
