#include "metadata/coordinates.hpp"

#include "both_scans.hpp"
#include "fixture_files.hpp"
#include "metadata/entry_fields.hpp"
#include "text/format.hpp"

namespace tw {
namespace {

using testing::TempDir;

// Station in 1-4, latitude in 6-13, longitude in 15-23, elevation in 25-30.
std::string coord_line(std::string_view station, std::string_view lat, std::string_view lon,
                       std::string_view ele) {
    return FixedLine()
        .text(station)
        .blanks(1)
        .a(lat, 8)
        .blanks(1)
        .a(lon, 9)
        .blanks(1)
        .a(ele, 6)
        .str();
}

struct Position {
    float lat = -1.0f, lon = -1.0f, ele = -1.0f;
    int ierr = -1;
};

Position lookup(const std::string& path, std::string_view station) {
    Position p;
    fetch_coord(path, FixedText<4>(station), p.lat, p.lon, p.ele, p.ierr);
    // The same lookup from the entries a run keeps, after a lookup of another station.
    auto run = testing::run_metadata(path);
    Position other, kept;
    run.fetch_coord(FixedText<4>("?" + std::string(station)), other.lat, other.lon, other.ele,
                    other.ierr);
    run.fetch_coord(FixedText<4>(station), kept.lat, kept.lon, kept.ele, kept.ierr);
    EXPECT_EQ(kept.ierr, p.ierr);
    EXPECT_TRUE(testing::same_bits(kept.lat, p.lat) && testing::same_bits(kept.lon, p.lon) &&
                testing::same_bits(kept.ele, p.ele));
    return p;
}

TEST(FetchCoord, ImpliedDecimalsAndThreeLetterStationWithUnderscore) {
    TempDir dir;
    const auto path = dir.write("stat", {coord_line("ABCD", "100000", "200000", "10"),
                                         coord_line("ABC_", "471234", "-1227957", "8605")});
    const Position p = lookup(path, "ABC");
    EXPECT_EQ(p.ierr, 0);
    EXPECT_FLOAT_EQ(p.lat, 47.1234f);
    EXPECT_FLOAT_EQ(p.lon, -122.7957f);
    EXPECT_FLOAT_EQ(p.ele, 860.5f);
}

TEST(FetchCoord, FirstMatchingLineWins) {
    TempDir dir;
    const auto path = dir.write("stat", {coord_line("OTHR", "1.0", "1.0", "1."),
                                         coord_line("STAT", "10.5", "20.25", "300."),
                                         coord_line("STAT", "-10.5", "-20.25", "-300.")});
    const Position p = lookup(path, "STAT");
    EXPECT_EQ(p.ierr, 0);
    EXPECT_FLOAT_EQ(p.lat, 10.5f);
    EXPECT_FLOAT_EQ(p.lon, 20.25f);
    EXPECT_FLOAT_EQ(p.ele, 300.0f);
}

TEST(FetchCoord, MissingStationLeavesOutputsAlone) {
    TempDir dir;
    const auto path = dir.write("stat", {coord_line("ABC_", "1.0", "2.0", "3.")});
    // "ABC_" stands for "ABC ", not for "ABCD"; an underscore elsewhere stays an underscore.
    for (std::string_view key : {"ABCD", "ABC_", "XYZ"}) {
        const Position p = lookup(path, key);
        EXPECT_EQ(p.ierr, 999) << key;
        EXPECT_EQ(p.lat, -1.0f);
        EXPECT_EQ(p.lon, -1.0f);
        EXPECT_EQ(p.ele, -1.0f);
    }
}

TEST(FetchCoord, MalformedLineBeforeTheStationEndsTheScan) {
    TempDir dir;
    const auto path = dir.write(
        "stat", {coord_line("BAD_", "4x.1", "2.0", "3."), coord_line("GOOD", "1.0", "2.0", "3.")});
    EXPECT_EQ(lookup(path, "GOOD").ierr, 999);
}

TEST(FetchCoord, OverlongLineIsMalformedAndItsRestNeverALine) {
    TempDir dir;
    const std::string good = coord_line("GOOD", "1.0", "2.0", "3.");
    // The rest of the over-long line holds a line of its own; it must not be found.
    const std::string overlong = coord_line("LONG", "1.0", "2.0", "3.") +
                                 std::string(LineReader::kMaxLineLength, ' ') +
                                 coord_line("TAIL", "5.0", "6.0", "7.");
    const auto path = dir.write("stat", {good, overlong, coord_line("NEXT", "1.0", "2.0", "3.")});
    EXPECT_EQ(lookup(path, "GOOD").ierr, 0);
    EXPECT_EQ(lookup(path, "LONG").ierr, 999);
    EXPECT_EQ(lookup(path, "TAIL").ierr, 999);
    EXPECT_EQ(lookup(path, "NEXT").ierr, 999);
    // A line of exactly 1024 characters, also with a carriage return before its line feed, is
    // no over-long line.
    const std::string full = good + std::string(LineReader::kMaxLineLength - good.size(), ' ');
    EXPECT_EQ(
        lookup(dir.write("full", {full, coord_line("NEXT", "1.0", "2.0", "3.")}), "NEXT").ierr, 0);
    EXPECT_EQ(
        lookup(dir.write("full_cr", {full + "\r", coord_line("NEXT", "1.0", "2.0", "3.")}), "NEXT")
            .ierr,
        0);
    EXPECT_EQ(
        lookup(dir.write("one_more", {full + "x", coord_line("NEXT", "1.0", "2.0", "3.")}), "NEXT")
            .ierr,
        999);
}

TEST(FetchCoord, UnopenableFileAndEmptyFile) {
    TempDir dir;
    EXPECT_EQ(lookup(dir.file("absent"), "RJOB").ierr, 1000);
    EXPECT_EQ(lookup(dir.write("empty", {}), "RJOB").ierr, 999);
}

TEST(FetchCoord, RealStationFile) {
    const Position p = lookup(testing::rjob_file("rjob.stat"), "RJOB");
    EXPECT_EQ(p.ierr, 0);
    // Explicit decimal points override the implied decimals.
    EXPECT_FLOAT_EQ(p.lat, 47.73717f);
    EXPECT_FLOAT_EQ(p.lon, 12.79571f);
    EXPECT_FLOAT_EQ(p.ele, 860.0f);
}

TEST(EntryFields, StationCodeAndUnitText) {
    EXPECT_EQ(station_code("AB_").view(), "AB_ ");
    EXPECT_EQ(station_code("A_C_xyz").view(), "A_C ");
    EXPECT_EQ(unit_code_of("(DU/M)   "), 0);
    EXPECT_EQ(unit_code_of("(DU/MS-1)"), 1);
    EXPECT_EQ(unit_code_of("(DU/MS-2)"), 2);
    EXPECT_EQ(unit_code_of("(DU/MS-3)"), 999);
    EXPECT_EQ(unit_code_of("   (DU/M)"), 999);
}

} // namespace
} // namespace tw
