// Loading the leap-second table: the repository's table, malformed files and the
// process-ending messages, and a missing file.
#include "time/int_time.hpp"
#include "time/leap_seconds.hpp"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tw {
namespace {

using ::testing::ExitedWithCode;

std::string write_temp(const std::string& name, const std::string& text) {
    const std::string path = ::testing::TempDir() + "tw_time_" + name;
    std::ofstream(path) << text;
    return path;
}

// Loads the table the way the programs do, from $LEAPSECONDS.
void init_from(const std::string& path) {
    LeapSecondTable::instance().reset();
    setenv("LEAPSECONDS", path.c_str(), 1);
    init_leap_second_table();
}

TEST(LeapSecondFile, RepositoryTableLoadsFromEnvironment) {
    LeapSecondTable::instance().reset();
    init_leap_second_table(); // the test environment points LEAPSECONDS at data/leapseconds
    const auto entries = LeapSecondTable::instance().entries();
    ASSERT_EQ(entries.size(), 27u);
    EXPECT_EQ(entries.front().calendar, (ext_time{1972, 182, 6, 30, 23, 59, 60, 0}));
    // 30 June 1972 is day 182 of a leap year: its 23:59:60 is second 182 * 86400 - 1 + 1.
    EXPECT_EQ(entries.front().internal, (int_time{1972, 182 * 86400, 0}));
    EXPECT_EQ(sec_per_year(1972), 366 * 86400 + 2);
    EXPECT_EQ(sec_per_year(2016), 366 * 86400 + 1);
    EXPECT_EQ(sec_per_year(2020), 366 * 86400);
    // Every inserted second converts both ways, and the day after starts on time.
    for (const LeapSecond& e : entries) {
        EXPECT_EQ(ext_to_int(e.calendar), e.internal);
        EXPECT_EQ(int_to_ext(e.internal), e.calendar);
        const int_time next = add_time(e.internal, 1, 0);
        EXPECT_EQ(int_to_ext(next).hour, 0);
        EXPECT_EQ(int_to_ext(next).second, 0);
    }
    // The mid-year leap second of 2015 shifts the rest of that year by one second.
    EXPECT_EQ(ext_to_int(ext_time{2015, 182, 0, 0, 0, 0, 0, 0}),
              (int_time{2015, 181 * 86400 + 1, 0}));
}

TEST(LeapSecondFile, CommentsBlankLinesAndCaseAreAccepted) {
    auto& table = LeapSecondTable::instance();
    const auto r = table.load_text("# header\n\n   \nLEAP 1998 dec 31 23:59:60 +  S   \n");
    EXPECT_EQ(r.status, LeapLoadStatus::ok);
    ASSERT_EQ(table.entries().size(), 1u);
    EXPECT_EQ(table.entries()[0].calendar, (ext_time{1998, 365, 12, 31, 23, 59, 60, 0}));
}

TEST(LeapSecondFile, RemovedSecond) {
    auto& table = LeapSecondTable::instance();
    ASSERT_EQ(table.load_text("Leap 2001 Jun 30 23:59:59 - S\n").status, LeapLoadStatus::ok);
    EXPECT_EQ(table.entries()[0].correction, -1);
    EXPECT_EQ(sec_per_year(2001), 365 * 86400 - 1);
    EXPECT_EQ(sec_per_min(ext_time{2001, 181, 6, 30, 23, 59, 0, 0}), 59);
    // 23:59:58 on 30 June (day 181) is followed directly by 1 July 00:00:00.
    const int_time last = ext_to_int(ext_time{2001, 181, 0, 0, 23, 59, 58, 0});
    EXPECT_EQ(last, (int_time{2001, 181 * 86400 - 2, 0}));
    const int_time next = add_time(last, 1, 0);
    EXPECT_EQ(int_to_ext(next), (ext_time{2001, 182, 7, 1, 0, 0, 0, 0}));
    EXPECT_EQ(ext_to_int(int_to_ext(next)), next);
    EXPECT_EQ(tdiff(ext_to_int(ext_time{2001, 182, 0, 0, 0, 0, 0, 0}), last), 1000000.0);
}

TEST(LeapSecondFile, ParserReportsProblemsWithLineNumbers) {
    auto& table = LeapSecondTable::instance();
    struct Case {
        const char* text;
        LeapLoadStatus status;
        int line;
    };
    const std::string good = "Leap 1998 Dec 31 23:59:60 + S\n";
    for (const Case& c : {
             Case{"# c\nLeap 1998 Dec 31 23:59:60 +\n", LeapLoadStatus::invalid_line, 2},
             Case{"Leap 1998 Dec 31 23:59 + S\n", LeapLoadStatus::invalid_line, 1},
             Case{"\n\nLeap 1998 Dec 31 23:59:60 x S\n", LeapLoadStatus::invalid_correction, 3},
             Case{"Leap 1998 Foo 31 23:59:60 + S\n", LeapLoadStatus::invalid_line, 1},
             // Values no calendar holds, some beyond a signed integer: refused, not wrapped.
             Case{"Leap 2147483647 Dec 31 24:00:00 + S\n", LeapLoadStatus::invalid_line, 1},
             Case{"Leap 2000 Dec 2147483647 23:59:60 + S\n", LeapLoadStatus::invalid_line, 1},
             Case{"Leap 99999999999999999999 Dec 31 23:59:60 + S\n", LeapLoadStatus::invalid_line,
                  1},
             Case{"Leap 2000 Dec 31 -2147483648:59:60 + S\n", LeapLoadStatus::invalid_line, 1},
             Case{"Leap 1899 Dec 31 23:59:60 + S\n", LeapLoadStatus::invalid_line, 1},
             Case{"Leap 2600 Dec 31 23:59:60 + S\n", LeapLoadStatus::invalid_line, 1},
             Case{"Leap 1999 Feb 29 23:59:60 + S\n", LeapLoadStatus::invalid_line, 1},
             Case{"Leap 1998 Dec 32 23:59:60 + S\n", LeapLoadStatus::invalid_line, 1},
             Case{"Leap 1998 Dec 31 23:60:60 + S\n", LeapLoadStatus::invalid_line, 1},
             // An inserted second is second 60 of its minute, a removed one second 59.
             Case{"Leap 1998 Dec 31 23:59:59 + S\n", LeapLoadStatus::invalid_line, 1},
             Case{"Leap 1998 Dec 31 23:59:60 - S\n", LeapLoadStatus::invalid_line, 1},
         }) {
        const LeapLoadResult r = table.load_text(c.text);
        EXPECT_EQ(r.status, c.status) << c.text;
        EXPECT_EQ(r.line, c.line) << c.text;
    }
    std::string fifty_one;
    for (int i = 0; i < 51; ++i)
        fifty_one += "# entry\n" + good;
    const LeapLoadResult r = table.load_text(fifty_one);
    EXPECT_EQ(r.status, LeapLoadStatus::too_many_entries);
    EXPECT_EQ(r.line, 102);
    EXPECT_EQ(table.entries().size(), LeapSecondTable::capacity);
}

TEST(LeapSecondFile, CommentLongerThanTheLineBufferIsOneSkippedLine) {
    auto& table = LeapSecondTable::instance();
    const std::string comment = "# " + std::string(3 * LeapSecondTable::max_line, 'x') + "\n";
    LeapLoadResult r = table.load_text(comment + "Leap 1998 Dec 31 23:59:60 + S\n");
    EXPECT_EQ(r.status, LeapLoadStatus::ok);
    EXPECT_EQ(table.entries().size(), 1u);
    // Line numbers still count the long comment as one line.
    r = table.load_text(comment + comment + "Leap 1998\n");
    EXPECT_EQ(r.status, LeapLoadStatus::invalid_line);
    EXPECT_EQ(r.line, 3);
}

TEST(LeapSecondFile, FolderOpensButIsNoTable) {
    auto& table = LeapSecondTable::instance();
    EXPECT_EQ(table.load_file(::testing::TempDir()).status, LeapLoadStatus::file_unreadable);
    EXPECT_TRUE(table.entries().empty());
    EXPECT_EQ(leap_load_message({LeapLoadStatus::file_unreadable, 0}, "/tmp"),
              "Warning: unable to open leap second file: /tmp\n");
}

// A device that never ends or a fifo nobody writes to would hold the run: neither is opened.
TEST(LeapSecondFile, DevicesAndFifosAreNoTable) {
    auto& table = LeapSecondTable::instance();
    EXPECT_EQ(table.load_file("/dev/zero").status, LeapLoadStatus::file_unreadable);
    const std::string fifo = ::testing::TempDir() + "tw_time_leapseconds_fifo";
    std::filesystem::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(table.load_file(fifo).status, LeapLoadStatus::file_unreadable);
    std::filesystem::remove(fifo);
    EXPECT_TRUE(table.entries().empty());
}

TEST(LeapSecondFile, MessagesNameTheLine) {
    EXPECT_EQ(leap_load_message({LeapLoadStatus::invalid_line, 4}, "f"),
              "Error: invalid leapsecond line - line 4\n");
    EXPECT_EQ(leap_load_message({LeapLoadStatus::too_many_entries, 51}, "f"),
              "Error: too many leapsecond entries - line 51\n");
    EXPECT_EQ(leap_load_message({LeapLoadStatus::file_missing, 0}, "/no/such"),
              "Warning: unable to open leap second file: /no/such\n");
    EXPECT_EQ(leap_load_message({}, "f"), "");
}

TEST(LeapSecondFileDeathTest, BadCorrectionEndsTheProcess) {
    const std::string path =
        write_temp("bad_correction", "# leap seconds\nLeap 1998 Dec 31 23:59:60 * S\n");
    EXPECT_EXIT(init_from(path), ExitedWithCode(1),
                "^Error: invalid leapsecond correction - line 2\n$");
}

TEST(LeapSecondFileDeathTest, MalformedLineEndsTheProcess) {
    const std::string path = write_temp("malformed", "Leap 1998 Dec 31 23:59:60 + S\nLeap 1999\n");
    EXPECT_EXIT(init_from(path), ExitedWithCode(1), "^Error: invalid leapsecond line - line 2\n$");
}

TEST(LeapSecondFileDeathTest, FirstConversionLoadsTheTable) {
    const std::string path = write_temp("lazy", "Leap 1998 Dec 31 23:59:60 ? S\n");
    EXPECT_EXIT(
        {
            LeapSecondTable::instance().reset();
            setenv("LEAPSECONDS", path.c_str(), 1);
            (void)sec_per_year(1998);
        },
        ExitedWithCode(1), "^Error: invalid leapsecond correction - line 1\n$");
}

TEST(LeapSecondFileDeathTest, MissingFileWarnsOnceAndRunsWithoutLeapSeconds) {
    const std::string missing = ::testing::TempDir() + "tw_time_no_such_leapseconds";
    std::remove(missing.c_str());
    EXPECT_EXIT(
        {
            init_from(missing);
            write_temp("no_such_leapseconds", "Leap 1998 Dec 31 23:59:60 + S\n");
            init_leap_second_table(); // not retried, even though the file now exists
            std::exit(sec_per_year(1998) == 365 * 86400 ? 0 : 2);
        },
        ExitedWithCode(0), "^Warning: unable to open leap second file: " + missing + "\n$");
    std::remove(missing.c_str());
}

TEST(LeapSecondFileDeathTest, FolderWarnsAsAMissingFileAndRunsWithoutLeapSeconds) {
    const std::string folder = ::testing::TempDir() + "tw_time_leapseconds_folder";
    std::filesystem::create_directories(folder);
    EXPECT_EXIT(
        {
            init_from(folder);
            std::exit(sec_per_year(2016) == 366 * 86400 ? 0 : 2);
        },
        ExitedWithCode(0), "^Warning: unable to open leap second file: " + folder + "\n$");
    std::filesystem::remove(folder);
}

} // namespace
} // namespace tw
