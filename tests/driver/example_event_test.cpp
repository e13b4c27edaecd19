// The whole chain on recorded and synthetic events: records, station files, response removal and
// estimators, checked against the known ground motion and against the fixed columns.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "tests/support/run_program.hpp"
#include "tests/support/test_data.hpp"

using namespace tw::testing;

namespace {

const std::string kExample = std::string(TW_SOURCE_DIR) + "/examples/event/";

std::string rjob(const std::string& name) { return test_data("rjob/" + name); }

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

TEST(ExampleEvent, EveryStationGetsEnergyAndRampLines) {
    TempDir dir;
    const auto r = run_example(dir, {"-e", "-r"});
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<double> magnitudes;
    for (const auto& line : lines_of(slurp(dir / "energy.wave"))) {
        if (line[0] == '#') continue;
        ASSERT_EQ(line.size(), 65u) << line;
        EXPECT_EQ(line.substr(14, 6), " EMAG ");
        magnitudes.push_back(std::stod(line.substr(21, 5)));
    }
    ASSERT_EQ(magnitudes.size(), 4u);
    const auto [lo, hi] = std::minmax_element(magnitudes.begin(), magnitudes.end());
    EXPECT_LT(*hi - *lo, 0.3); // one event, one energy magnitude
    int ramps = 0;
    for (const auto& line : lines_of(slurp(dir / "ramp.wave")))
        if (line.substr(0, 1) != "#") ramps += line.substr(14, 6) == " RAMP " && line.size() == 191;
    EXPECT_EQ(ramps, 4);
}

TEST(RecordedEvent, RjobLinesKeepTheirColumns) {
    TempDir dir;
    const auto r =
        run_program(TESK_WAVE,
                    {"-w", "-g", "-coord", rjob("rjob.stat"), "-resp", rjob("rjob.resp"), "-pick",
                     rjob("rjob.pick"), rjob("BW.RJOB..EHZ.mseed"), rjob("BW.RJOB..EHN.mseed"),
                     rjob("BW.RJOB..EHE.mseed")},
                    dir.path());
    ASSERT_EQ(r.status, 0);
    const auto ground = lines_of(slurp(dir / "ground.wave"));
    ASSERT_EQ(ground.size(), 2u + 9u);
    EXPECT_EQ(ground[0], "# ");
    for (std::size_t i = 2; i < ground.size(); ++i) {
        const auto& line = ground[i];
        ASSERT_EQ(line.size(), 106u) << line;
        EXPECT_EQ(line.substr(0, 14), " RJOB " + line.substr(6, 3) + "  BW ");
        EXPECT_TRUE(line.substr(14, 5) == " PGA " || line.substr(14, 5) == " PGV " ||
                    line.substr(14, 5) == " PGD ");
        EXPECT_EQ(line.substr(29, 4), "2009");
        EXPECT_EQ(line.substr(34, 3), "236");
        EXPECT_EQ(line.substr(77, 7), " 47.737");
        EXPECT_EQ(line.substr(85, 8), "  12.796");
        EXPECT_EQ(line[59], '.'); // five decimals in columns 54-65
    }
    const auto shake = lines_of(slurp(dir / "shake.wave"));
    ASSERT_EQ(shake.size(), 2u + 3u);
    for (std::size_t i = 2; i < shake.size(); ++i) {
        ASSERT_EQ(shake[i].size(), 110u);
        EXPECT_EQ(shake[i].substr(14, 5), " SHAK");
    }
    const auto wood = lines_of(slurp(dir / "wood.wave"));
    ASSERT_EQ(wood.size(), 2u + 3u);
    // Files run in name order: EHE, EHN, EHZ; station and channel run together.
    EXPECT_EQ(wood[2].substr(0, 13), " RJOBEHE WAS ");
    EXPECT_EQ(wood[3].substr(0, 13), " RJOBEHN WAS ");
    EXPECT_EQ(wood[4].substr(0, 13), " RJOBEHZ WAS ");
}
