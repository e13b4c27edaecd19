// libFuzzer entry for one reader of outside text; TW_FUZZ_ENTRY names the reader's entry point
// in fuzz_inputs.hpp (each harness is this file built with a different entry).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/command_inputs.hpp"
#include "fuzz/fuzz_inputs.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // No leap-second file is read: the table comes from the bundled list.
    setenv("LEAPSECONDS", "/nonexistent/leapseconds", 1);
    tw::fuzz::load_standard_leap_seconds();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    return tw::fuzz::TW_FUZZ_ENTRY(data, size);
}
