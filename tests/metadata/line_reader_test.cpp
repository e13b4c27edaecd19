#include "metadata/line_reader.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "fixture_files.hpp"
#include "records/status.hpp"

namespace tw {
namespace {

using testing::TempDir;

struct Line {
    std::string text;
    bool too_long;
    bool operator==(const Line&) const = default;
};

std::vector<Line> lines_of(const std::string& path) {
    LineReader file(path);
    std::vector<Line> out;
    std::string text;
    bool too_long = false;
    while (file.next_line(text, too_long))
        out.push_back({text, too_long});
    return out;
}

std::string write(const TempDir& dir, const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir.file(name);
}

TEST(LineReader, LineEndsAndTheLastLineWithoutOne) {
    TempDir dir;
    const auto path = write(dir, "a", "one\ntwo\r\n\n\r\nlast");
    EXPECT_EQ(lines_of(path),
              (std::vector<Line>{
                  {"one", false}, {"two", false}, {"", false}, {"", false}, {"last", false}}));
    EXPECT_TRUE(lines_of(write(dir, "empty", "")).empty());
    EXPECT_EQ(lines_of(write(dir, "nul", std::string("a\0b\n", 4))),
              (std::vector<Line>{{std::string("a\0b", 3), false}}));
}

TEST(LineReader, OverlongLinesKeepTheirStartAndLoseTheirRest) {
    TempDir dir;
    const std::size_t n = LineReader::kMaxLineLength;
    const std::string full(n, 'a');
    // Lines longer than the buffer of the reader, too: the rest is never read as lines.
    const std::string huge = std::string(n, 'b') + std::string(200000, 'c') + "\nXY";
    const auto path =
        write(dir, "a", full + "\n" + full + "\r\n" + full + "d\n" + full + "\r\r\n" + huge);
    const auto lines = lines_of(path);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], (Line{full, false}));
    EXPECT_EQ(lines[1], (Line{full, false}));
    EXPECT_EQ(lines[2], (Line{full, true}));
    EXPECT_EQ(lines[3], (Line{full, true}));
    EXPECT_EQ(lines[4], (Line{std::string(n, 'b'), true}));
    EXPECT_EQ(lines[5], (Line{"XY", false}));
}

TEST(LineReader, SkippingCountsLinesAsReadingDoes) {
    TempDir dir;
    const auto path = write(dir, "a", "1\n" + std::string(100000, 'x') + "\n\n3\r\n4");
    LineReader file(path);
    ASSERT_TRUE(file.skip_lines(3));
    std::string line;
    bool too_long = false;
    ASSERT_TRUE(file.next_line(line, too_long));
    EXPECT_EQ(line, "3");
    EXPECT_TRUE(file.skip_lines(1));
    EXPECT_FALSE(file.skip_lines(1));
    EXPECT_FALSE(file.next_line(line, too_long));
    EXPECT_TRUE(file.skip_lines(0));
}

TEST(LineReader, OnlyRegularFilesAreRead) {
    TempDir dir;
    int ierr = 0;
    EXPECT_TRUE(LineReader(write(dir, "a", "x\n")).opened(ierr));
    EXPECT_EQ(ierr, 0);
    EXPECT_EQ(metadata_path_kind(dir.file("a")), PathKind::kRegularFile);
    EXPECT_EQ(metadata_path_kind(dir.file("absent")), PathKind::kMissing);

    // A FIFO without a writer would block a reader, /dev/zero never ends: neither is opened.
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
    for (const std::string& path :
         {dir.file("fifo"), std::string("/dev/zero"), dir.path().string()}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(metadata_path_kind(path), PathKind::kNotRegular);
        LineReader file(path);
        ierr = 0;
        EXPECT_FALSE(file.opened(ierr));
        EXPECT_EQ(ierr, status::kCannotOpen);
        std::string line;
        bool too_long = false;
        EXPECT_FALSE(file.next_line(line, too_long));
        EXPECT_FALSE(file.skip_lines(1));
    }
    EXPECT_FALSE(LineReader(dir.file("absent")).is_open());
}

TEST(LineReader, AFileWithoutLineEndsCostsOneBufferedLine) {
    TempDir dir;
    const auto path = write(dir, "a", std::string(3 << 20, 'x'));
    LineReader file(path);
    std::string line;
    bool too_long = false;
    ASSERT_TRUE(file.next_line(line, too_long));
    EXPECT_TRUE(too_long);
    EXPECT_EQ(line.size(), LineReader::kMaxLineLength);
    EXPECT_LE(line.capacity(), 4 * LineReader::kMaxLineLength);
    EXPECT_EQ(file.bytes_read(), std::size_t{3} << 20);
    EXPECT_FALSE(file.next_line(line, too_long));
}

} // namespace
} // namespace tw
