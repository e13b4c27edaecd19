// The per-file loop as an operator meets it: the real program on small data files and station
// files written by the test, its messages, skips and result files.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "tests/support/record_builder.hpp"
#include "tests/support/run_program.hpp"
#include "text/format.hpp"

using namespace tw::testing;

namespace {

// Text placed at 1-based columns of a line.
class Columns {
  public:
    Columns& at(int column, std::string_view text) {
        const auto start = static_cast<std::size_t>(column - 1);
        if (line_.size() < start + text.size()) line_.resize(start + text.size(), ' ');
        line_.replace(start, text.size(), text);
        return *this;
    }
    const std::string& str() const { return line_; }

  private:
    std::string line_;
};

std::vector<int32_t> wiggle(int n, double amplitude = 20000.0) {
    std::vector<int32_t> s(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<int32_t>(std::lround(
            amplitude * std::sin(0.37 * i) * std::exp(-std::pow((i - n / 2.0) / (n / 8.0), 2))));
    return s;
}

// A working folder with station files for the stations STA and OTH (channels HH?), the data
// files the test asks for, and the program run in it.
class Station : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_.write(
            "net.stat",
            {Columns().at(1, "STA_").at(6, "47.0000").at(15, "12.0000").at(25, " 100.0").str(),
             Columns().at(1, "OTH_").at(6, "47.5000").at(15, "12.5000").at(25, " 100.0").str()});
        std::vector<std::string> resp, sens;
        for (const char* station : {"STA", "OTH"}) {
            for (const char* chan : {"HHZ", "HHN", "HHE"}) {
                resp.push_back(Columns()
                                   .at(1, std::string(station) + "_")
                                   .at(6, chan)
                                   .at(10, "2020 001 0000")
                                   .at(25, "2599 366 0000")
                                   .at(38, "    0.00")
                                   .at(46, "    0.00")
                                   .at(55, "(DU/MS-1)")
                                   .at(65, "XX")
                                   .at(70, chan)
                                   .str());
                resp.push_back("1.0E+09 0 0");
                sens.push_back(Columns()
                                   .at(1, std::string(station) + "_")
                                   .at(6, chan)
                                   .at(10, "2020 001 0000")
                                   .at(24, "2599 366 0000")
                                   .at(38, "  0.")
                                   .at(43, "  0.")
                                   .at(48, "(DU/MS-1)")
                                   .at(58, "XX")
                                   .str());
                sens.push_back(
                    Columns().at(6, "0.010000").at(17, " 40.000000").at(30, " 1.00000E+09").str());
            }
        }
        dir_.write("net.resp", resp);
        dir_.write("net.sens", sens);
    }

    // A trace of n samples starting at 2024 day 2 01:00:00.
    void data(const std::string& name, const std::string& station, const std::string& channel,
              const std::vector<int32_t>& samples, tw::int_time start = {2024, 86400 + 3600, 0},
              int16_t rate_factor = 100, int16_t rate_mult = 1) {
        RecordSpec layout;
        layout.station = station;
        layout.channel = channel;
        layout.rate_factor = rate_factor;
        layout.rate_mult = rate_mult;
        write_int32_records((dir_ / name).string(), layout, start, samples);
    }

    void picks(const std::vector<std::string>& lines) {
        std::vector<std::string> all = {"picks",
                                        "stat chan num q phas wt fm amp  year doy hh:mm:ss.ss"};
        all.insert(all.end(), lines.begin(), lines.end());
        dir_.write("net.pick", all);
    }

    ProgramResult run(std::vector<std::string> args) {
        const std::vector<std::string> files = {"-coord", "net.stat", "-resp", "net.resp",
                                                "-sens",  "net.sens", "-pick", "net.pick"};
        args.insert(args.begin(), files.begin(), files.end());
        return run_program(TESK_WAVE, args, dir_.path());
    }

    // True when `lines` (one or more whole lines, without the last newline) stand in the output.
    static bool said(const std::string& out, const std::string& lines) {
        return ("\n" + out).find("\n" + lines + "\n") != std::string::npos;
    }

    // Lines of the output that begin with `start`.
    static int count_lines(const std::string& out, const std::string& start) {
        int n = 0;
        for (const std::string& line : lines_of(out))
            n += line.compare(0, start.size(), start) == 0 ? 1 : 0;
        return n;
    }

    static int count(const std::string& text, const std::string& what) {
        int n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos;
             at = text.find(what, at + 1))
            ++n;
        return n;
    }

    TempDir dir_;
};

} // namespace

