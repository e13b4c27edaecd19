#include "commands/mag/stations.hpp"

#include <cstdio>

#include "metadata/coordinates.hpp"
#include "text/fixed_text.hpp"

namespace tw::mag {

StationDirectory::StationDirectory(std::string coord_file, const RunResults& run,
                                   const TraceSpans& spans)
    : coord_file_(std::move(coord_file)) {
    for (const ResultLine& row : run.lines) {
        const std::string& station = row[Col::station];
        if (!row[Col::network].empty()) networks_.emplace(station, row[Col::network]);
        const auto lat = row.number(Col::latitude_deg), lon = row.number(Col::longitude_deg);
        if (lat && lon) from_lines_.emplace(station, Coordinates{*lat, *lon});
    }
    for (const auto& [key, span] : spans)
        if (!span.network.empty()) networks_.emplace(span.station, span.network);
}

std::optional<Coordinates> StationDirectory::coordinates(const std::string& station) const {
    if (const auto hit = cache_.find(station); hit != cache_.end()) return hit->second;
    std::optional<Coordinates> found;
    if (!coord_file_.empty()) {
        float slat = 0.0f, slon = 0.0f, sele = 0.0f;
        int ierr = 0;
        fetch_coord(coord_file_, FixedText<4>(station), slat, slon, sele, ierr);
        if (ierr == 0) found = Coordinates{slat, slon};
    }
    if (!found)
        if (const auto line = from_lines_.find(station); line != from_lines_.end())
            found = line->second;
    cache_[station] = found;
    return found;
}

std::string StationDirectory::network(const std::string& station) const {
    const auto it = networks_.find(station);
    return it == networks_.end() ? std::string() : it->second;
}

std::optional<double> StationDirectory::hypocentral_km(const Event& event,
                                                       const std::string& station) const {
    if (!event.has_hypocentre()) return std::nullopt;
    const std::optional<Coordinates> where = coordinates(station);
    if (!where) return std::nullopt;
    const double r = mag::hypocentral_km(event, where->latitude, where->longitude);
    if (!(r > 0.0)) return std::nullopt;
    return r;
}

std::string fixed_text(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void complete_rows(RunResults& run, const Event& event, const StationDirectory& stations,
                   const TraceSpans& spans) {
    for (ResultLine& row : run.lines) {
        const std::string& station = row[Col::station];
        if (row[Col::network].empty()) row[Col::network] = stations.network(station);
        if (row[Col::latitude_deg].empty())
            if (const auto where = stations.coordinates(station)) {
                row[Col::latitude_deg] = fixed_text(where->latitude, 4);
                row[Col::longitude_deg] = fixed_text(where->longitude, 4);
            }
        if (const auto r = stations.hypocentral_km(event, station))
            row[Col::hypocentral_distance_km] = fixed_text(*r, 3);
        if (row[Col::measurement] == "WAS" && row[Col::time_utc].empty()) {
            const TraceSpan* span = find_span(spans, "wood", station, row[Col::channel]);
            const auto offset = row.number(Col::sample_offset);
            if (span && offset && *offset >= 0 && *offset < span->npts) {
                row[Col::time_utc] = iso_text(span->sample_time(static_cast<long long>(*offset)));
                row[Col::time_of] = "peak (from the save file)";
            }
        }
    }
}

} // namespace tw::mag
