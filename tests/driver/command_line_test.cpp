// The command line as an operator meets it: the real program, its output and exit status.
#include <gtest/gtest.h>

#include "driver/command_line.hpp"
#include "tests/support/run_program.hpp"
#include "text/messages.hpp"
#include "tw_version.hpp"

using tw::testing::lines_of;
using tw::testing::run_program;

namespace {

tw::testing::ProgramResult tesk(const std::vector<std::string>& args) {
    return run_program(TESK_WAVE, args);
}

// The usage texts as the operator sees them.
std::string golden(const char* name) {
    return tw::testing::slurp(std::string(TW_SOURCE_DIR "/tests/driver/golden/") + name);
}

} // namespace

TEST(CommandLine, TooShortArgumentListShowsTheUsageTextAndHelpTheFurtherOptions) {
    const std::string usage = golden("usage.txt");
    ASSERT_FALSE(usage.empty());
    for (const auto& args : {std::vector<std::string>{}, std::vector<std::string>{"data.mseed"}}) {
        const auto r = tesk(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, usage);
    }
    const auto r = tesk({"-h"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, golden("help.txt"));
    EXPECT_EQ(r.out.substr(0, usage.size()), usage);
}

TEST(CommandLine, LongHelpAndVersionEndWithStatusZero) {
    const auto help = tesk({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, tesk({"-h"}).out);
    // Anywhere in the list, like -h: nothing is processed.
    const auto later = tesk({"-w", "--help", "nofile.mseed"});
    EXPECT_EQ(later.status, 0);
    EXPECT_EQ(later.out, help.out);

    const auto version = tesk({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("tesk_wave ") + tw::kVersion + "\n");
    EXPECT_EQ(tesk({"-w", "--version", "nofile.mseed"}).out, version.out);
}

TEST(CommandLine, OriginTimeInIsoFormGivesTheSameInstant) {
    for (const char* text :
         {"2024/03/15/12:30:04.250", "2024-03-15T12:30:04.25", "2024-03-15T12:30:04.25Z"}) {
        tw::RunConfig config;
        tw::MessageLog said;
        ASSERT_FALSE(tw::read_command_line({"-t", text, "file"}, config, said)) << text;
        EXPECT_TRUE(config.ltime);
        EXPECT_EQ(config.org_time, (tw::int_time{2024, 74 * 86400 + 45004, 250000})) << text;
    }
    const auto r = tesk({"-t", "2024-03-15T12:30:04+01:00", "file"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines_of(r.out), std::vector<std::string>{"  Tesk_wave - Unable to decode time"});
}

TEST(CommandLine, NoDataFileEndsWithStatusOne) {
    const auto r = tesk({"-w", "-v"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(lines_of(r.out), std::vector<std::string>{"  Tesk_wave - no input data files "});
}

TEST(CommandLine, UndecodableValuesStopAtOnce) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"-n", "x1", "f"}, "  Tesk_wave - Unable to decode S/N ratio"},
        {{"-l", "37.5", "abc", "f"}, "  Tesk_wave - Unable to decode longitude"},
        {{"-l", "4x", "1", "f"}, "  Tesk_wave - Unable to decode latitude"},
        {{"-t", "1999.366", "f"}, "  Tesk_wave - Unable to decode time"},
        {{"-d", "ten", "f"}, "  Tesk_wave - Unable to decode depth"},
        {{"-f", "a", "1", "2", "f"}, "  Tesk_wave - Unable to decode np0"},
        {{"-f", "4", "b", "2", "f"}, "  Tesk_wave - Unable to decode fl"},
        {{"-f", "4", "1", "c", "f"}, "  Tesk_wave - Unable to decode fh"},
        {{"-c", "z", "1", "2", "f"}, "  Tesk_wave - Unable to decode chr"},
        {{"-c", "1", "z", "2", "f"}, "  Tesk_wave - Unable to decode dtr"},
        {{"-c", "1", "2", "z", "f"}, "  Tesk_wave - Unable to decode dtc"},
        // counts beyond the integer range
        {{"-f", "1e13", "1", "2", "f"}, "  Tesk_wave - Unable to decode np0"},
        {{"-c", "-1.44444e12", "1", "2", "f"}, "  Tesk_wave - Unable to decode chr"},
        // later arguments are not examined: the second bad value gives no message
        {{"-d", "bad", "-n", "bad", "f"}, "  Tesk_wave - Unable to decode depth"},
    };
    for (const auto& c : cases) {
        const auto r = tesk(c.args);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_EQ(lines_of(r.out), std::vector<std::string>{c.message});
    }
}

// An unset shell variable gives an empty model name: refused at once, never asked for.
TEST(CommandLine, EmptyModelNameIsRefused) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"-model", "", "f"}, {"-model", " iasp91", "f"}, {"f", "-model"}}) {
        const auto r = tesk(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(lines_of(r.out),
                  std::vector<std::string>{"  Tesk_wave - no travel-time model named"});
    }
}

