#pragma once
// One fuzzing input through the record layer: the header decoders on the bytes as a record,
// the sample decoders on the bytes as a data section, and the trace assembly on the bytes as
// a data file. Shared by the libFuzzer harness and the corpus replay test.
#include <cstddef>
#include <cstdint>

namespace tw {

// Returns 0; a fault shows as a sanitizer report or a crash.
int run_seed_input(const uint8_t* data, std::size_t size);

} // namespace tw
