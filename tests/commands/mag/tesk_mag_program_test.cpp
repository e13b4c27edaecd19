// tesk_mag on the example event as a user runs it: after tesk_wave, with the event file and the
// station file of the example.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "quakeml_validation.hpp"
#include "tests/support/run_program.hpp"
#include "tw_version.hpp"

using namespace tw::testing;
namespace fs = std::filesystem;

namespace {

const std::string kExample = std::string(TW_SOURCE_DIR) + "/examples/event/";
const std::vector<std::string> kResultFiles = {"wood.wave", "ground.wave", "shake.wave",
                                               "energy.wave", "ramp.wave"};

ProgramResult mag(const std::vector<std::string>& args, const fs::path& dir = {}) {
    return run_program(TESK_MAG, args, dir);
}

// The magnitude of the synthetic event, from the header of its truth file: "(Mw 3.4, ...".
double true_magnitude() {
    const std::string truth = slurp(kExample + "synth.truth");
    const std::size_t at = truth.find("(Mw ");
    return at == std::string::npos ? 0.0 : std::stod(truth.substr(at + 4));
}

// The header and first row of a one-row CSV file as name -> text.
std::map<std::string, std::string> one_row(const fs::path& path) {
    const auto lines = lines_of(slurp(path));
    std::map<std::string, std::string> row;
    if (lines.size() != 2) return row;
    std::istringstream names(lines[0]), values(lines[1]);
    for (std::string name, value; std::getline(names, name, ',');) {
        std::getline(values, value, ',');
        row[name] = value;
    }
    return row;
}

// One tesk_wave run of the example event with save files, shared by the tests.
class ExampleRun : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        std::vector<std::string> args = {"-w", "-g", "-e", "-r", "-s"};
        std::istringstream event(slurp(kExample + "synth.event"));
        std::string origin, lat, lon, depth;
        event >> origin >> lat >> lon >> depth;
        args.insert(args.end(), {"-l", lat, lon, "-t", origin, "-d", depth, "-coord",
                                 kExample + "synth.stat", "-resp", kExample + "synth.resp", "-sens",
                                 kExample + "synth.sens", "-pick", kExample + "synth.pick",
                                 "-model", std::string(TW_BINARY_DIR) + "/traveltime/iasp91"});
        // the data linked into the run folder, so that the save files land there
        for (const auto& entry : fs::directory_iterator(kExample))
            if (entry.path().extension() == ".mseed") {
                fs::create_symlink(entry.path(), *dir_ / entry.path().filename().string());
                args.push_back(entry.path().filename().string());
            }
        status_ = run_program(TESK_WAVE, args, dir_->path()).status;
    }
    static void TearDownTestSuite() { delete dir_; }

    static const fs::path& run() { return dir_->path(); }
    static std::vector<std::string> event_args() {
        return {"-event", kExample + "synth.event", "-coord", kExample + "synth.stat"};
    }

    static TempDir* dir_;
    static int status_;
};

TempDir* ExampleRun::dir_ = nullptr;
int ExampleRun::status_ = -1;

