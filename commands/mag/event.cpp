#include "commands/mag/event.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "text/tokens.hpp"
#include "time/parse_date.hpp"

namespace tw::mag {

std::optional<double> decode_number(std::string_view text) {
    if (text.empty()) return std::nullopt;
    float value = 0.0f;
    int flag = 0;
    cipnum(text, value, flag);
    if (flag != 0 || !std::isfinite(value)) return std::nullopt;
    return static_cast<double>(value);
}

std::optional<double> decode_double(std::string_view text) {
    if (!decode_number(text)) return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<Event> read_event_file(const std::string& path, std::string& why) {
    std::ifstream in(path);
    if (!in) {
        why = "cannot open the event file " + path;
        return std::nullopt;
    }
    std::string line;
    std::getline(in, line);
    std::istringstream items(line);
    std::string time, lat, lon, depth;
    items >> time >> lat >> lon >> depth;
    Event event;
    event.origin = parse_origin_time(time);
    event.latitude = decode_number(lat);
    event.longitude = decode_number(lon);
    event.depth_km = decode_number(depth);
    if (!event.origin || !event.latitude || !event.longitude || !event.depth_km) {
        why = path + ": the first line is not \"origin latitude longitude depth\"";
        return std::nullopt;
    }
    return event;
}

double epicentral_km(double lat1, double lon1, double lat2, double lon2) {
    constexpr double kEarthRadiusKm = 6371.0;
    const double rad = std::acos(-1.0) / 180.0;
    const double dlat = (lat2 - lat1) * rad;
    const double dlon = (lon2 - lon1) * rad;
    const double h =
        std::sin(dlat / 2) * std::sin(dlat / 2) +
        std::cos(lat1 * rad) * std::cos(lat2 * rad) * std::sin(dlon / 2) * std::sin(dlon / 2);
    return 2.0 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
}

double hypocentral_km(const Event& event, double station_lat, double station_lon) {
    const double epi = epicentral_km(*event.latitude, *event.longitude, station_lat, station_lon);
    return std::hypot(epi, *event.depth_km);
}

std::string iso_text(const int_time& t) {
    const ext_time e = int_to_ext(t);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%06dZ", e.year, e.month, e.day,
                  e.hour, e.minute, e.second, e.usec);
    return text;
}

} // namespace tw::mag
