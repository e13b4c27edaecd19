#include "commands/synth/network.hpp"

#include <cmath>
#include <numbers>

#include "commands/synth/zero_fill.hpp"
#include "text/fields.hpp"

namespace tw::synth {
namespace {

constexpr double kDeg = std::numbers::pi / 180.0;
constexpr double kNearestKm = 12.0;
constexpr double kFarthestKm = 140.0;
constexpr double kAzimuthStep = 137.508; // the golden angle spreads any number of stations
constexpr double kFirstAzimuth = 20.0;

// Rounded to the 4 decimals the coordinate file keeps.
double four_decimals(double degrees) {
    return read_double(format_f(degrees, 12, 4)).value_or(degrees);
}

} // namespace

Event example_event() {
    Event e;
    e.origin = UtcInstant::from_date(2024, 3, 15, 12, 30, 4, 250000);
    e.latitude = 46.05;
    e.longitude = 10.2;
    e.depth_km = 10.0;
    e.moment_magnitude = 3.4;
    e.stress_drop_bar = 30.0;
    return e;
}

std::vector<Station> station_layout(const Event& event, int count) {
    std::vector<Station> stations;
    const double lat1 = event.latitude * kDeg;
    const double lon1 = event.longitude * kDeg;
    for (int i = 0; i < count; ++i) {
        const double fraction = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
        const double distance = kNearestKm * std::pow(kFarthestKm / kNearestKm, fraction);
        const double bearing = std::fmod(kFirstAzimuth + kAzimuthStep * i, 360.0) * kDeg;
        const double arc = distance / kEarthRadiusKm;

        // Destination on a sphere, then the coordinates as the file holds them.
        const double lat2 = std::asin(std::sin(lat1) * std::cos(arc) +
                                      std::cos(lat1) * std::sin(arc) * std::cos(bearing));
        const double lon2 = lon1 + std::atan2(std::sin(bearing) * std::sin(arc) * std::cos(lat1),
                                              std::cos(arc) - std::sin(lat1) * std::sin(lat2));
        Station s;
        s.code = "SY" + zero_filled_i(i + 1, 2);
        s.latitude = four_decimals(lat2 / kDeg);
        s.longitude = four_decimals(lon2 / kDeg);
        s.elevation_m = 300.0 + 150.0 * (i % 5);

        // Distance and azimuth back from the rounded coordinates.
        const double phi2 = s.latitude * kDeg;
        const double dlat = phi2 - lat1;
        const double dlon = s.longitude * kDeg - lon1;
        const double h = std::sin(dlat / 2) * std::sin(dlat / 2) +
                         std::cos(lat1) * std::cos(phi2) * std::sin(dlon / 2) * std::sin(dlon / 2);
        s.epicentral_km = 2.0 * kEarthRadiusKm * std::asin(std::sqrt(h));
        s.hypocentral_km = std::hypot(s.epicentral_km, event.depth_km);
        double az = std::atan2(std::sin(dlon) * std::cos(phi2),
                               std::cos(lat1) * std::sin(phi2) -
                                   std::sin(lat1) * std::cos(phi2) * std::cos(dlon)) /
                    kDeg;
        if (az < 0.0) az += 360.0;
        s.azimuth_deg = az;
        stations.push_back(s);
    }
    return stations;
}

} // namespace tw::synth
