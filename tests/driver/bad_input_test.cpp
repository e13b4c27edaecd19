// What the program does with the damaged, foreign or oversized input an acquisition system
// leaves behind: each case is one run of the real program on the example event's station files
// beside a good data file, which must still be measured when the run goes on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <random>

#include "tests/support/run_program.hpp"

using namespace tw::testing;
namespace fs = std::filesystem;

namespace {

const fs::path kExample = fs::path(TW_SOURCE_DIR) / "examples" / "event";
const std::string kGood = "z_good.mseed"; // runs last: files go in name order

void write_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string random_bytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(gen() & 0xff);
    return s;
}

class BadInput : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"synth.stat", "synth.resp", "synth.sens", "synth.pick"})
            fs::copy_file(kExample / name, dir_ / name);
        fs::copy_file(kExample / "XX.SY01..HHZ.mseed", dir_ / kGood);
    }

    std::string good() const { return slurp(dir_ / kGood); }

    ProgramResult run(std::vector<std::string> args) {
        const std::vector<std::string> files = {"-w",         "-coord",     "synth.stat",
                                                "-resp",      "synth.resp", "-sens",
                                                "synth.sens", "-pick",      "synth.pick"};
        args.insert(args.begin(), files.begin(), files.end());
        return run_program(TESK_WAVE, args, dir_.path());
    }

    // Result lines (not headers) in wood.wave.
    int wood_lines() const {
        int n = 0;
        for (const auto& line : lines_of(slurp(dir_ / "wood.wave")))
            n += !line.empty() && line[0] != '#';
        return n;
    }

    TempDir dir_;
};

} // namespace

TEST_F(BadInput, EmptyShortRandomAndFolderDataFilesAreSkipped) {
    write_bytes(dir_ / "a_empty.mseed", "");
    write_bytes(dir_ / "b_header_only.mseed", good().substr(0, 30));
    write_bytes(dir_ / "c_text.mseed", std::string(5000, 'x'));
    fs::create_directory(dir_ / "d_folder.mseed");
    std::vector<std::string> files{"a_empty.mseed", "b_header_only.mseed", "c_text.mseed",
                                   "d_folder.mseed"};
    for (unsigned seed = 1; seed <= 4; ++seed) {
        files.push_back(std::to_string(seed) + ".mseed");
        files.back().insert(files.back().begin(), 'r');
        write_bytes(dir_ / files.back(), random_bytes(4096, seed));
    }
    files.push_back(kGood);
    const auto r = run(files);
    EXPECT_EQ(r.status, 0) << r.err;
    for (std::size_t i = 0; i + 1 < files.size(); ++i)
        EXPECT_NE(r.out.find(" Error reading first block  " + files[i] +
                             "\n  Tesk_wave - error opening file  999\n"),
                  std::string::npos)
            << files[i] << "\n"
            << r.out;
    EXPECT_EQ(wood_lines(), 1) << "the good file after the bad ones is still measured";
}

TEST_F(BadInput, FileCutInsideARecordOrEndingInRandomBytesIsSkippedWhole) {
    const std::string data = good();
    write_bytes(dir_ / "a_cut.mseed", data.substr(0, data.size() - 300));
    write_bytes(dir_ / "b_tail.mseed", data.substr(0, 8 * 512) + random_bytes(4096, 5));
    const auto r = run({"a_cut.mseed", "b_tail.mseed", kGood});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" Error reading file a_cut.mseed\n  Tesk_wave - error opening file  999"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find(" Error reading file b_tail.mseed\n  Tesk_wave - error opening file  999"),
              std::string::npos);
    EXPECT_EQ(wood_lines(), 1) << "no line for a partly read trace";
}

TEST_F(BadInput, RecordWhoseYearFitsNeitherByteOrderEndsTheRun) {
    std::string record = good().substr(0, 512);
    record[20] = record[21] = '\0'; // year 0
    write_bytes(dir_ / "a_year0.mseed", record);
    const auto r = run({"a_year0.mseed", kGood});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE((r.out + r.err).find("Error: Unable to determine wordorder from time"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(dir_ / "wood.wave")) << "the run ends before the next file";
}

TEST_F(BadInput, OverlongFileNamesAreRefused) {
    const std::string long_name(5000, 'n');
    const auto r = run({long_name, std::string(1024, 'm'), kGood});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\n  Tesk_wave - error opening file  1000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("path too long"), std::string::npos) << r.err;
    EXPECT_EQ(wood_lines(), 1);
}

