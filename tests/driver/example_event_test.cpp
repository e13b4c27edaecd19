// The whole chain on recorded and synthetic events: records, station files, response removal and
// estimators, checked against the known ground motion and against the fixed columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/support/files.hpp"
#include "tests/support/run_program.hpp"
#include "tests/support/test_data.hpp"

using namespace tw::testing;

namespace {

const std::string kExample = std::string(TW_SOURCE_DIR) + "/examples/event/";

struct Truth {
    double pgv, pga, pgd, wa;
};

// Station and channel -> the true peaks (mm, mm/s, mm/s^2) from the example's truth file.
std::map<std::string, Truth> read_truth() {
    std::map<std::string, Truth> truth;
    std::istringstream in(slurp(kExample + "synth.truth"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string sta, chn;
        double epi, hypo;
        Truth t{};
        fields >> sta >> chn >> epi >> hypo >> t.pgv >> t.pga >> t.pgd >> t.wa;
        truth[sta + chn] = t;
    }
    return truth;
}

ProgramResult run_example(const TempDir& dir, const std::vector<std::string>& options) {
    std::istringstream event(slurp(kExample + "synth.event"));
    std::string origin, lat, lon, depth;
    event >> origin >> lat >> lon >> depth;
    std::vector<std::string> args = options;
    args.insert(args.end(), {"-l", lat});
    args.insert(args.end(), {lon, "-t", origin, "-d", depth, "-coord", kExample + "synth.stat",
                             "-resp", kExample + "synth.resp", "-sens", kExample + "synth.sens",
                             "-pick", kExample + "synth.pick", "-model",
                             std::string(TW_BINARY_DIR) + "/traveltime/iasp91"});
    for (const auto& entry : std::filesystem::directory_iterator(kExample))
        if (entry.path().extension() == ".mseed") args.push_back(entry.path().string());
    return run_program(TESK_WAVE, args, dir.path());
}

double relative_error(double measured, double truth) {
    return std::fabs(measured - truth) / truth;
}

} // namespace

TEST(ExampleEvent, PeaksAgreeWithTheTrueGroundMotion) {
    const auto truth = read_truth();
    ASSERT_EQ(truth.size(), 12u);
    TempDir dir;
    const auto r = run_example(dir, {"-w", "-g"});
    ASSERT_EQ(r.status, 0) << r.out;

    int ground_lines = 0;
    for (const auto& line : lines_of(slurp(dir / "ground.wave"))) {
        if (line.size() != 106 || line[0] == '#') continue;
        const std::string key = line.substr(1, 4) + line.substr(6, 3);
        const std::string kind = line.substr(15, 3);
        const double value = std::stod(line.substr(53, 12));
        const Truth& t = truth.at(key);
        const double expected = kind == "PGA" ? t.pga : kind == "PGV" ? t.pgv : t.pgd;
        EXPECT_LT(relative_error(value, expected), 0.05)
            << key << " " << kind << " " << value << " vs " << expected;
        ++ground_lines;
    }
    EXPECT_EQ(ground_lines, 36);

    int wood_lines = 0;
    for (const auto& line : lines_of(slurp(dir / "wood.wave"))) {
        if (line[0] == '#') continue;
        std::istringstream fields(line);
        std::string key, was;
        double amplitude;
        fields >> key >> was >> amplitude;
        EXPECT_EQ(was, "WAS");
        EXPECT_LT(relative_error(amplitude, truth.at(key).wa), 0.05) << key << " " << amplitude;
        ++wood_lines;
    }
    EXPECT_EQ(wood_lines, 12);
}

TEST(ExampleEvent, OneEventGivesOneEnergyMagnitude) {
    TempDir dir;
    const auto r = run_example(dir, {"-e"});
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<double> magnitudes;
    for (const auto& line : lines_of(slurp(dir / "energy.wave")))
        if (line[0] != '#') magnitudes.push_back(std::stod(line.substr(21, 5)));
    ASSERT_EQ(magnitudes.size(), 4u);
    const auto [lo, hi] = std::minmax_element(magnitudes.begin(), magnitudes.end());
    EXPECT_LT(*hi - *lo, 0.3);
}

// A verbose run in a folder holding links to the inputs, so that every message names them the
// same way wherever the tests run; its messages and result files byte for byte against the
// stored ones.
void expect_golden_run(const std::string& inputs, const std::vector<std::string>& args,
                       const std::string& golden, const std::vector<std::string>& results,
                       const std::vector<std::filesystem::path>& more_inputs = {}) {
    TempDir dir;
    std::vector<std::filesystem::path> links = more_inputs;
    for (const auto& entry : std::filesystem::directory_iterator(inputs))
        links.push_back(entry.path());
    for (const auto& path : links)
        std::filesystem::create_symlink(path, dir / path.filename().string());
    const auto r = run_program(TESK_WAVE, args, dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              slurp(std::string(TW_SOURCE_DIR) + "/tests/driver/golden/" + golden + "/stdout.txt"));
    EXPECT_EQ(r.err, "");
    for (const auto& name : results) {
        const std::string expected =
            slurp(name.find('/') == std::string::npos
                      ? std::string(TW_SOURCE_DIR) + "/tests/driver/golden/" + golden + "/" + name
                      : std::string(TW_SOURCE_DIR) + "/" + name);
        ASSERT_FALSE(expected.empty()) << name;
        EXPECT_EQ(slurp(dir / std::filesystem::path(name).filename().string()), expected) << name;
    }
}

TEST(GoldenRun, ExampleEventWithEveryEstimator) {
    std::istringstream event(slurp(kExample + "synth.event"));
    std::string origin, lat, lon, depth;
    event >> origin >> lat >> lon >> depth;
    const std::string model = std::string(TW_BINARY_DIR) + "/traveltime/iasp91";
    std::vector<std::string> args{
        "-v",    "-w",         "-g",    "-e",         "-r",     "-l",         lat,     lon,
        "-t",    origin,       "-d",    depth,        "-coord", "synth.stat", "-resp", "synth.resp",
        "-sens", "synth.sens", "-pick", "synth.pick", "-model", "iasp91"};
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(kExample))
        if (entry.path().extension() == ".mseed") files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    args.insert(args.end(), files.begin(), files.end());
    // The result files are the benchmark's baseline of the example event.
    std::vector<std::string> results;
    for (const char* name : {"wood", "ground", "shake", "energy", "ramp"})
        results.push_back(std::string("bench/event/baseline/example/") + name + ".wave");
    expect_golden_run(kExample, args, "example", results, {model + ".hed", model + ".tbl"});
}

