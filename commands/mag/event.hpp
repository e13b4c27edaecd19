#pragma once
// The event of a run: origin time, epicentre and depth, as far as they are known, and the
// distances from it to a station.
#include <optional>
#include <string>
#include <string_view>

#include "time/int_time.hpp"

namespace tw::mag {

struct Event {
    std::optional<int_time> origin;
    std::optional<double> latitude, longitude; // degrees
    std::optional<double> depth_km;

    bool has_location() const { return latitude && longitude; }
    bool has_hypocentre() const { return has_location() && depth_km; }
};

// Decodes a number as tesk_wave's command line does (digits, signs, point and exponent
// letters only); nothing for any other text.
std::optional<double> decode_number(std::string_view text);

// The same characters, read in double precision (the coefficients of a user relation).
std::optional<double> decode_double(std::string_view text);

// Reads an event file: its first line holds the origin time (as -t takes it), latitude,
// longitude and depth in km, separated by blanks. On a problem returns nothing and sets `why`.
std::optional<Event> read_event_file(const std::string& path, std::string& why);

// Great-circle distance in km on a sphere of radius 6371 km.
double epicentral_km(double lat1, double lon1, double lat2, double lon2);

// sqrt(epicentral^2 + depth^2), km.
double hypocentral_km(const Event& event, double station_lat, double station_lon);

// "2024-03-15T12:30:04.250000Z".
std::string iso_text(const int_time& t);

} // namespace tw::mag