TEST_F(Station, FilesRunInNameOrderAndFormOneGroup) {
    for (const char* c : {"HHZ", "HHN", "HHE"})
        data(std::string("STA.") + c, "STA", c, wiggle(2000));
    const auto r = run({"-v", "-p", "STA.HHZ", "STA.HHN", "STA.HHE"});
    EXPECT_EQ(r.status, 0);
    const auto e = r.out.find(" STA.HHE"), n = r.out.find(" STA.HHN"), z = r.out.find(" STA.HHZ");
    ASSERT_NE(z, std::string::npos);
    EXPECT_LT(e, n);
    EXPECT_LT(n, z);
    EXPECT_EQ(r.out.find("unexpected channel"), std::string::npos);
}

TEST_F(Station, AnotherStationInterruptsTheGroup) {
    data("A.HHZ", "OTH", "HHZ", wiggle(2000));
    data("B.HHZ", "STA", "HHZ", wiggle(2000));
    const auto r = run({"-p", "A.HHZ", "B.HHZ"});
    EXPECT_EQ(count_lines(r.out, "  Tesk_wave - unexpected channel "), 1);
}

TEST_F(Station, MissingFilesAndUnknownStationsSkipTheFile) {
    data("X.HHZ", "NEW", "HHZ", wiggle(2000));
    data("S.HHZ", "STA", "HHZ", wiggle(2000));
    auto r = run({"-w", "nothere.mseed"});
    EXPECT_TRUE(said(r.out, " Error opening file nothere.mseed")) << r.out;
    EXPECT_TRUE(said(r.out, "  Tesk_wave - error opening file  1000")) << r.out;

    r = run({"-w", "X.HHZ"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - error with coordinates  999")) << r.out;

    std::filesystem::remove(dir_ / "net.resp");
    r = run({"-w", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - response file does not exist")) << r.out;
    dir_.write("net.resp", {});
    r = run({"-w", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "   Tesk_wave - error with response  999")) << r.out;

    std::filesystem::remove(dir_ / "net.sens");
    r = run({"-r", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - sensitivity file does not exist")) << r.out;
    dir_.write("net.sens", {});
    r = run({"-r", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - error with sensitivity  999")) << r.out;

    std::filesystem::remove(dir_ / "net.stat");
    r = run({"-w", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - coordinate file does not exist")) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "wood.wave"));
    EXPECT_EQ(r.status, 0);
}

TEST_F(Station, ClippedDataAreSkippedUnlessTheRampIsWanted) {
    auto samples = wiggle(2000);
    samples[100] = 7130318; // above 0.85 x 2^23 on an H channel
    data("S.HHZ", "STA", "HHZ", samples);
    auto r = run({"-w", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - data may be clipped  999")) << r.out;
    EXPECT_EQ(r.out.find("Using data anyway"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "wood.wave"));
    r = run({"-r", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - data may be clipped  999\n  Using data anyway"))
        << r.out;
    EXPECT_TRUE(said(r.out, "  Tesk_wave - tt required")) << r.out; // no pick file
}

TEST_F(Station, TransformSizeLimitsTheTraceTo16384Samples) {
    data("A.HHZ", "STA", "HHZ", wiggle(16384));
    data("B.HHZ", "STA", "HHZ", wiggle(16385));
    const auto r = run({"-w", "A.HHZ", "B.HHZ"});
    EXPECT_EQ(count_lines(r.out, "  Tesk_wave - FFT exceeded "), 1);
    EXPECT_EQ(count(slurp(dir_ / "wood.wave"), " WAS "), 1);
}

TEST_F(Station, SaveFilesGrowByOneRecordPerRun) {
    data("S.HHZ", "STA", "HHZ", wiggle(500));
    run({"-w", "-g", "-s", "S.HHZ"});
    run({"-w", "-g", "-s", "S.HHZ"});
    const auto wood = lines_of(slurp(dir_ / "S.HHZ.wood"));
    ASSERT_EQ(wood.size(), 2u * 501u);
    EXPECT_EQ(wood[0].substr(0, 12), "STA  HHZ XX ");
    EXPECT_EQ(wood[501].substr(0, 12), "STA  HHZ XX ");
    EXPECT_EQ(wood[1].substr(0, 7), "     1 ");
    EXPECT_EQ(lines_of(slurp(dir_ / "S.HHZ.ground")).size(), 2u * 501u);
    // Two runs append their result lines; the headers come once.
    EXPECT_EQ(count(slurp(dir_ / "wood.wave"), " WAS "), 2);
    EXPECT_EQ(count(slurp(dir_ / "ground.wave"), "#Stat"), 1);
}

TEST_F(Station, SaveFileIsNamedAfterTheDataFileUpToItsLastNonBlank) {
    data("S.HHZ", "STA", "HHZ", wiggle(500));
    const auto r = run({"-v", "-w", "-g", "-s", "S.HHZ   "});
    EXPECT_TRUE(said(r.out, " S.HHZ")) << r.out;
    EXPECT_EQ(lines_of(slurp(dir_ / "S.HHZ.wood")).size(), 501u);
    EXPECT_EQ(lines_of(slurp(dir_ / "S.HHZ.ground")).size(), 501u);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "S.HHZ   .wood"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "S.HHZ   .ground"));
}

TEST_F(Station, EnergyWindowAroundThePickWithItsVerboseLines) {
    for (const char* c : {"HHZ", "HHN", "HHE"})
        data(std::string("STA.") + c, "STA", c, wiggle(10000));
    picks({"STA  HHZ    1 I P    0.0 D 0.0  2024 002 01:00:40.00"});
    const auto r = run({"-v", "-e", "STA.HHE", "STA.HHN", "STA.HHZ"});
    EXPECT_TRUE(said(r.out, " P    2024 2 1 0 40 0")) << r.out;
    EXPECT_TRUE(said(r.out, " Before window extraction:  STA  HHE 10000 2024 2 1 0 0 0")) << r.out;
    EXPECT_TRUE(said(r.out, " After window extraction:   STA  HHE 9000 2024 2 1 0 10 0")) << r.out;
    EXPECT_EQ(count(slurp(dir_ / "energy.wave"), " EMAG "), 1);
}

// A pick dated in the year 2000000000 is refused as it is read: it takes no part in the window and
// costs nothing further (no time difference ever spans its years).
TEST_F(Station, PickOfAnImplausibleYearIsIgnoredAndTheNextPickUsed) {
    for (const char* c : {"HHZ", "HHN", "HHE"})
        data(std::string("STA.") + c, "STA", c, wiggle(10000));
    picks({"STA  HHZ    1 I P    0.0 D 0.0  2000000000 002 01:00:40.00",
           "STA  HHZ    1 I P    0.0 D 0.0  -2000000000 002 01:00:40.00",
           "STA  HHZ    1 I P    0.0 D 0.0  2024 002 01:00:40.00"});
    const auto r = run({"-v", "-e", "-r", "STA.HHE", "STA.HHN", "STA.HHZ"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count(r.out, "Tesk_wave - pick year 2000000000 out of range, pick ignored"), 3);
    EXPECT_EQ(count(r.out, "Tesk_wave - pick year -2000000000 out of range, pick ignored"), 3);
    EXPECT_EQ(count(r.out, "HHE 9000 2024 2 1 0 10 0\n"), 1)
        << r.out; // the window of the 2024 pick
    EXPECT_EQ(count(slurp(dir_ / "energy.wave"), " EMAG "), 1);
}

TEST_F(Station, WindowFailures) {
    data("S.HHZ", "STA", "HHZ", wiggle(10000));
    // The pick leaves less than 30 s before it.
    picks({"STA  HHZ    1 I P    0.0 D 0.0  2024 002 01:00:20.00"});
    auto r = run({"-e", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - insufficient data  998")) << r.out;
    // No pick of this station: the pick lookup's status ends the file at the window.
    picks({"OTH  HHZ    1 I P    0.0 D 0.0  2024 002 01:00:40.00"});
    r = run({"-e", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "   Tesk_wave - error reading pickfile 999")) << r.out;
    EXPECT_TRUE(said(r.out, "  Tesk_wave - unable to extract window")) << r.out;
    EXPECT_TRUE(said(r.out, "  Tesk_wave - insufficient data  999")) << r.out;
    // The data begin after the earliest possible arrival at 200 km (44 s after the origin).
    r = run({"-w", "-l", "48.8", "12.0", "-t", "2024.002.01:00:00", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - insufficient window  999")) << r.out;
    r = run({"-w", "-l", "47.0", "12.1", "-t", "2024.002.00:59:00", "S.HHZ"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - insufficient window  998")) << r.out;
}

TEST_F(Station, IncompleteGroupsAndMissingPicks) {
    // Two vertical components and an east one: the group is refused at its third file.
    data("STA.HHE", "STA", "HHE", wiggle(10000));
    data("STA.HHZ", "STA", "HHZ", wiggle(10000));
    data("STA.HHZ2", "STA", "HHZ", wiggle(10000));
    picks({"STA  HHZ    1 I P    0.0 D 0.0  2024 002 01:00:40.00"});
    auto r = run({"-e", "-r", "STA.HHE", "STA.HHZ", "STA.HHZ2"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - error in EN est  -3")) << r.out;
    EXPECT_TRUE(said(r.out, "  Tesk_wave - error in RF est  -3")) << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "energy.wave"));
    std::filesystem::remove(dir_ / "net.pick");
    r = run({"-r", "STA.HHE"});
    EXPECT_TRUE(said(r.out, "  Tesk_wave - unable to extract window")) << r.out;
    EXPECT_TRUE(said(r.out, "  Tesk_wave - tt required")) << r.out;
}

// One sample every 10 s (rate factor -10): frequencies lie between 0 and the 0.05 Hz Nyquist
// frequency of a 10 s interval, and the peaks lie inside the 5000 s of the trace.
TEST_F(Station, SampleIntervalOfTenSeconds) {
    data("SLOW.HHZ", "STA", "HHZ", wiggle(500), {2024, 86400 + 3600, 0}, -10, 1);
    const auto r = run({"-g", "SLOW.HHZ"});
    const auto lines = lines_of(slurp(dir_ / "ground.wave"));
    ASSERT_EQ(lines.size(), 5u) << r.out;
    for (std::size_t i = 2; i < 5; ++i) {
        const double frequency = std::stod(lines[i].substr(65, 12));
        EXPECT_GT(frequency, 0.0) << lines[i];
        EXPECT_LE(frequency, 0.05) << lines[i];
        EXPECT_EQ(lines[i].substr(29, 8), "2024   2") << lines[i];
        const int after_start = (std::stoi(lines[i].substr(38, 2)) - 1) * 3600 +
                                std::stoi(lines[i].substr(41, 2)) * 60 +
                                std::stoi(lines[i].substr(44, 2));
        EXPECT_GE(after_start, 0) << lines[i];
        EXPECT_LT(after_start, 5000) << lines[i];
    }
}

TEST_F(Station, TraceWithoutARateIsRefusedNamingTheFile) {
    data("ZERO.HHZ", "STA", "HHZ", wiggle(500), {2024, 86400 + 3600, 0}, 0, 1);
    data("NOMULT.HHZ", "STA", "HHZ", wiggle(500), {2024, 86400 + 3600, 0}, 100, 0);
    const auto r = run({"-w", "-g", "ZERO.HHZ", "NOMULT.HHZ"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(said(r.out,
                     " No usable sample rate (factor 0, multiplier 1) in first block  ZERO.HHZ\n"
                     "  Tesk_wave - error opening file  999"))
        << r.out;
    // A multiplier of 0 leaves the factor alone: 100 samples per second.
    EXPECT_FALSE(said(r.out, "NOMULT.HHZ\n  Tesk_wave - error opening file  999")) << r.out;
    const auto wood = tw::testing::lines_of(tw::testing::slurp(dir_ / "wood.wave"));
    ASSERT_EQ(wood.size(), 3u);
    EXPECT_EQ(wood[2].substr(0, 12), " STAHHZ WAS ");
}

// Without a pick or an event the traces are not cut to one window, so the components of a group
// can differ in length. A third component longer than the first two would be summed with what
// the group before left in their slots: the group is refused instead.
TEST_F(Station, GroupWhoseFirstComponentsAreShorterThanItsThirdIsRefused) {
    data("a1.HHZ", "OTH", "HHZ", wiggle(4000));
    data("a2.HHN", "OTH", "HHN", wiggle(4000));
    data("a3.HHE", "OTH", "HHE", wiggle(4000));
    data("b1.HHZ", "STA", "HHZ", wiggle(2000));
    data("b2.HHN", "STA", "HHN", wiggle(2000));
    data("b3.HHE", "STA", "HHE", wiggle(4000));
    const auto r = run({"-e", "a1.HHZ", "a2.HHN", "a3.HHE", "b1.HHZ", "b2.HHN", "b3.HHE"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(count(r.out, "  Tesk_wave - error in EN est  -3"), 1) << r.out;
    EXPECT_EQ(count(r.out, " est_energy: a component of the group was not stored whole"), 1);
    const std::string energy = slurp(dir_ / "energy.wave");
    EXPECT_EQ(count(energy, " EMAG "), 1);
    EXPECT_EQ(count(energy, " OTH "), 1) << energy;
}

TEST_F(Station, UnwritableResultFileEndsTheRunWithItsReason) {
    data("S.HHZ", "STA", "HHZ", wiggle(500));
    std::filesystem::create_directory(dir_ / "wood.wave"); // a folder where the file should be
    const auto r = run({"-w", "S.HHZ"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("wood.wave"), std::string::npos);
}