TEST(GoldenRun, RecordedEventRjob) {
    expect_golden_run(test_data("rjob"),
                      {"-v", "-w", "-g", "-coord", "rjob.stat", "-resp", "rjob.resp", "-pick",
                       "rjob.pick", "BW.RJOB..EHZ.mseed", "BW.RJOB..EHN.mseed",
                       "BW.RJOB..EHE.mseed"},
                      "rjob", {"wood.wave", "ground.wave", "shake.wave"});
}

// The loop's messages begin with the blanks they are quoted with, no more.
TEST(GoldenRun, MissingCoordinateFileForEveryFile) {
    expect_golden_run(test_data("rjob"),
                      {"-v", "-p", "-coord", "nowhere.stat", "-resp", "rjob.resp",
                       "BW.RJOB..EHZ.mseed", "BW.RJOB..EHN.mseed", "BW.RJOB..EHE.mseed"},
                      "no_coordinates", {});
}

// The recordings' 100 samples per second written as factor 1000 and multiplier -10 (a negative
// multiplier divides): the run prints and writes exactly what it does for factor 100.
TEST(GoldenRun, RjobWithItsRateAsFactorAndDivisor) {
    TempDir inputs;
    for (const auto& entry : std::filesystem::directory_iterator(test_data("rjob"))) {
        std::vector<uint8_t> bytes = read_bytes(entry.path());
        if (entry.path().extension() == ".mseed") {
            std::size_t records = 0;
            for (std::size_t at = 0; at + 48 <= bytes.size(); ++records) {
                const bool msb = bytes[at + 20] == 0x07 || bytes[at + 20] == 0x08;
                auto put16 = [&](std::size_t offset, int value) {
                    const auto v = static_cast<uint16_t>(value);
                    bytes[at + offset] = static_cast<uint8_t>(msb ? v >> 8 : v);
                    bytes[at + offset + 1] = static_cast<uint8_t>(msb ? v : v >> 8);
                };
                const std::size_t b1000 = msb ? (bytes[at + 46] << 8 | bytes[at + 47])
                                              : (bytes[at + 47] << 8 | bytes[at + 46]);
                put16(32, 1000);
                put16(34, -10);
                at += std::size_t{1} << bytes[at + b1000 + 6];
            }
            ASSERT_GT(records, 1u) << entry.path();
        }
        std::ofstream(inputs / entry.path().filename().string(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    expect_golden_run(inputs.path().string(),
                      {"-v", "-w", "-g", "-coord", "rjob.stat", "-resp", "rjob.resp", "-pick",
                       "rjob.pick", "BW.RJOB..EHZ.mseed", "BW.RJOB..EHN.mseed",
                       "BW.RJOB..EHE.mseed"},
                      "rjob", {"wood.wave", "ground.wave", "shake.wave"});
}
