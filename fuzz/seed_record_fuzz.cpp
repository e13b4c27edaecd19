// libFuzzer entry: arbitrary bytes as SEED records and data files.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/seed_fuzz_input.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // No leap-second file: the record layer must not depend on one.
    setenv("LEAPSECONDS", "/nonexistent/leapseconds", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    return tw::run_seed_input(data, size);
}
