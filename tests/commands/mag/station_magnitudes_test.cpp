// Station magnitudes from the lines of a run: which channels count, which lines win, and the
// network magnitudes.
#include "commands/mag/station_magnitudes.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace tw::mag {
namespace {

ResultLine line(const std::string& file, const std::string& text, std::size_t number) {
    ResultLine row = *parse_result_line(file, text);
    row[Col::line] = std::to_string(number);
    return row;
}

std::string wood(const std::string& sta_cha, double mm) {
    char text[80];
    std::snprintf(text, sizeof text, " %s WAS %.3f 0.300 100 1.000", sta_cha.c_str(), mm);
    return text;
}

// A ground line for station SY01 with the given channel and dip, at 46.0 N 10.0 E.
std::string ground(const std::string& channel, const std::string& dip) {
    std::string text = " SY01 HHE  XX  PGA  90.   0. 2024  75 12 30 10  1199     16.13922     "
                       "7.43983 46.000   10.000     15.62661";
    text.replace(6, 3, channel);
    text.replace(24, 4, dip);
    return text;
}

Event event_at(double lat, double lon, double depth) {
    Event e;
    e.latitude = lat;
    e.longitude = lon;
    e.depth_km = depth;
    return e;
}

// As tesk_mag does it: the rows completed first (network codes, coordinates).
MagnitudeSet ml_of(RunResults run, const Event& event, const MagnitudeOptions& options) {
    const StationDirectory stations("", run, {});
    complete_rows(run, event, stations, {});
    return local_magnitudes(run, event, stations, options);
}

TEST(StationMagnitudes, HorizontalChannelsByDipOrComponentLetter) {
    EXPECT_TRUE(is_horizontal("HHN", std::nullopt));
    EXPECT_TRUE(is_horizontal("HHE", std::nullopt));
    EXPECT_TRUE(is_horizontal("HH2", std::nullopt));
    EXPECT_TRUE(is_horizontal("HH3", std::nullopt));
    EXPECT_FALSE(is_horizontal("HHZ", std::nullopt));
    EXPECT_FALSE(is_horizontal("HH1", std::nullopt));
    // a written dip decides
    EXPECT_TRUE(is_horizontal("HHZ", 0.0));
    EXPECT_FALSE(is_horizontal("HHN", -90.0));
}

TEST(StationMagnitudes, MeanOfTheHorizontalsAtTheHypocentralDistance) {
    RunResults run;
    run.lines = {line("wood.wave", wood("SY01HHE", 10.0), 3),
                 line("wood.wave", wood("SY01HHN", 40.0), 4),
                 line("wood.wave", wood("SY01HHZ", 500.0), 5),
                 line("ground.wave", ground("HHE", "  0."), 3)};
    // the event 0.1 degree south of the station, 10 km deep
    const Event event = event_at(45.9, 10.0, 10.0);
    const double r = std::hypot(epicentral_km(45.9, 10.0, 46.0, 10.0), 10.0);
    EXPECT_NEAR(r, std::hypot(11.119493, 10.0), 1e-5);
    const MlRelation iaspei;
    MagnitudeSet set = ml_of(run, event, {});
    ASSERT_EQ(set.stations.size(), 1u);
    const StationMagnitude& s = set.stations[0];
    EXPECT_EQ(s.network, "XX"); // from the ground line
    EXPECT_EQ(s.group, "HH");
    ASSERT_EQ(s.channels.size(), 2u);
    EXPECT_NEAR(*s.distance_km, r, 1e-9);
    const double e = local_magnitude(iaspei, 10.0, r), n = local_magnitude(iaspei, 40.0, r);
    EXPECT_NEAR(s.magnitude, (e + n) / 2, 1e-12);
    EXPECT_NEAR(s.amplitude_mm, 20.0, 1e-9); // geometric mean
    ASSERT_TRUE(set.network.has_value());
    EXPECT_NEAR(set.network->value, s.magnitude, 1e-12);

    set = ml_of(run, event, {iaspei, true, false});
    EXPECT_NEAR(set.stations[0].magnitude, n, 1e-12);
    EXPECT_NEAR(set.stations[0].amplitude_mm, 40.0, 1e-12);

    set = ml_of(run, event, {iaspei, false, true});
    EXPECT_EQ(set.stations[0].channels.size(), 3u);
    EXPECT_NEAR(set.stations[0].magnitude, (e + n + local_magnitude(iaspei, 500.0, r)) / 3, 1e-12);
}

TEST(StationMagnitudes, NewestLineWinsAndUnusableStationsAreNoted) {
    RunResults run;
    run.lines = {
        line("wood.wave", wood("SY01HHE", 10.0), 3), line("wood.wave", wood("SY01HHE", 20.0), 4),
        line("wood.wave", wood("SY09HHE", 5.0), 5), line("wood.wave", wood("SY01HHN", 0.0), 6),
        line("ground.wave", ground("HHE", "  0."), 3)};
    const MagnitudeSet set = ml_of(run, event_at(45.9, 10.0, 10.0), {});
    ASSERT_EQ(set.stations.size(), 1u);
    ASSERT_EQ(set.stations[0].channels.size(), 1u);
    EXPECT_DOUBLE_EQ(set.stations[0].channels[0].amplitude_mm, 20.0);
    EXPECT_EQ(set.notes, (std::vector<std::string>{
                             "1 older WAS line(s) of the same channel left out",
                             "wood.wave line 6: no positive amplitude, left out",
                             "SY09: no hypocentral distance (event location and depth, station "
                             "coordinates), no ML"}));
    // without a depth there is no hypocentral distance at all
    Event no_depth = event_at(45.9, 10.0, 10.0);
    no_depth.depth_km.reset();
    const MagnitudeSet none = ml_of(run, no_depth, {});
    EXPECT_TRUE(none.stations.empty());
    EXPECT_EQ(none.notes, (std::vector<std::string>{"no ML: the hypocentral distances need the "
                                                    "epicentre and the depth (-event, or -l and "
                                                    "-d)"}));
}

TEST(StationMagnitudes, EnergyAndRampMagnitudesAsWritten) {
    const std::string emag = " SY01 HH  XX   EMAG   3.40   14.43     0.50867E+16    0.95438E-03";
    std::string emag2 = emag;
    emag2.replace(1, 4, "SY02");
    emag2.replace(22, 4, "4.40");
    std::string emag3 = emag;
    emag3.replace(1, 4, "SY03");
    emag3.replace(22, 4, "3.50");
    std::string emag4 = emag;
    emag4.replace(1, 4, "SY04");
    emag4.replace(22, 4, "3.45");
    RunResults run;
    run.lines = {line("energy.wave", emag, 3), line("energy.wave", emag2, 4),
                 line("energy.wave", emag3, 5), line("energy.wave", emag4, 6)};
    const MagnitudeSet me = energy_magnitudes(run);
    ASSERT_EQ(me.stations.size(), 4u);
    ASSERT_TRUE(me.network.has_value());
    // median 3.475, MAD 0.05: SY02 at 4.40 lies beyond 0.3 and is rejected
    EXPECT_TRUE(me.stations[1].rejected);
    EXPECT_DOUBLE_EQ(me.network->value, 3.45);
    EXPECT_NEAR(me.stations[0].residual, -0.05, 1e-12);
    EXPECT_NEAR(*me.stations[0].distance_km, 14.43, 1e-12);

    const std::string ramp =
        " SY01 HH  XX   RAMP   4.48   12.01 2024  75 12 29 36  9400  29.51   6.00   0.50   1.00 "
        "0.02  0.58113E+23  0.42223E+22 .13702E-06 .43130E+02 -0.95145E-05  0.00000E+00  "
        "0.85509E-04  0.12426E-04";
    run.lines = {line("ramp.wave", ramp, 3)};
    const MagnitudeSet mw = ramp_magnitudes(run);
    ASSERT_EQ(mw.stations.size(), 1u);
    EXPECT_DOUBLE_EQ(mw.stations[0].magnitude, 4.48);
    EXPECT_FALSE(mw.network.has_value());
}

} // namespace
} // namespace tw::mag