TEST_F(BadInput, MetadataFilesOfRandomBytesFailTheLookup) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"synth.stat", "Tesk_wave - error with coordinates  999"},
        {"synth.resp", "Tesk_wave - error with response  999"},
        {"synth.sens", "Tesk_wave - error with sensitivity  999"},
        {"synth.pick", "Tesk_wave - error reading pickfile 999"}};
    for (const auto& [name, message] : cases) {
        SCOPED_TRACE(name);
        const std::string kept = slurp(dir_ / name);
        write_bytes(dir_ / name, random_bytes(20000, 11));
        const auto r = run({"-r", kGood});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find(message), std::string::npos) << r.out;
        write_bytes(dir_ / name, kept);
    }
    EXPECT_FALSE(fs::exists(dir_ / "wood.wave"));
}

TEST_F(BadInput, OverlongCoordinateLineIsMalformedAndItsTailNeverReadAsALine) {
    // Past the line buffer the long line holds a station line with wrong coordinates. The long
    // line is malformed, which ends the scan before the station's own line: no coordinates,
    // neither the right nor the wrong ones.
    const std::string kept = slurp(dir_ / "synth.stat");
    write_bytes(dir_ / "synth.stat",
                "ZZ01" + std::string(4092, ' ') + "SY01  -1.0000    -1.0000    0.0\n" + kept);
    auto r = run({"-g", kGood});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Tesk_wave - error with coordinates  999"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir_ / "ground.wave"));
    // After the station's line, the same long line is never reached.
    write_bytes(dir_ / "synth.stat",
                kept + "ZZ01" + std::string(4092, ' ') + "SY01  -1.0000    -1.0000    0.0\n");
    r = run({"-g", kGood});
    const auto lines = lines_of(slurp(dir_ / "ground.wave"));
    ASSERT_EQ(lines.size(), 2u + 3u) << r.out;
    for (std::size_t i = 2; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].substr(77, 16), " 46.151   10.253") << lines[i];
}

// /dev/zero never ends and has no line end, a FIFO without a writer blocks its reader, a folder
// holds no lines: a metadata path naming anything but a regular file is refused with a message,
// at once and without memory growing, and the run goes on.
TEST_F(BadInput, MetadataPathsNamingNoRegularFileAreRefused) {
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    struct Case {
        std::string option, path, message;
        bool measured; // the good file is still measured
    };
    const std::vector<Case> cases{
        {"-coord", "/dev/zero", "  Tesk_wave - coordinate file is not a regular file\n", false},
        {"-coord", "fifo", "  Tesk_wave - coordinate file is not a regular file\n", false},
        {"-resp", "/dev/zero", "  Tesk_wave - response file is not a regular file\n", false},
        {"-resp", ".", "  Tesk_wave - response file is not a regular file\n", false},
        {"-sens", "fifo", "  Tesk_wave - sensitivity file is not a regular file\n", false},
        // Without a usable pick file the run goes on as without a pick file.
        {"-pick", "/dev/zero", "  Tesk_wave - pick file is not a regular file\n", true},
        {"-pick", "fifo", "  Tesk_wave - pick file is not a regular file\n", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option + " " + c.path);
        fs::remove(dir_ / "wood.wave");
        std::vector<std::string> args{"20",         TESK_WAVE, "-w",         "-coord",
                                      "synth.stat", "-resp",   "synth.resp", "-sens",
                                      "synth.sens", "-pick",   "synth.pick"};
        if (c.option == "-sens") args.push_back("-r");
        args.insert(args.end(), {c.option, c.path, kGood});
        const auto r = run_program("timeout", args, dir_.path());
        EXPECT_EQ(r.status, 0) << r.err; // timeout says 124 when the program hangs
        EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
        EXPECT_EQ(fs::exists(dir_ / "wood.wave"), c.measured);
    }
}

TEST_F(BadInput, ResultFileOnAFullDeviceEndsTheRunWithTheReason) {
    fs::create_symlink("/dev/full", dir_ / "wood.wave");
    const auto r = run({kGood});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "  Tesk_wave - cannot write wood.wave: No space left on device\n");
}

TEST_F(BadInput, ResultFileLinkedIntoAMissingFolderEndsTheRunWithTheReason) {
    fs::create_symlink("/nonexistent/folder/wood.wave", dir_ / "wood.wave");
    const auto r = run({kGood});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "  Tesk_wave - cannot open wood.wave: No such file or directory\n");
}
