// What the program does with the damaged, foreign or oversized input an acquisition system
// leaves behind: each case is one run of the real program on the example event's station files
// beside a good data file, which must still be measured when the run goes on.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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

    // The run with files limited to `limit` bytes: a full disk without privileges. The program
    // itself must ignore SIGXFSZ, which would otherwise end it in the middle of a line.
    ProgramResult run_limited(std::vector<std::string> args, rlim_t limit) {
        const std::vector<std::string> files = {"-w",         "-coord",     "synth.stat",
                                                "-resp",      "synth.resp", "-sens",
                                                "synth.sens", "-pick",      "synth.pick"};
        args.insert(args.begin(), files.begin(), files.end());
        args.insert(args.begin(), TESK_WAVE);
        const fs::path out = dir_ / "limited.out", err = dir_ / "limited.err";
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(dir_.path().c_str()) != 0) ::_exit(120);
            ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            ::signal(SIGXFSZ, SIG_DFL);
            const rlimit lim{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &lim);
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(121);
        }
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        ProgramResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        fs::remove(out);
        fs::remove(err);
        return r;
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

TEST_F(BadInput, RecordsTheRecordLayerCannotReadPastCostOnlyTheirFile) {
    const std::string first = good().substr(0, 512);
    const bool msb = first[20] == 0x07; // the year's high byte comes first
    const auto u16 = [&](std::size_t at) {
        const auto hi = static_cast<uint8_t>(first[msb ? at : at + 1]);
        const auto lo = static_cast<uint8_t>(first[msb ? at + 1 : at]);
        return static_cast<std::size_t>(hi << 8 | lo);
    };
    ASSERT_EQ(u16(20) >= 2000 && u16(20) < 2100, true) << "the example's year";
    const std::size_t b1000 = u16(46); // the first blockette is blockette 1000
    ASSERT_EQ(u16(b1000), 1000u);

    std::string year0 = first;
    year0[20] = year0[21] = '\0';
    std::string floats = good();
    floats[b1000 + 4] = 4; // IEEE floats, in the first record
    std::string unsigned_byte = first;
    unsigned_byte[b1000 + 4] = static_cast<char>(255);
    std::string zero_offset = first;
    zero_offset[39] = 2; // a second blockette after one whose chain ends
    write_bytes(dir_ / "a_year0.mseed", year0);
    write_bytes(dir_ / "b_floats.mseed", floats);
    write_bytes(dir_ / "c_format255.mseed", unsigned_byte);
    write_bytes(dir_ / "d_zero_offset.mseed", zero_offset);
    // The second record of a file unreadable: the file is skipped whole.
    std::string later = good();
    later[512 + b1000 + 4] = 4;
    write_bytes(dir_ / "e_later.mseed", later);

    const auto r = run({"a_year0.mseed", "b_floats.mseed", "c_format255.mseed",
                        "d_zero_offset.mseed", "e_later.mseed", kGood});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Error: Unable to determine wordorder from time\n"
                     "Error: Currently unable to read format 4 for SY01.XX.HHZ\n"
                     "Error: Currently unable to read format 255 for SY01.XX.HHZ\n"
                     "Error: zero offset to next blockette\n"
                     "Error: Currently unable to read format 4 for SY01.XX.HHZ\n");
    for (const char* name :
         {"a_year0.mseed", "b_floats.mseed", "c_format255.mseed", "d_zero_offset.mseed"})
        EXPECT_NE(r.out.find(std::string(" Error reading first block  ") + name +
                             "\n  Tesk_wave - error opening file  999\n"),
                  std::string::npos)
            << name << "\n"
            << r.out;
    EXPECT_NE(
        r.out.find(" Error reading file e_later.mseed\n  Tesk_wave - error opening file  999"),
        std::string::npos);
    EXPECT_EQ(wood_lines(), 1) << "the file after the bad ones is still measured";
}

TEST_F(BadInput, RecordDatedBefore1900IsABadRecord) {
    std::string record = good().substr(0, 512);
    const bool msb = record[20] == 0x07;
    record[msb ? 20 : 21] = 0x07; // 1850 = 0x073A
    record[msb ? 21 : 20] = 0x3A;
    write_bytes(dir_ / "a_1850.mseed", record);
    const auto r = run({"a_1850.mseed", kGood});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" Error reading first block  a_1850.mseed\n"
                         "  Tesk_wave - error opening file  999\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(wood_lines(), 1);
}

// Paths are taken up to their last non-blank, as data-file names are.
TEST_F(BadInput, MetadataPathsEndAtTheirLastNonBlank) {
    const auto r = run({"-coord", "synth.stat  ", "-resp", "synth.resp ", "-pick", "synth.pick   ",
                        std::string(kGood) + "  "});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("does not exist"), std::string::npos) << r.out;
    EXPECT_EQ(wood_lines(), 1) << r.out;
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

TEST_F(BadInput, ResultLineTornByAFullDiskIsCutBackAndTheNextRunsLineStaysWhole) {
    ASSERT_EQ(run({kGood}).status, 0);
    const std::string before = slurp(dir_ / "wood.wave");
    // Room for 20 more bytes: the second run's line is torn after them.
    const auto r = run_limited({kGood}, before.size() + 20);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "  Tesk_wave - cannot write wood.wave: File too large\n");
    EXPECT_EQ(slurp(dir_ / "wood.wave"), before);
    ASSERT_EQ(run({kGood}).status, 0);
    const auto lines = lines_of(slurp(dir_ / "wood.wave"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3], lines[2]) << "a whole line of its own";
}

TEST_F(BadInput, SaveFileOnAFullDiskLeavesNoScratchFile) {
    const auto r = run_limited({"-s", kGood}, 4096);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "  Tesk_wave - cannot write z_good.mseed.wood: File too large\n");
    for (const auto& entry : fs::directory_iterator(dir_.path()))
        EXPECT_EQ(entry.path().filename().string().find(".new"), std::string::npos) << entry.path();
    EXPECT_FALSE(fs::exists(dir_ / "z_good.mseed.wood"));
}

TEST_F(BadInput, ResultFileLinkedIntoAMissingFolderEndsTheRunWithTheReason) {
    fs::create_symlink("/nonexistent/folder/wood.wave", dir_ / "wood.wave");
    const auto r = run({kGood});
    EXPECT_EQ(r.status, 2);
    // The file to create is the one the link names.
    EXPECT_EQ(
        r.err,
        "  Tesk_wave - cannot create /nonexistent/folder/wood.wave: No such file or directory\n");
}