TEST(CommandLine, EchoesOnlyAfterVerbose) {
    const auto r =
        tesk({"-v",     "-l",          "1",     "2",    "-d",    "10",     "-f", "4.9",
              "0.1",    "10",          "-c",    "3",    "0.5",   "2",      "-t", "1999.123.12:30",
              "-coord", "c.stat",      "-pick", "p.pf", "-resp", "r.resp", "-l", "37.5",
              "-122",   "nofile.mseed"});
    const auto lines = lines_of(r.out);
    const std::vector<std::string> expected_start = {
        " Coordinates:  1.0 2.0",
        " Depth:  10.0",
        " Filter:  4 0.1 10.0",
        " Characteristic function:  3",
        " Detection constants:  0.5 2.0",
        " Time:  1999 10585800 0", // day 123 at 12:30
        " Coordinate file:  c.stat",
        " Pick file:  p.pf",
        " Response file:  r.resp",
        " Coordinates:  37.5 -122.0",
        "",
        "",
        " Looping over files",
    };
    ASSERT_GE(lines.size(), expected_start.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected_start.size()),
              expected_start);

    const auto quiet = tesk({"-l", "1", "2", "-v", "nofile.mseed"});
    EXPECT_EQ(quiet.out.find("Coordinates"), std::string::npos);
}

TEST(CommandLine, BannerNamesTheSelectedComputations) {
    const auto r = tesk({"-v", "-w", "-g", "-e", "-p", "-r", "nofile.mseed"});
    const auto lines = lines_of(r.out);
    const std::vector<std::string> expected = {"",
                                               "  Computing Wood-Anderson synthetics",
                                               "  Computing ground motion values",
                                               "  Computing energy magnitude",
                                               "  Computing characteristic function",
                                               "  Computing ramp growth rate",
                                               "",
                                               " Looping over files"};
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + expected.size()), expected);
}

TEST(CommandLine, SeventySevenFilesKeepTheFirstSeventyFive) {
    std::vector<std::string> args = {"-x"}; // an unknown option is a data file name
    for (int i = 1; i < 77; ++i) {
        args.push_back(std::to_string(i));
        args.back().insert(args.back().begin(), 'f');
    }
    const auto r = tesk(args);
    EXPECT_EQ(r.status, 0);
    int messages = 0;
    for (const auto& line : lines_of(r.out))
        messages += line == "  Tesk_wave - too many data files";
    EXPECT_EQ(messages, 2);

    tw::RunConfig config;
    tw::MessageLog said;
    ASSERT_FALSE(tw::read_command_line(args, config, said));
    ASSERT_EQ(config.fileo.size(), 75u);
    EXPECT_EQ(config.fileo.front(), "-x");
    EXPECT_EQ(config.fileo.back(), "f74");
}

TEST(CommandLine, ValuesAndRepeatedOptions) {
    tw::RunConfig config;
    tw::MessageLog said;
    ASSERT_FALSE(tw::read_command_line({"-f", "4.9", "0.1", "10", "-l", "37.5", "-122", "-coord",
                                        "a", "-coord", "b", "-e", "file"},
                                       config, said));
    EXPECT_EQ(config.filter.np, 4);
    EXPECT_FLOAT_EQ(config.filter.fl, 0.1f);
    EXPECT_FLOAT_EQ(config.filter.fh, 10.0f);
    EXPECT_FLOAT_EQ(config.elat, 37.5f);
    EXPECT_FLOAT_EQ(config.elon, -122.0f);
    EXPECT_TRUE(config.lloc);
    EXPECT_EQ(config.file_coord, "b");
    EXPECT_TRUE(config.lenergy && config.l3); // -e is accepted without -l, -t and -d
    EXPECT_FALSE(config.ltime || config.ldep);

    // An option standing last takes empty values.
    tw::RunConfig last;
    ASSERT_FALSE(tw::read_command_line({"file", "-d"}, last, said));
    EXPECT_TRUE(last.ldep);
    EXPECT_EQ(last.edep, 0.0f);
}

TEST(SortC, AscendingBlankPaddedOrder) {
    const std::vector<std::string> names = {"STA.HHZ", "STA.HHN", "STA.HHE", "ST", "STA.HH"};
    const auto order = tw::sort_c(names);
    std::vector<std::string> sorted;
    for (int i : order)
        sorted.push_back(names[static_cast<std::size_t>(i)]);
    EXPECT_EQ(sorted, (std::vector<std::string>{"ST", "STA.HH", "STA.HHE", "STA.HHN", "STA.HHZ"}));
}
