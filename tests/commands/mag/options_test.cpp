// tesk_mag's command line.
#include "commands/mag/options.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "commands/mag/quakeml.hpp"
#include "tests/support/run_program.hpp"
#include "time/parse_date.hpp"

namespace tw::mag {
namespace {

std::optional<int> read(const std::vector<std::string>& args, MagOptions& options) {
    ::testing::internal::CaptureStdout();
    const auto status = read_mag_options(args, options);
    ::testing::internal::GetCapturedStdout();
    return status;
}

TEST(MagOptions, EventFromOptionsAsTeskWaveTakesThem) {
    MagOptions o;
    ASSERT_FALSE(read({"-l", "46.05", "10.2", "-t", "2024/03/15/12:30:04.250", "-d", "10", "-coord",
                       "s.stat", "run"},
                      o));
    EXPECT_FLOAT_EQ(static_cast<float>(*o.event.latitude), 46.05f);
    EXPECT_FLOAT_EQ(static_cast<float>(*o.event.longitude), 10.2f);
    EXPECT_DOUBLE_EQ(*o.event.depth_km, 10.0);
    EXPECT_EQ(o.event.origin, parse_origin_time("2024-03-15T12:30:04.25Z"));
    EXPECT_EQ(o.coord_file, "s.stat");
    EXPECT_EQ(o.dir, "run");
    EXPECT_EQ(o.id_prefix, std::string(kDefaultIdPrefix));
    EXPECT_EQ(o.magnitude.relation.kind, MlRelationKind::iaspei_2013);
}

TEST(MagOptions, EventFileAndRelations) {
    tw::testing::TempDir dir;
    std::ofstream(dir / "e.event") << "2024/03/15/12:30:04.250 46.0500 10.2000 10.0\n";
    std::ofstream(dir / "bad.event") << "2024/03/15 46.05 north 10\n";
    MagOptions o;
    ASSERT_FALSE(read({"-event", (dir / "e.event").string(), "-d", "12", "-ml", "user", "1.0",
                       "0.002", "-1.8", "-larger", "-vertical"},
                      o));
    EXPECT_EQ(o.event.origin, parse_origin_time("2024-03-15T12:30:04.25"));
    EXPECT_DOUBLE_EQ(*o.event.depth_km, 12.0); // a later option wins
    EXPECT_EQ(o.magnitude.relation.kind, MlRelationKind::user);
    EXPECT_DOUBLE_EQ(o.magnitude.relation.b, 0.002);
    EXPECT_TRUE(o.magnitude.larger && o.magnitude.vertical);
    EXPECT_EQ(o.dir, ".");

    MagOptions hb;
    ASSERT_FALSE(read({"-ml", "hb"}, hb));
    EXPECT_EQ(hb.magnitude.relation.kind, MlRelationKind::hutton_boore_1987);

    MagOptions bad;
    EXPECT_EQ(read({"-event", (dir / "bad.event").string()}, bad), 1);
    EXPECT_EQ(read({"-event", (dir / "missing.event").string()}, bad), 1);
}

TEST(MagOptions, UsageErrorsEndWithStatusOne) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"-x"},
             {"-l", "46"},
             {"-l", "95", "10"},
             {"-l", "46", "east"},
             {"-t", "2024-13-01"},
             {"-d"},
             {"-ml", "richter"},
             {"-ml", "user", "1", "2"},
             {"-csv"},
             {"run1", "run2"},
             {"-idprefix", "smi:x"},
             {"-quakeml", "q.xml", "-l", "46", "10"},   // no origin time
             {"-quakeml", "q.xml", "-t", "2024-03-15"}, // no epicentre
         }) {
        MagOptions o;
        EXPECT_EQ(read(args, o), 1) << args.front();
    }
}

TEST(MagOptions, HelpAndVersionEndWithStatusZero) {
    MagOptions o;
    EXPECT_EQ(read({"--help"}, o), 0);
    EXPECT_EQ(read({"-x", "--version"}, o), 0);
}

} // namespace
} // namespace tw::mag
