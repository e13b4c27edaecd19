// Each committed corpus file (the seed inputs and every input a fuzzing run found worth
// keeping, findings included) goes through the same entry point as its libFuzzer harness.
// Under the sanitizer build a fault in any of them fails the suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/command_inputs.hpp"
#include "fuzz/fuzz_inputs.hpp"

namespace {

namespace fs = std::filesystem;
using Entry = int (*)(const uint8_t*, std::size_t);

std::vector<fs::path> corpus_files(const std::string& name) {
    std::vector<fs::path> files;
    const fs::path dir = fs::path(TW_SOURCE_DIR) / "fuzz" / "corpus" / name;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<char> bytes_of(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    EXPECT_TRUE(in.is_open());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void replay(const std::string& name, Entry entry) {
    tw::fuzz::load_standard_leap_seconds();
    const auto files = corpus_files(name);
    ASSERT_FALSE(files.empty()) << "no corpus for " << name;
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const std::vector<char> bytes = bytes_of(file);
        EXPECT_EQ(entry(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0);
    }
}

TEST(FuzzCorpusReplay, CoordinateFile) {
    replay("coord", tw::fuzz::run_coord_input);
}
TEST(FuzzCorpusReplay, SensitivityFile) {
    replay("sens", tw::fuzz::run_sens_input);
}
TEST(FuzzCorpusReplay, ResponseFile) {
    replay("resp", tw::fuzz::run_resp_input);
}
TEST(FuzzCorpusReplay, PickFile) {
    replay("pick", tw::fuzz::run_pick_input);
}
// A run keeps each metadata file's entries and scans them for every trace: on every corpus input,
// malformed ones included, each lookup must give what reading the file gives.
TEST(FuzzCorpusReplay, KeptMetadataEntriesAgreeWithTheFile) {
    using tw::fuzz::MetadataKind;
    tw::fuzz::load_standard_leap_seconds();
    const std::pair<const char*, MetadataKind> kinds[] = {{"coord", MetadataKind::kCoordinates},
                                                          {"sens", MetadataKind::kSensitivities},
                                                          {"resp", MetadataKind::kResponses},
                                                          {"pick", MetadataKind::kPicks}};
    for (const auto& [name, kind] : kinds) {
        for (const auto& file : corpus_files(name)) {
            const std::vector<char> bytes = bytes_of(file);
            EXPECT_EQ(tw::fuzz::metadata_scan_difference(
                          kind, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()),
                      "")
                << file;
        }
    }
}

TEST(FuzzCorpusReplay, LeapSecondFile) {
    replay("leap", tw::fuzz::run_leap_input);
}
TEST(FuzzCorpusReplay, DateText) {
    replay("date", tw::fuzz::run_date_input);
}
TEST(FuzzCorpusReplay, CommandLine) {
    replay("command_line", tw::fuzz::run_command_line_input);
}
TEST(FuzzCorpusReplay, TextFields) {
    replay("fields", tw::fuzz::run_fields_input);
}
TEST(FuzzCorpusReplay, StationDocument) {
    replay("station_document", tw::fuzz::run_station_document_input);
}
TEST(FuzzCorpusReplay, MultiplexedDataFile) {
    replay("multiplexed", tw::fuzz::run_multiplexed_input);
}

} // namespace
