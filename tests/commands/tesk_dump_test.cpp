// tesk_dump on the shared data files: header lines against a golden file, samples against
// libmseed's decoding of the same file, exit statuses and the usage text.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.hpp"
#include "tests/support/libmseed.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/test_data.hpp"

namespace {

namespace fs = std::filesystem;
using tw::testing::lines_of;
using tw::testing::run_program;

const std::string kDump = TW_BINARY_DIR "/commands/tesk_dump";

std::vector<std::string> fixture_files() {
    std::vector<std::string> files;
    for (const char* dir : {"mseed", "rjob"}) {
        const auto here = tw::testing::test_data_files(dir, ".mseed");
        files.insert(files.end(), here.begin(), here.end());
    }
    return files;
}

// The output with the directory part of every file name removed.
std::string without_dirs(std::string text, const std::vector<std::string>& files) {
    for (const auto& f : files) {
        const std::string dir = fs::path(f).parent_path().string() + "/";
        for (std::size_t at; (at = text.find(dir)) != std::string::npos;)
            text.erase(at, dir.size());
    }
    return text;
}

TEST(TeskDump, UsageWithoutArguments) {
    const auto r = run_program(kDump, {});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind("usage: tesk_dump FILE...\n", 0), 0u);
}

TEST(TeskDump, HeaderLinesOfTheFixtureFiles) {
    const auto files = fixture_files();
    ASSERT_EQ(files.size(), 16u);
    const auto r = run_program(kDump, files);
    EXPECT_EQ(r.status, 1) << "the file without blockette 1000 gives no trace";
    std::string headers;
    for (const auto& line : lines_of(without_dirs(r.out, files)))
        if (line[0] == '#' || line[0] == ' ') headers += line + "\n";
    EXPECT_EQ(headers,
              tw::testing::slurp(TW_SOURCE_DIR "/tests/commands/golden/tesk_dump_fixtures.txt"));
    // The reader's message goes to standard error; standard output holds headers and samples.
    EXPECT_EQ(without_dirs(r.err, files),
              " Error reading first block  no-blockette1000-steim1.mseed\n");
}

TEST(TeskDump, SamplesEqualLibmseed) {
    int compared = 0;
    for (const auto& file : fixture_files()) {
        if (file.find("no-blockette1000") != std::string::npos) continue;
        ++compared;
        SCOPED_TRACE(file);
        const auto r = run_program(kDump, {file});
        EXPECT_EQ(r.status, 0);
        const auto lines = lines_of(r.out);
        ASSERT_FALSE(lines.empty());
        std::vector<int32_t> samples;
        for (std::size_t i = 1; i < lines.size(); ++i)
            samples.push_back(std::stoi(lines[i]));
        EXPECT_EQ(samples, tw::testing::samples_of(
                               tw::testing::decode_with_libmseed(tw::testing::read_bytes(file))));
    }
    EXPECT_EQ(compared, 15);
}

TEST(TeskDump, UnreadableFilesPrintTheirMessageAndFailTheRun) {
    tw::testing::TempFile empty({}, "empty_dump.mseed");
    const auto r = run_program(kDump, {"/nonexistent/x.mseed", empty.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, " Error opening file /nonexistent/x.mseed\n"
                     " Error reading first block  " +
                         empty.path() + "\n");
}

// Rates below one sample per second and fractional rates print as decimal fractions; whole rates
// as before.
TEST(TeskDump, RateColumnOfFractionalRates) {
    for (auto [rate, text] : {std::pair<double, std::string>{0.1, "0.1"},
                              {2.5, "2.5"},
                              {0.05, "0.05"},
                              {100.0, "100"},
                              {1.0, "1"}}) {
        tw::testing::MseedTrace t;
        t.rate = rate;
        t.samples.assign(20, 7);
        tw::testing::TempFile file(tw::testing::pack_with_libmseed(t), "rate.mseed");
        const auto r = run_program(kDump, {file.path()});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(lines_of(r.out).at(0),
                  "# TEST HHZ XX 2010 058 06:50:16.000000 20 " + text + " 0");
    }
}

} // namespace
