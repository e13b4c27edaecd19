#pragma once
// The synthetic event and the stations that record it.
#include <string>
#include <vector>

#include "commands/synth/calendar.hpp"

namespace tw::synth {

struct Event {
    UtcInstant origin;
    double latitude = 0.0;  // degrees north
    double longitude = 0.0; // degrees east
    double depth_km = 0.0;
    double moment_magnitude = 0.0;
    double stress_drop_bar = 0.0;
};

struct Station {
    std::string code;      // 4 characters
    double latitude = 0.0; // degrees, as written to the coordinate file (4 decimals)
    double longitude = 0.0;
    double elevation_m = 0.0;
    double epicentral_km = 0.0; // from the event to the written coordinates, on a sphere
    double hypocentral_km = 0.0;
    double azimuth_deg = 0.0; // from the event towards the station, clockwise from north
};

// The example event: 2024-03-15 12:30:04.250 UTC, 46.0500 N 10.2000 E, 10 km deep, Mw 3.4.
Event example_event();

// `count` stations (1 to 99) at epicentral distances spaced evenly in logarithm from 12 to
// 140 km, at azimuths 137.5 degrees apart, named SY01, SY02, ...
std::vector<Station> station_layout(const Event& event, int count);

inline constexpr double kEarthRadiusKm = 6371.0;

} // namespace tw::synth