TEST_F(ExampleRun, NetworkMlAndMeAgreeWithTheTrueMagnitude) {
    ASSERT_EQ(status_, 0);
    TempDir out;
    std::vector<std::string> args = event_args();
    args.insert(args.end(), {"-eventcsv", (out / "event.csv").string(), run().string()});
    const ProgramResult r = mag(args);
    ASSERT_EQ(r.status, 0) << r.out;
    const auto row = one_row(out / "event.csv");
    ASSERT_TRUE(row.count("ML") && row.count("Me")) << slurp(out / "event.csv");
    const double truth = true_magnitude();
    EXPECT_DOUBLE_EQ(truth, 3.4);
    EXPECT_NEAR(std::stod(row.at("ML")), truth, 0.3);
    EXPECT_NEAR(std::stod(row.at("Me")), truth, 0.3);
    EXPECT_EQ(row.at("ML_stations"), "4");
    EXPECT_EQ(row.at("Me_stations"), "4");
    EXPECT_EQ(row.at("Mw_ramp_stations"), "4");
    EXPECT_EQ(row.at("origin_time"), "2024-03-15T12:30:04.250000Z");
    // The summary shows both network magnitudes and the warning beside the ramp Mw.
    EXPECT_NE(r.out.find("  Network ML " + row.at("ML").substr(0, 4)), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  Network Me "), std::string::npos);
    EXPECT_NE(r.out.find("Warning: the ramp method scales the moment with the fourth power of "
                         "distance"),
              std::string::npos);
}

// Without the event there is no distance and no ML: the summary says what is missing, and the
// energy magnitudes, whose distances are in their lines, are still given.
TEST_F(ExampleRun, WithoutTheEventTheSummarySaysWhatMlNeeds) {
    ASSERT_EQ(status_, 0);
    const ProgramResult r = mag({run().string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  No station ML: it needs the event's epicentre and depth"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  Network Me "), std::string::npos) << r.out;
}

TEST_F(ExampleRun, ResultFilesAreOnlyRead) {
    ASSERT_EQ(status_, 0);
    std::map<std::string, std::string> before;
    for (const auto& f : kResultFiles)
        before[f] = slurp(run() / f);
    std::vector<std::string> args = event_args();
    args.insert(args.end(), {"-csv", "t.csv", "-json", "t.json", "-quakeml", "q.xml", "-magcsv",
                             "m.csv", "-eventcsv", "e.csv"});
    TempDir copy;
    for (const auto& f : kResultFiles)
        fs::copy_file(run() / f, copy / f);
    ASSERT_EQ(mag(args, copy.path()).status, 0);
    for (const auto& f : kResultFiles) {
        EXPECT_EQ(slurp(copy / f), before[f]) << f;
        EXPECT_FALSE(slurp(copy / f).empty()) << f;
    }
    for (const char* f : {"t.csv", "t.json", "q.xml", "m.csv", "e.csv"})
        EXPECT_TRUE(fs::exists(copy / f)) << f;
    expect_valid_quakeml((copy / "q.xml").string());
    // no temporary file is left behind
    int files = 0;
    for (const auto& entry : fs::directory_iterator(copy.path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 5 + 5);
}

TEST_F(ExampleRun, SaveFilesDateTheWoodAndersonPeaks) {
    ASSERT_EQ(status_, 0);
    TempDir out;
    std::vector<std::string> args = event_args();
    args.insert(args.end(), {"-csv", (out / "t.csv").string(), "-quakeml", (out / "q.xml").string(),
                             run().string()});
    ASSERT_EQ(mag(args).status, 0);
    expect_valid_quakeml((out / "q.xml").string());
    // SY01 HHN: the true Wood-Anderson peak lies 35.27 s after the first sample, 12:29:34
    std::string time;
    for (const auto& line : lines_of(slurp(out / "t.csv")))
        if (line.rfind("wood.wave,", 0) == 0 && line.find(",SY01,XX,HHN,WAS,") != std::string::npos)
            time = line.substr(line.find("Z,") - 26, 27);
    ASSERT_EQ(time.substr(0, 17), "2024-03-15T12:30:") << time;
    EXPECT_NEAR(std::stod(time.substr(17, 9)), 9.27, 0.02) << time;
    // every amplitude of the run has its window
    const std::string doc = slurp(out / "q.xml");
    std::size_t windows = 0;
    for (std::size_t at = doc.find("<timeWindow>"); at != std::string::npos;
         at = doc.find("<timeWindow>", at + 1))
        ++windows;
    EXPECT_EQ(windows, 12u + 36u);
    EXPECT_EQ(doc.find("<begin>0</begin>"), std::string::npos);
}

TEST_F(ExampleRun, IsoAndOlderOriginTimesGiveTheSameDocument) {
    ASSERT_EQ(status_, 0);
    TempDir out;
    const std::vector<std::string> common = {
        "-l", "46.05", "10.2", "-d", "10", "-coord", kExample + "synth.stat", run().string()};
    std::vector<std::string> a = common, b = common;
    a.insert(a.end(), {"-t", "2024/03/15/12:30:04.250", "-quakeml", (out / "a.xml").string()});
    b.insert(b.end(), {"-t", "2024-03-15T12:30:04.25Z", "-quakeml", (out / "b.xml").string(),
                       "-idprefix", "quakeml:org.example/tesk"});
    ASSERT_EQ(mag(a).status, 0);
    ASSERT_EQ(mag(b).status, 0);
    std::string doc_a = slurp(out / "a.xml"), doc_b = slurp(out / "b.xml");
    for (std::size_t at = doc_b.find("quakeml:org.example/tesk"); at != std::string::npos;
         at = doc_b.find("quakeml:org.example/tesk", at))
        doc_b.replace(at, 24, "smi:local/tesk_wave");
    EXPECT_EQ(doc_a, doc_b);
    expect_valid_quakeml((out / "a.xml").string());
    expect_valid_quakeml((out / "b.xml").string());
}

TEST_F(ExampleRun, RelationOptionsShiftTheNetworkMlAsTheirFormulasSay) {
    ASSERT_EQ(status_, 0);
    TempDir out;
    auto network_ml = [&](const std::vector<std::string>& extra, const std::string& name) {
        std::vector<std::string> args = event_args();
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), {"-eventcsv", (out / (name + ".csv")).string(), "-quakeml",
                                 (out / (name + ".xml")).string(), run().string()});
        EXPECT_EQ(mag(args).status, 0) << name;
        expect_valid_quakeml((out / (name + ".xml")).string());
        return std::stod(one_row(out / (name + ".csv")).at("ML"));
    };
    const double iaspei = network_ml({}, "iaspei");
    // the IASPEI coefficients as a user relation, and Hutton and Boore 0.128158 higher
    EXPECT_NEAR(network_ml({"-ml", "user", "1.11", "0.00189", "-2.09"}, "user"), iaspei, 1e-9);
    EXPECT_NEAR(network_ml({"-ml", "hb"}, "hb"), iaspei + 0.128, 0.0015);
    // the larger channel of each station gives a larger network ML
    EXPECT_GT(network_ml({"-larger", "-vertical"}, "larger"), iaspei);
}

TEST_F(ExampleRun, AnOutputThatCannotBeWrittenEndsWithStatusTwo) {
    ASSERT_EQ(status_, 0);
    std::vector<std::string> args = event_args();
    args.insert(args.end(), {"-csv", "/nonexistent-folder/t.csv", run().string()});
    const ProgramResult r = mag(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("tesk_mag: cannot write /nonexistent-folder/t.csv"), std::string::npos);
    EXPECT_NE(r.out.find("Network ML"), std::string::npos); // the summary still came
}

TEST(TeskMag, FoldersWithoutResultsAndUsage) {
    TempDir empty;
    EXPECT_EQ(run_program(TESK_MAG, {empty.path().string()}).status, 1);
    EXPECT_EQ(run_program(TESK_MAG, {(empty / "none").string()}).status, 1);
    const ProgramResult bad = run_program(TESK_MAG, {"-frobnicate"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("unknown option -frobnicate"), std::string::npos);
    const ProgramResult help = run_program(TESK_MAG, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: tesk_mag", 0), 0u);
    const ProgramResult version = run_program(TESK_MAG, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("tesk_mag ") + tw::kVersion + "\n");
}

} // namespace
