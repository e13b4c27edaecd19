// The run's result files: created with their header lines, then only appended to.
#include "driver/result_files.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/files.hpp"
#include "text/result_file.hpp"

namespace tw {
namespace {

TraceHeader head() {
    TraceHeader h;
    h.stat.assign("STA");
    h.chan.assign("HHZ");
    h.network.assign("XX");
    h.sample_rate = 100;
    return h;
}

TEST(ResultFiles, EachFileStartsWithItsHeaderAndThenOnlyGrows) {
    testing::TempDir dir;
    const ResultFiles files(dir.path());
    GroundMotion motion;
    motion.acc = motion.vel = motion.dsp = {1.0f, 0.5f, 3};
    for (int run = 1; run <= 2; ++run) {
        files.wood(head(), {1.0f, 0.1f, 11});
        files.ground(head(), motion, 10.0f);
        files.energy(head(), EnergyEstimate{1.0f, 8.0f, 1.0f, 1.0f});
        files.ramp(head(), RampEstimate{}, false);
    }
    struct Expected {
        const char* name;
        const std::vector<std::string>& header;
        std::vector<std::string> lines;
    };
    const auto gl = ground_lines(head(), motion, 10.0f);
    for (const Expected& e :
         {Expected{kWoodFile, kWoodHeader, {wood_line(head(), {1.0f, 0.1f, 11})}},
          Expected{kGroundFile, kGroundHeader, {gl.begin(), gl.end()}},
          Expected{kShakeFile, kShakeHeader, {shake_line(head(), motion, 10.0f)}},
          Expected{kEnergyFile,
                   kEnergyHeader,
                   {energy_line(head(), EnergyEstimate{1.0f, 8.0f, 1.0f, 1.0f})}},
          Expected{kRampFile, kRampHeader, {ramp_line(head(), RampEstimate{}, false)}}}) {
        std::vector<std::string> want = e.header;
        for (int run = 1; run <= 2; ++run)
            want.insert(want.end(), e.lines.begin(), e.lines.end());
        EXPECT_EQ(testing::lines_of(testing::slurp(dir / e.name)), want) << e.name;
    }
}

TEST(ResultFiles, ExistingFileIsOnlyAppendedToAndAnUnwritableOneIsNamed) {
    testing::TempDir dir;
    { std::ofstream(dir / kWoodFile) << "kept\n"; }
    ResultFiles(dir.path()).wood(head(), {1.0f, 0.1f, 11});
    EXPECT_EQ(testing::slurp(dir / kWoodFile), "kept\n STAHHZ WAS 1.000 0.100 10 1.000\n");

    const ResultFiles nowhere(dir / "missing");
    try {
        nowhere.energy(head(), EnergyEstimate{});
        FAIL() << "no error";
    } catch (const OutputError& e) {
        EXPECT_NE(std::string(e.what()).find("missing/energy.wave"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace tw
