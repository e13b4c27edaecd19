#include "metadata/station_metadata.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "both_scans.hpp"
#include "fixture_files.hpp"
#include "text/format.hpp"

namespace tw {
namespace {

using testing::at;
using testing::TempDir;
using testing::trace;

std::string coord_line(std::string_view station, std::string_view lat) {
    return FixedLine()
        .a(station, 4)
        .blanks(1)
        .a(lat, 8)
        .blanks(1)
        .a("2.0", 9)
        .blanks(1)
        .a("3.", 6)
        .str();
}

struct Position {
    float lat = -1.0f, lon = -1.0f, ele = -1.0f;
    int ierr = -1;
};

Position coordinates(StationMetadata& run, std::string_view station) {
    Position p;
    run.fetch_coord(FixedText<4>(station), p.lat, p.lon, p.ele, p.ierr);
    return p;
}

TEST(StationMetadata, AFileIsReadOnceAndKeptForTheRun) {
    TempDir dir;
    const auto path = dir.write("stat", {coord_line("ONE_", "1.0"), coord_line("TWO_", "2.0")});
    auto run = testing::run_metadata(path);
    EXPECT_EQ(run.coordinates_kind(), PathKind::kRegularFile);
    EXPECT_FLOAT_EQ(coordinates(run, "TWO").lat, 2.0f);
    // Changed or removed after its first lookup, the file's kept entries still serve the run.
    dir.write("stat", {coord_line("TWO_", "9.0")});
    EXPECT_FLOAT_EQ(coordinates(run, "TWO").lat, 2.0f);
    EXPECT_FLOAT_EQ(coordinates(run, "ONE").lat, 1.0f);
    std::filesystem::remove(path);
    EXPECT_EQ(run.coordinates_kind(), PathKind::kRegularFile);
    EXPECT_FLOAT_EQ(coordinates(run, "ONE").lat, 1.0f);
    // A new run reads the file anew.
    auto next = testing::run_metadata(path);
    EXPECT_EQ(next.coordinates_kind(), PathKind::kMissing);
    EXPECT_EQ(coordinates(next, "ONE").ierr, 1000);
}

TEST(StationMetadata, AMissingFileIsLookedForAgainAtEachLookup) {
    TempDir dir;
    const auto path = dir.file("stat");
    auto run = testing::run_metadata(path);
    EXPECT_EQ(run.coordinates_kind(), PathKind::kMissing);
    EXPECT_EQ(coordinates(run, "ONE").ierr, 1000);
    dir.write("stat", {coord_line("ONE_", "1.0")});
    EXPECT_EQ(run.coordinates_kind(), PathKind::kRegularFile);
    EXPECT_FLOAT_EQ(coordinates(run, "ONE").lat, 1.0f);
}

TEST(StationMetadata, PathsThatNameNoRegularFileAreNeverRead) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (const std::string& path :
         {dir.file("fifo"), std::string("/dev/zero"), dir.path().string()}) {
        SCOPED_TRACE(path);
        auto run = testing::run_metadata(path);
        EXPECT_EQ(run.coordinates_kind(), PathKind::kNotRegular);
        EXPECT_EQ(run.responses_kind(), PathKind::kNotRegular);
        // Asked all the same, the lookups find a file that cannot be opened.
        EXPECT_EQ(coordinates(run, "ONE").ierr, 1000);
        TraceHeader head = trace("ONE", "HHZ", at(2009, 1, 0, 0));
        InstrumentResponse instr;
        int ierr = 0;
        run.fetch_response(head, instr, ierr);
        EXPECT_EQ(ierr, 1000);
        std::array<PickRecord, kMaxPicks> picks{};
        int ipick = 5;
        MessageLog said;
        run.fetch_pick(head, picks, ipick, ierr, said);
        EXPECT_EQ(ierr, 1000);
        EXPECT_EQ(ipick, 0);
    }
}

TEST(StationMetadata, EntriesBeyondTheLimitAreReadFromTheFileByEveryLookup) {
    TempDir dir;
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i)
        lines.push_back(coord_line("S" + std::to_string(100 + i), std::to_string(i) + ".0"));
    const auto path = dir.write("stat", lines);

    KeptFile<CoordinateEntry> small(path, 10 * sizeof(CoordinateEntry));
    EXPECT_EQ(small.entries(), nullptr);
    KeptFile<CoordinateEntry> large(path, 100 * sizeof(CoordinateEntry));
    ASSERT_NE(large.entries(), nullptr);
    EXPECT_EQ(large.entries()->size(), 100u);

    // Kept or not, a lookup gives what reading the file gives.
    const FixedText<4> station("S142");
    Position from_file, kept;
    fetch_coord(path, station, from_file.lat, from_file.lon, from_file.ele, from_file.ierr);
    fetch_coord(*large.entries(), station, kept.lat, kept.lon, kept.ele, kept.ierr);
    EXPECT_EQ(from_file.ierr, 0);
    EXPECT_FLOAT_EQ(from_file.lat, 42.0f);
    EXPECT_EQ(kept.ierr, 0);
    EXPECT_TRUE(testing::same_bits(kept.lat, from_file.lat));
}

TEST(StationMetadata, KeptEntriesEndAtTheFirstThatEndsEveryScan) {
    TempDir dir;
    const auto path = dir.write(
        "stat", {coord_line("ONE_", "1.0"), coord_line("BAD_", "4x.1"), coord_line("TWO_", "2.0")});
    KeptFile<CoordinateEntry> file(path);
    ASSERT_NE(file.entries(), nullptr);
    ASSERT_EQ(file.entries()->size(), 2u);
    EXPECT_FALSE(file.entries()->back().ok);
    auto run = testing::run_metadata(path);
    EXPECT_EQ(coordinates(run, "ONE").ierr, 0);
    EXPECT_EQ(coordinates(run, "TWO").ierr, 999);
}

} // namespace
} // namespace tw
