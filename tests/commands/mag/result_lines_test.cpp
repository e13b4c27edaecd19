// Result lines of the five files read into table rows, field texts kept as written.
#include "commands/mag/result_lines.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "estimators/result_lines.hpp"
#include "tests/support/run_program.hpp"

namespace tw::mag {
namespace {

const std::string kWood = " SY01HHE WAS 39.943 0.498 3271 1.904";
const std::string kGround = " SY01 HHE  XX  PGA  90.   0. 2024  75 12 30 10  1199     16.13922     "
                            "7.43983 46.151   10.253     15.62661";
const std::string kShake = " SY01 HHE  XX  SHAK 90.   0. 2024  75 12 30  9  6699   0.000  1.250  "
                           "0.000  0.000 46.151   10.253     15.62661";
const std::string kEnergy = " SY01 HH  XX   EMAG   3.40   14.43     0.50867E+16    0.95438E-03";
const std::string kRamp =
    " SY01 HH  XX   RAMP   4.48   12.01 2024  75 12 29 36  9400  29.51   6.00   0.50   1.00 0.02  "
    "0.58113E+23  0.42223E+22 .13702E-06 .43130E+02 -0.95145E-05  0.00000E+00  0.85509E-04  "
    "0.12426E-04";

TEST(ResultLines, WoodAndersonLineSplitsStationAndChannel) {
    const auto row = parse_result_line("wood.wave", kWood);
    ASSERT_TRUE(row.has_value());
    const ResultLine& r = *row;
    EXPECT_EQ(r[Col::file], "wood.wave");
    EXPECT_EQ(r[Col::station], "SY01");
    EXPECT_EQ(r[Col::channel], "HHE");
    EXPECT_EQ(r[Col::measurement], "WAS");
    EXPECT_EQ(r[Col::value], "39.943");
    EXPECT_EQ(r[Col::unit], "mm");
    EXPECT_EQ(r[Col::period_s], "0.498");
    EXPECT_EQ(r[Col::sample_offset], "3271");
    EXPECT_EQ(r[Col::log10_amp_per_period], "1.904");
    EXPECT_DOUBLE_EQ(*r.number(Col::value), 39.943);
    // A short station code and a two-letter channel keep their places.
    const auto short_codes = parse_result_line("wood.wave", " ABHH  WAS 1.000 0.500 7 0.301");
    ASSERT_TRUE(short_codes.has_value());
    EXPECT_EQ((*short_codes)[Col::station], "AB");
    EXPECT_EQ((*short_codes)[Col::channel], "HH");
}

TEST(ResultLines, GroundLineColumns) {
    const auto row = parse_result_line("ground.wave", kGround);
    ASSERT_TRUE(row.has_value());
    const ResultLine& r = *row;
    EXPECT_EQ(r[Col::station], "SY01");
    EXPECT_EQ(r[Col::channel], "HHE");
    EXPECT_EQ(r[Col::network], "XX");
    EXPECT_EQ(r[Col::measurement], "PGA");
    EXPECT_EQ(r[Col::unit], "mm/s2");
    EXPECT_EQ(r[Col::azimuth_deg], "90.");
    EXPECT_EQ(r[Col::dip_deg], "0.");
    EXPECT_EQ(r[Col::time_utc], "2024-03-15T12:30:10.1199Z");
    EXPECT_EQ(r[Col::time_of], "peak");
    EXPECT_EQ(r[Col::value], "16.13922");
    EXPECT_EQ(r[Col::frequency_hz], "7.43983");
    EXPECT_EQ(r[Col::latitude_deg], "46.151");
    EXPECT_EQ(r[Col::longitude_deg], "10.253");
    EXPECT_EQ(r[Col::distance_km], "15.62661");
    EXPECT_EQ(r[Col::distance_of], "hypocentral");
    for (const char* kind : {"PGV", "PGD"}) {
        std::string line = kGround;
        line.replace(15, 3, kind);
        EXPECT_EQ((*parse_result_line("ground.wave", line))[Col::unit],
                  std::string(kind) == "PGV" ? "mm/s" : "mm");
    }
}

TEST(ResultLines, ShakeEnergyAndRampColumns) {
    const auto shake = parse_result_line("shake.wave", kShake);
    ASSERT_TRUE(shake.has_value());
    EXPECT_EQ((*shake)[Col::measurement], "SHAK");
    EXPECT_EQ((*shake)[Col::value], "");
    EXPECT_EQ((*shake)[Col::above_010g_s], "1.250");
    EXPECT_EQ((*shake)[Col::above_050g_s], "0.000");
    EXPECT_EQ((*shake)[Col::latitude_deg], "46.151");
    EXPECT_EQ((*shake)[Col::distance_km], "15.62661");
    EXPECT_EQ((*shake)[Col::time_utc], "2024-03-15T12:30:09.6699Z");
    EXPECT_EQ((*shake)[Col::time_of], "displacement peak");

    const auto energy = parse_result_line("energy.wave", kEnergy);
    ASSERT_TRUE(energy.has_value());
    EXPECT_EQ((*energy)[Col::channel], "HH");
    EXPECT_EQ((*energy)[Col::network], "XX");
    EXPECT_EQ((*energy)[Col::value], "3.40");
    EXPECT_EQ((*energy)[Col::distance_km], "14.43");
    EXPECT_EQ((*energy)[Col::energy_erg], "0.50867E+16");
    EXPECT_EQ((*energy)[Col::velocity2_integral_cm2_s], "0.95438E-03");

    const auto ramp = parse_result_line("ramp.wave", kRamp);
    ASSERT_TRUE(ramp.has_value());
    const ResultLine& r = *ramp;
    EXPECT_EQ(r[Col::value], "4.48");
    EXPECT_EQ(r[Col::distance_km], "12.01");
    EXPECT_EQ(r[Col::distance_of], "epicentral");
    EXPECT_EQ(r[Col::time_utc], "2024-03-15T12:29:36.9400Z");
    EXPECT_EQ(r[Col::time_of], "trace start");
    EXPECT_EQ(r[Col::window_start_s], "29.51");
    EXPECT_EQ(r[Col::window_end_s], "6.00");
    EXPECT_EQ(r[Col::window_step_s], "0.50");
    EXPECT_EQ(r[Col::window_used_s], "1.00");
    EXPECT_EQ(r[Col::mw_error], "0.02");
    EXPECT_EQ(r[Col::moment_dyn_cm], "0.58113E+23");
    EXPECT_EQ(r[Col::moment_error_dyn_cm], "0.42223E+22");
    EXPECT_EQ(r[Col::chi2], ".13702E-06");
    EXPECT_EQ(r[Col::explained_pct], ".43130E+02");
    EXPECT_EQ(r[Col::g0], "-0.95145E-05");
    EXPECT_EQ(r[Col::g1], "0.00000E+00");
    EXPECT_EQ(r[Col::g2], "0.85509E-04");
    EXPECT_EQ(r[Col::g2_error], "0.12426E-04");
    EXPECT_EQ(r[Col::clipping], "");
    const auto clipped = parse_result_line("ramp.wave", kRamp + "   possible clipping");
    EXPECT_EQ((*clipped)[Col::clipping], "possible clipping");
}

// Lines made by tesk_wave's own formatters, every field a value of its own, read back: a column
// that moved in the writer or the reader gives another field's text.
TEST(ResultLinesRoundTrip, EveryFieldReadsBackWhatTheWriterPutThere) {
    TraceHeader head;
    head.stat.assign("ABCD");
    head.chan.assign("HHN");
    head.network.assign("XY");
    head.sample_rate = 100.0;
    head.azi = 123.0f;
    head.dip = -45.0f;
    head.slat = -12.345f;
    head.slon = 123.456f;
    head.stime = ext_to_int(ext_time{2023, 200, 7, 19, 4, 5, 6, 789100});
    const auto number = [](const ResultLine& row, Col c) { return row.number(c).value_or(-1e30); };

    const auto wood = parse_result_line(kWoodFile, wood_line(head, {12.345f, 0.678f, 91}));
    ASSERT_TRUE(wood.has_value());
    EXPECT_EQ((*wood)[Col::station], "ABCD");
    EXPECT_EQ((*wood)[Col::channel], "HHN");
    EXPECT_EQ((*wood)[Col::value], "12.345");
    EXPECT_EQ((*wood)[Col::period_s], "0.678");
    EXPECT_EQ((*wood)[Col::sample_offset], "90");

    GroundMotion motion;
    motion.acc = {0.011f, 0.25f, 1001};
    motion.vel = {0.022f, 0.5f, 2002};
    motion.dsp = {0.033f, 2.0f, 3003};
    motion.shake = {1.5f, 2.5f, 3.5f, 4.5f};
    const auto lines = ground_lines(head, motion, 98.765f);
    const std::array<std::pair<const char*, float>, 3> kinds = {
        {{"PGA", 11.0f}, {"PGV", 22.0f}, {"PGD", 33.0f}}};
    const std::array<double, 3> periods = {0.25, 0.5, 2.0};
    for (std::size_t k = 0; k < 3; ++k) {
        const auto row = parse_result_line(kGroundFile, lines[k]);
        ASSERT_TRUE(row.has_value()) << lines[k];
        const ResultLine& r = *row;
        EXPECT_EQ(r[Col::station], "ABCD");
        EXPECT_EQ(r[Col::channel], "HHN");
        EXPECT_EQ(r[Col::network], "XY");
        EXPECT_EQ(r[Col::measurement], kinds[k].first);
        EXPECT_DOUBLE_EQ(number(r, Col::azimuth_deg), 123.0);
        EXPECT_DOUBLE_EQ(number(r, Col::dip_deg), -45.0);
        EXPECT_NEAR(number(r, Col::value), kinds[k].second, 1e-4);
        EXPECT_NEAR(number(r, Col::frequency_hz), periods[k] == 0.0 ? 0.0 : 1.0 / periods[k], 1e-5);
        EXPECT_NEAR(number(r, Col::latitude_deg), -12.345, 1e-3);
        EXPECT_NEAR(number(r, Col::longitude_deg), 123.456, 1e-3);
        EXPECT_NEAR(number(r, Col::distance_km), 98.765, 1e-5);
        // The peak 1001, 2002 or 3003 intervals of 0.01 s (in single precision) after
        // 04:05:06.7891.
        const std::array<const char*, 3> when = {
            "2023-07-19T04:05:16.7990Z", "2023-07-19T04:05:26.8090Z", "2023-07-19T04:05:36.8190Z"};
        EXPECT_EQ(r[Col::time_utc], when[k]);
    }
    const auto shake = parse_result_line(kShakeFile, shake_line(head, motion, 98.765f));
    ASSERT_TRUE(shake.has_value());
    EXPECT_EQ((*shake)[Col::measurement], "SHAK");
    EXPECT_EQ((*shake)[Col::above_005g_s], "1.500");
    EXPECT_EQ((*shake)[Col::above_010g_s], "2.500");
    EXPECT_EQ((*shake)[Col::above_020g_s], "3.500");
    EXPECT_EQ((*shake)[Col::above_050g_s], "4.500");
    EXPECT_EQ((*shake)[Col::latitude_deg], "-12.345");
    EXPECT_EQ((*shake)[Col::longitude_deg], "123.456");
    EXPECT_EQ((*shake)[Col::distance_km], "98.76500");
    EXPECT_EQ((*shake)[Col::time_utc], "2023-07-19T04:05:36.8190Z");

    const auto energy = parse_result_line(
        kEnergyFile, energy_line(head, EnergyEstimate{3.21f, 54.32f, 6.5e15f, 7.5e-3f}));
    ASSERT_TRUE(energy.has_value());
    EXPECT_EQ((*energy)[Col::station], "ABCD");
    EXPECT_EQ((*energy)[Col::channel], "HH");
    EXPECT_EQ((*energy)[Col::network], "XY");
    EXPECT_EQ((*energy)[Col::measurement], "EMAG");
    EXPECT_EQ((*energy)[Col::value], "3.21");
    EXPECT_EQ((*energy)[Col::distance_km], "54.32");
    EXPECT_EQ((*energy)[Col::energy_erg], "0.65000E+16");
    EXPECT_EQ((*energy)[Col::velocity2_integral_cm2_s], "0.75000E-02");

    RampEstimate e;
    e.fmw = 4.56;
    e.dist = 65.43f;
    e.stime = head.stime;
    e.start = 1.25f;
    e.span = 2.5f;
    e.step = 0.75f;
    e.window_length = 3.75f;
    e.semw = 0.07;
    e.fm0 = 1.1e22;
    e.sem0 = 2.2e21;
    e.chi = 3.3e-6f;
    e.cvar = 44.0f;
    e.gamma_b = -5.5e-5f;
    e.gamma_c = 6.6e-6f;
    e.gamma_es = 7.7e-4f;
    e.gamma_se = 8.8e-5f;
    const auto ramp = parse_result_line(kRampFile, ramp_line(head, e, true));
    ASSERT_TRUE(ramp.has_value());
    const ResultLine& r = *ramp;
    EXPECT_EQ(r[Col::measurement], "RAMP");
    EXPECT_EQ(r[Col::value], "4.56");
    EXPECT_EQ(r[Col::distance_km], "65.43");
    EXPECT_EQ(r[Col::time_utc], "2023-07-19T04:05:06.7891Z");
    EXPECT_EQ(r[Col::window_start_s], "1.25");
    EXPECT_EQ(r[Col::window_end_s], "2.50");
    EXPECT_EQ(r[Col::window_step_s], "0.75");
    EXPECT_EQ(r[Col::window_used_s], "3.75");
    EXPECT_EQ(r[Col::mw_error], "0.07");
    EXPECT_EQ(r[Col::moment_dyn_cm], "0.11000E+23");
    EXPECT_EQ(r[Col::moment_error_dyn_cm], "0.22000E+22");
    EXPECT_EQ(r[Col::chi2], ".33000E-05");
    EXPECT_EQ(r[Col::explained_pct], ".44000E+02");
    EXPECT_EQ(r[Col::g0], "-0.55000E-04");
    EXPECT_EQ(r[Col::g1], "0.66000E-05");
    EXPECT_EQ(r[Col::g2], "0.77000E-03");
    EXPECT_EQ(r[Col::g2_error], "0.88000E-04");
    EXPECT_EQ(r[Col::clipping], "possible clipping");
}

// The files a run writes and the files tesk_mag reads are the same five.
TEST(ResultLinesRoundTrip, FileNamesAndHeadersAreTheWritersOwn) {
    EXPECT_EQ(kResultFiles.size(), 5u);
    EXPECT_EQ(kResultFiles[0], std::string_view(kWoodFile));
    EXPECT_EQ(kResultFiles[4], std::string_view(kRampFile));
    // A header line is never taken for a result line.
    for (const auto* header :
         {&kWoodHeader, &kGroundHeader, &kShakeHeader, &kEnergyHeader, &kRampHeader})
        for (const std::string& line : *header)
            EXPECT_EQ(line[0], '#');
}

TEST(ResultLines, OverflowFieldsAreTextButNoNumber) {
    std::string line = kGround;
    line.replace(53, 12, "************");
    const auto row = parse_result_line("ground.wave", line);
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ((*row)[Col::value], "************");
    EXPECT_FALSE(row->number(Col::value).has_value());
    EXPECT_FALSE(row->number(Col::period_s).has_value()); // empty
}

TEST(ResultLines, LinesOfAnotherLayoutAreRefused) {
    EXPECT_FALSE(parse_result_line("wood.wave", kGround).has_value());
    EXPECT_FALSE(parse_result_line("wood.wave", " SY01HHE WAS 39.943 0.498 3271").has_value());
    EXPECT_FALSE(parse_result_line("ground.wave", kShake).has_value());
    EXPECT_FALSE(parse_result_line("ground.wave", kGround.substr(0, 80)).has_value());
    EXPECT_FALSE(parse_result_line("shake.wave", kGround + "    ").has_value());
    EXPECT_FALSE(parse_result_line("energy.wave", kRamp).has_value());
    EXPECT_FALSE(parse_result_line("ramp.wave", kEnergy).has_value());
    EXPECT_FALSE(parse_result_line("other.wave", kWood).has_value());
}

TEST(ResultLines, IsoTimeFromTheDateColumns) {
    EXPECT_EQ(iso_time_from_fields("2024", " 75", "12", "30", " 4", " 2500"),
              "2024-03-15T12:30:04.2500Z");
    EXPECT_EQ(iso_time_from_fields("2023", "365", "23", "59", "60", "    0"),
              "2023-12-31T23:59:60.0000Z");
    EXPECT_EQ(iso_time_from_fields("2024", "366", " 0", " 0", " 0", "    1"),
              "2024-12-31T00:00:00.0001Z");
    EXPECT_EQ(iso_time_from_fields("2023", "366", "0", "0", "0", "0"), "");
    EXPECT_EQ(iso_time_from_fields("****", "75", "0", "0", "0", "0"), "");
    EXPECT_EQ(iso_time_from_fields("2024", "75", "24", "0", "0", "0"), "");
}

TEST(ResultLines, RunFolderSkipsHeadersAndListsStrangeLines) {
    tw::testing::TempDir dir;
    std::ofstream(dir / "wood.wave") << "# \n# \n" << kWood << "\n\ngarbage\n" << kWood << "\n";
    std::ofstream(dir / "energy.wave") << "# \n# \n" << kEnergy << "\r\n";
    const RunResults run = read_run(dir.path());
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[0][Col::line], "3");
    EXPECT_EQ(run.lines[1][Col::line], "6");
    EXPECT_EQ(run.lines[2][Col::file], "energy.wave");
    EXPECT_EQ(run.lines[2][Col::velocity2_integral_cm2_s], "0.95438E-03");
    EXPECT_EQ(run.lines_per_file, (std::array<int, 5>{2, 0, 0, 1, 0}));
    EXPECT_EQ(run.file_found, (std::array<bool, 5>{true, false, false, true, false}));
    ASSERT_EQ(run.problems.size(), 1u);
    EXPECT_EQ(run.problems[0], "wood.wave line 5: not a result line of this file, left out");
}

} // namespace
} // namespace tw::mag
