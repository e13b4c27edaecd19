#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "example_files.hpp"
#include "tests/support/libmseed.hpp"
#include "tests/support/run_program.hpp"

namespace fs = std::filesystem;
using namespace tw::testing;

namespace {

const std::string kProgram = std::string(TW_BINARY_DIR) + "/commands/tesk_synth";

// tesk_synth with the arguments; its exit status.
int run(const std::vector<std::string>& args) {
    return run_program(kProgram, args).status;
}

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

} // namespace

TEST(Example, DefaultOptionsRegenerateTheCommittedFilesBitForBit) {
    const TempDir dir;
    ASSERT_EQ(run({"-o", dir.path()}), 0);
    const auto committed = names_in(example_dir());
    // The committed folder also holds its README.
    std::set<std::string> expected = committed;
    expected.erase("README.md");
    ASSERT_EQ(names_in(dir.path()), expected);
    EXPECT_EQ(expected.size(), 4u * 3u + 6u);
    for (const auto& name : expected)
        EXPECT_TRUE(read_bytes(dir / name) == read_bytes(example_dir() / name)) << name;
}

TEST(Example, OptionsSetStationsSamplesRecordLengthAndSeed) {
    const TempDir a, b;
    for (const auto& [dir, seed] : {std::pair{&a, "7"}, std::pair{&b, "8"}})
        ASSERT_EQ(run({"-o", dir->path(), "-stations", "2", "-samples", "16384", "-record", "4096",
                       "-seed", seed}),
                  0);
    EXPECT_EQ(names_in(a.path()).size(), 2u * 3u + 6u);
    for (const char* chan : {"HHZ", "HHN", "HHE"}) {
        const std::string name = std::string("XX.SY02..") + chan + ".mseed";
        const auto bytes = read_bytes(a / name);
        const auto decoded = decode_with_libmseed(bytes, 4096);
        ASSERT_TRUE(decoded.ok) << name;
        EXPECT_EQ(samples_of(decoded).size(), 16384u) << name;
        // Another seed gives other noise and other wave trains.
        EXPECT_FALSE(bytes == read_bytes(b / name)) << name;
    }
    // The metadata do not depend on the seed.
    EXPECT_TRUE(read_bytes(a / "synth.resp") == read_bytes(b / "synth.resp"));
    EXPECT_TRUE(read_bytes(a / "synth.stat") == read_bytes(b / "synth.stat"));
}

// The response entries (gain line, zeros and poles, without the header that names the channel),
// the sensitivity value lines and the sensors (zeros and poles alone) of an event's files, each
// kind as the set of its different entries.
struct InstrumentSets {
    std::set<std::string> responses, sensitivities, sensors;
};

InstrumentSets instrument_sets(const std::filesystem::path& dir) {
    const auto resp = read_lines(dir / "synth.resp");
    const auto sens = read_lines(dir / "synth.sens");
    InstrumentSets sets;
    for (std::size_t i = 0; i < resp.size();) {
        std::istringstream counts(resp.at(i + 1));
        int nz = 0, np = 0;
        std::string gain;
        counts >> gain >> nz >> np;
        EXPECT_TRUE(counts) << resp[i + 1];
        if (!counts) break;
        std::string poles_and_zeros;
        const std::size_t lines = 2 + static_cast<std::size_t>(nz + (np + 1) / 2);
        for (std::size_t k = 2; k < lines; ++k)
            poles_and_zeros += resp.at(i + k) + "\n";
        sets.responses.insert(resp[i + 1] + poles_and_zeros);
        sets.sensors.insert(poles_and_zeros);
        i += lines;
    }
    for (std::size_t i = 1; i < sens.size(); i += 2)
        sets.sensitivities.insert(sens[i]);
    return sets;
}

TEST(Example, DistinctInstrumentsGiveEveryChannelItsOwnResponseAndSensitivity) {
    const TempDir dir;
    ASSERT_EQ(run({"-o", dir.path(), "-stations", "9", "-instruments", "distinct"}), 0);
    const InstrumentSets sets = instrument_sets(dir.path());
    // 27 channels, each with its own gain and sensitivity; the components of a station share the
    // sensor's poles and zeros, the stations do not.
    EXPECT_EQ(sets.responses.size(), 27u);
    EXPECT_EQ(sets.sensitivities.size(), 27u);
    EXPECT_EQ(sets.sensors.size(), 9u);
}

TEST(Example, StationInstrumentsShareOneResponseAmongAStationsChannels) {
    const TempDir station, distinct;
    ASSERT_EQ(run({"-o", station.path(), "-stations", "9", "-instruments", "station"}), 0);
    ASSERT_EQ(run({"-o", distinct.path(), "-stations", "9", "-instruments", "distinct"}), 0);
    const InstrumentSets sets = instrument_sets(station.path());
    EXPECT_EQ(sets.responses.size(), 9u);
    EXPECT_EQ(sets.sensitivities.size(), 9u);
    // The sensors are those of the distinct event, and so is every vertical channel's data.
    EXPECT_EQ(sets.sensors, instrument_sets(distinct.path()).sensors);
    EXPECT_TRUE(read_bytes(station / "XX.SY04..HHZ.mseed") ==
                read_bytes(distinct / "XX.SY04..HHZ.mseed"));
    EXPECT_FALSE(read_bytes(station / "XX.SY04..HHN.mseed") ==
                 read_bytes(distinct / "XX.SY04..HHN.mseed"));
}

TEST(Example, BadOptionsAreRefusedWithStatusOne) {
    const TempDir dir;
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"-stations", "0"},
                                                {"-stations", "100"},
                                                {"-samples", "40000"},
                                                {"-record", "1024"},
                                                {"-seed", "x"},
                                                {"-instruments", "several"},
                                                {"-frobnicate", "1"}}) {
        std::vector<std::string> args{"-o", dir.path()};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(run(args), 1) << bad[0];
    }
    EXPECT_EQ(run({"-o"}), 1);
    EXPECT_EQ(run({"-o", "/dev/null/cannot"}), 1); // a folder that cannot be made
    EXPECT_TRUE(names_in(dir.path()).empty());
}
