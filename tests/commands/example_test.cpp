#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "example_files.hpp"
#include "mseed_oracle.hpp"

namespace fs = std::filesystem;
using namespace tw::test;

namespace {

const std::string kProgram = std::string(TW_BINARY_DIR) + "/commands/tesk_synth";

// A fresh empty folder under the system's temporary directory.
fs::path fresh_dir(const std::string& name) {
    const fs::path dir =
        fs::temp_directory_path() / ("tesk_synth_" + name + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

int run(const std::string& arguments) {
    const int status = std::system((kProgram + " " + arguments + " > /dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

} // namespace

TEST(Example, DefaultOptionsRegenerateTheCommittedFilesBitForBit) {
    const fs::path dir = fresh_dir("regen");
    ASSERT_EQ(run("-o " + dir.string()), 0);
    const auto committed = names_in(example_dir());
    // The committed folder also holds its README.
    std::set<std::string> expected = committed;
    expected.erase("README.md");
    ASSERT_EQ(names_in(dir), expected);
    EXPECT_EQ(expected.size(), 4u * 3u + 6u);
    for (const auto& name : expected)
        EXPECT_TRUE(read_bytes(dir / name) == read_bytes(example_dir() / name)) << name;
    fs::remove_all(dir);
}

TEST(Example, OptionsSetStationsSamplesRecordLengthAndSeed) {
    const fs::path a = fresh_dir("opt_a");
    const fs::path b = fresh_dir("opt_b");
    ASSERT_EQ(run("-o " + a.string() + " -stations 2 -samples 16384 -record 4096 -seed 7"), 0);
    ASSERT_EQ(run("-o " + b.string() + " -stations 2 -samples 16384 -record 4096 -seed 8"), 0);
    EXPECT_EQ(names_in(a).size(), 2u * 3u + 6u);
    for (const char* chan : {"HHZ", "HHN", "HHE"}) {
        const std::string name = std::string("XX.SY02..") + chan + ".mseed";
        const auto bytes = read_bytes(a / name);
        const auto decoded = decode_with_libmseed(bytes, 4096);
        ASSERT_TRUE(decoded.ok) << name;
        std::size_t total = 0;
        for (const auto& r : decoded.records)
            total += r.samples.size();
        EXPECT_EQ(total, 16384u) << name;
        // Another seed gives other noise and other wave trains.
        EXPECT_FALSE(bytes == read_bytes(b / name)) << name;
    }
    // The metadata do not depend on the seed.
    EXPECT_TRUE(read_bytes(a / "synth.resp") == read_bytes(b / "synth.resp"));
    EXPECT_TRUE(read_bytes(a / "synth.stat") == read_bytes(b / "synth.stat"));
    fs::remove_all(a);
    fs::remove_all(b);
}

TEST(Example, DistinctInstrumentsGiveEveryChannelItsOwnResponseAndSensitivity) {
    const fs::path dir = fresh_dir("distinct");
    ASSERT_EQ(run("-o " + dir.string() + " -stations 9 -instruments distinct"), 0);
    const auto resp = read_lines(dir / "synth.resp");
    const auto sens = read_lines(dir / "synth.sens");
    // Each entry as the files write it, keyed by station and channel.
    std::set<std::string> responses, sensitivities, sensors;
    for (std::size_t i = 0; i < resp.size();) {
        const std::string key = resp[i].substr(0, 8);
        std::istringstream counts(resp.at(i + 1));
        int nz = 0, np = 0;
        std::string gain;
        counts >> gain >> nz >> np;
        ASSERT_TRUE(counts) << resp[i + 1];
        std::string entry = resp[i + 1], poles_and_zeros;
        const std::size_t lines = 2 + static_cast<std::size_t>(nz + (np + 1) / 2);
        for (std::size_t k = 2; k < lines; ++k)
            poles_and_zeros += resp.at(i + k) + "\n";
        responses.insert(entry + poles_and_zeros);
        sensors.insert(poles_and_zeros);
        i += lines;
    }
    for (std::size_t i = 1; i < sens.size(); i += 2)
        sensitivities.insert(sens[i]);
    // 27 channels, each with its own gain and sensitivity; the components of a station share the
    // sensor's poles and zeros, the stations do not.
    EXPECT_EQ(responses.size(), 27u);
    EXPECT_EQ(sensitivities.size(), 27u);
    EXPECT_EQ(sensors.size(), 9u);
    fs::remove_all(dir);
}

TEST(Example, BadOptionsAreRefusedWithStatusOne) {
    const fs::path dir = fresh_dir("bad");
    EXPECT_EQ(run("-o " + dir.string() + " -stations 0"), 1);
    EXPECT_EQ(run("-o " + dir.string() + " -stations 100"), 1);
    EXPECT_EQ(run("-o " + dir.string() + " -samples 40000"), 1);
    EXPECT_EQ(run("-o " + dir.string() + " -record 1024"), 1);
    EXPECT_EQ(run("-o " + dir.string() + " -seed x"), 1);
    EXPECT_EQ(run("-o " + dir.string() + " -instruments several"), 1);
    EXPECT_EQ(run("-o " + dir.string() + " -frobnicate 1"), 1);
    EXPECT_EQ(run("-o"), 1);
    EXPECT_EQ(run("-o /dev/null/cannot"), 1); // a folder that cannot be made
    EXPECT_TRUE(names_in(dir).empty());
    fs::remove_all(dir);
}
