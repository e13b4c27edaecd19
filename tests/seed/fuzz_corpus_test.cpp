// Replays the committed fuzzing corpus (seed inputs and every input that ever made the record
// layer fail) through the harness's own entry point.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/seed_fuzz_input.hpp"
#include "tests/support/files.hpp"

namespace {

namespace fs = std::filesystem;

TEST(FuzzCorpus, EveryInputRunsThroughTheRecordLayer) {
    const fs::path corpus = fs::path(TW_SOURCE_DIR) / "fuzz" / "corpus";
    std::vector<fs::path> inputs;
    for (const auto& e : fs::recursive_directory_iterator(corpus))
        if (e.is_regular_file()) inputs.push_back(e.path());
    std::sort(inputs.begin(), inputs.end());
    ASSERT_GE(inputs.size(), 10u);
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.string());
        const auto bytes = tw::testing::read_bytes(input.string());
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(tw::run_seed_input(bytes.data(), bytes.size()), 0);
        ::testing::internal::GetCapturedStdout();
        ::testing::internal::GetCapturedStderr();
    }
}

} // namespace
