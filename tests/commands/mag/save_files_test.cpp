// Save-record headers date the traces the analyser measured.
#include "commands/mag/save_files.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/run_program.hpp"

namespace tw::mag {
namespace {

// Header of a save record: 3001 samples at 100/s from 2024 day 75 12:29:36.9400.
const std::string kHeader = "SY01 HHN XX 0.010   3001   0.   0.  0.12345E+01 2024  75 12 29 36  "
                            "9400 ";

TEST(SaveFiles, HeaderGivesStartRateAndLength) {
    const auto span = parse_save_header(kHeader);
    ASSERT_TRUE(span.has_value());
    EXPECT_EQ(span->station, "SY01");
    EXPECT_EQ(span->channel, "HHN");
    EXPECT_EQ(span->network, "XX");
    EXPECT_EQ(span->sample_rate, 100);
    EXPECT_EQ(span->npts, 3001);
    EXPECT_DOUBLE_EQ(span->duration_s(), 30.0);
    const ext_time start = int_to_ext(span->start);
    EXPECT_EQ(start, (ext_time{2024, 75, 3, 15, 12, 29, 36, 940000}));
    // sample 3233 lies 32.33 s after the first
    EXPECT_EQ(int_to_ext(span->sample_time(3233)), (ext_time{2024, 75, 3, 15, 12, 30, 9, 270000}));
    EXPECT_EQ(int_to_ext(span->sample_time(0)), start);

    EXPECT_FALSE(parse_save_header("     1      0.12345").has_value());
    std::string no_rate = kHeader;
    no_rate.replace(12, 5, "0.000");
    EXPECT_FALSE(parse_save_header(no_rate).has_value());
    // a rate written as 0.004 (250 samples per second) is recovered exactly
    std::string fast = kHeader;
    fast.replace(12, 5, "0.004");
    EXPECT_EQ(parse_save_header(fast)->sample_rate, 250);
}

TEST(SaveFiles, TheLastRecordOfEachFileCounts) {
    tw::testing::TempDir dir;
    {
        std::ofstream wood(dir / "XX.SY01..HHN.mseed.wood");
        std::string older = kHeader;
        older.replace(18, 6, "     2");
        older.replace(63, 2, "00"); // second 00 instead of 36
        wood << older << "\n     1     0.50000\n     2     1.00000\n";
        wood << kHeader << "\n";
        for (int i = 1; i <= 3001; ++i)
            wood << "     " << i << "     0.00000\n";
    }
    std::ofstream(dir / "broken.ground") << "not a save file\n";
    std::ofstream(dir / "notes.txt") << kHeader << "\n";
    std::vector<std::string> problems;
    const TraceSpans spans = read_trace_spans(dir.path(), problems);
    ASSERT_EQ(spans.size(), 1u);
    const TraceSpan* span = find_span(spans, "wood", "SY01", "HHN");
    ASSERT_NE(span, nullptr);
    EXPECT_EQ(span->npts, 3001);
    EXPECT_EQ(int_to_ext(span->start).second, 36);
    EXPECT_EQ(find_span(spans, "ground", "SY01", "HHN"), nullptr);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "broken.ground: not a save file, not used for times");
}

} // namespace
} // namespace tw::mag
