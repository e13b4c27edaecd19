#include "commands/meta/selection.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <set>
#include <tuple>

namespace tw::meta {

namespace {

constexpr double kSamePositionDegrees = 1e-4;
constexpr double kSameElevationMetres = 1.0;

std::string key_of(std::string_view station) {
    return std::string(station.substr(0, 4));
}

std::string location_code(std::string_view code) {
    return code == "--" ? std::string() : std::string(code);
}

// Order of preference of a location code: smaller first.
std::pair<std::size_t, std::string> location_rank(const Choice& choice,
                                                  const std::string& location) {
    if (choice.locations.empty()) return {location.empty() ? 0 : 1, location};
    for (std::size_t i = 0; i < choice.locations.size(); ++i)
        if (location_code(choice.locations[i]) == location) return {i, location};
    return {choice.locations.size(), location};
}

bool matches_any(const std::vector<std::string>& patterns, std::string_view code) {
    if (patterns.empty()) return true;
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string& p) { return code_matches(p, code); });
}

Instant end_or_never(const std::optional<Instant>& end) {
    return end ? *end : Instant{std::numeric_limits<int64_t>::max()};
}

bool overlap(const StationEntry& a, const StationEntry& b) {
    return a.start < end_or_never(b.end) && b.start < end_or_never(a.end);
}

std::string describe(const StationEntry& e) {
    return e.network + "." + e.station + "." + e.location + "." + e.channel + " (" +
           period_text(e.start, e.end) + ")";
}

bool covers(const std::optional<Instant>& start, const std::optional<Instant>& end, Instant t) {
    return (!start || *start <= t) && t < end_or_never(end);
}

bool same_position(const StationEpoch& a, const StationEpoch& b) {
    return std::abs(*a.latitude - *b.latitude) <= kSamePositionDegrees &&
           std::abs(*a.longitude - *b.longitude) <= kSamePositionDegrees &&
           std::abs(a.elevation.value_or(0.0) - b.elevation.value_or(0.0)) <= kSameElevationMetres;
}

// The coordinate line of one station: the latest of its epochs that is in operation with a kept
// channel (or at the chosen time); without any, the position of a kept channel.
std::optional<CoordinateEntry> coordinates_of(const std::string& network,
                                              const std::string& station,
                                              const std::vector<const StationEntry*>& kept,
                                              const Inventory& inventory, const Choice& choice,
                                              std::vector<std::string>& reports) {
    std::vector<const StationEpoch*> epochs;
    for (const StationEpoch& s : inventory.stations) {
        if (s.network != network || s.station != station ||
            !valid_position(s.latitude, s.longitude, s.elevation))
            continue;
        const bool in_use = choice.time
                                ? covers(s.start, s.end, *choice.time)
                                : std::any_of(kept.begin(), kept.end(), [&](const StationEntry* e) {
                                      return (!s.start || *s.start < end_or_never(e->end)) &&
                                             e->start < end_or_never(s.end);
                                  });
        if (in_use) epochs.push_back(&s);
    }
    CoordinateEntry c;
    c.key = key_of(station);
    if (!epochs.empty()) {
        const StationEpoch* latest = *std::max_element(
            epochs.begin(), epochs.end(), [](const StationEpoch* a, const StationEpoch* b) {
                return a->start.value_or(Instant{}) < b->start.value_or(Instant{});
            });
        for (const StationEpoch* s : epochs)
            if (!same_position(*s, *latest)) {
                reports.push_back(network + "." + station +
                                  ": the position differs between station epochs; the "
                                  "coordinate file holds the one from " +
                                  (latest->start ? iso_text(*latest->start) : "the start"));
                break;
            }
        c.latitude = *latest->latitude;
        c.longitude = *latest->longitude;
        c.elevation = latest->elevation.value_or(0.0);
        return c;
    }
    for (const StationEntry* e : kept)
        if (e->latitude && e->longitude) {
            c.latitude = *e->latitude;
            c.longitude = *e->longitude;
            c.elevation = e->elevation.value_or(0.0);
            return c;
        }
    reports.push_back(network + "." + station +
                      ": no coordinates in the documents (RESP files hold none); the coordinate "
                      "file has no line for it");
    return std::nullopt;
}

} // namespace

bool code_matches(std::string_view pattern, std::string_view code) {
    // Iterative wildcard match with backtracking to the last '*'.
    std::size_t p = 0, c = 0, star = std::string_view::npos, mark = 0;
    while (c < code.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == code[c])) {
            ++p;
            ++c;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = c;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            c = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool chosen(const Choice& choice, const ChannelEpoch& channel) {
    if (!matches_any(choice.networks, channel.network) ||
        !matches_any(choice.stations, channel.station) ||
        !matches_any(choice.channels, channel.channel))
        return false;
    if (!choice.locations.empty() &&
        location_rank(choice, channel.location).first == choice.locations.size())
        return false;
    if (choice.time && !covers(channel.start, channel.end, *choice.time)) return false;
    return true;
}

Selection select_entries(std::vector<StationEntry> candidates, const Inventory& inventory,
                         const Choice& choice) {
    Selection out;
    auto order = [&](const StationEntry& e) {
        return std::make_tuple(key_of(e.station), e.channel, location_rank(choice, e.location),
                               e.network, e.station, e.start);
    };
    std::stable_sort(
        candidates.begin(), candidates.end(),
        [&](const StationEntry& a, const StationEntry& b) { return order(a) < order(b); });

    std::vector<StationEntry> kept;
    for (StationEntry& e : candidates) {
        // Candidates come grouped by key and channel, so the clashing ones are at the tail.
        const StationEntry* clash = nullptr;
        for (auto k = kept.rbegin(); k != kept.rend(); ++k) {
            if (key_of(k->station) != key_of(e.station) || k->channel != e.channel) break;
            if (overlap(*k, e)) {
                clash = &*k;
                break;
            }
        }
        if (clash != nullptr) {
            out.reports.push_back(describe(e) + " left out: it overlaps " + describe(*clash) +
                                  " on the key \"" + key_of(e.station) + " " + e.channel +
                                  "\" of the station files");
            continue;
        }
        kept.push_back(std::move(e));
    }
    std::stable_sort(kept.begin(), kept.end(), [](const StationEntry& a, const StationEntry& b) {
        return std::make_tuple(key_of(a.station), a.channel, a.start) <
               std::make_tuple(key_of(b.station), b.channel, b.start);
    });

    // Stations that share a key: the first in (network, station) order gives the coordinates.
    std::map<std::string, std::set<std::pair<std::string, std::string>>> stations_of_key;
    for (const StationEntry& e : kept)
        stations_of_key[key_of(e.station)].insert({e.network, e.station});
    for (const auto& [key, stations] : stations_of_key) {
        const auto& [network, station] = *stations.begin();
        if (stations.size() > 1) {
            std::string names;
            for (const auto& [net, sta] : stations)
                names += (names.empty() ? "" : ", ") + net + "." + sta;
            out.reports.push_back("stations " + names + " share the key \"" + key +
                                  "\" of the station files; the coordinate line is that of " +
                                  network + "." + station);
        }
        std::vector<const StationEntry*> own;
        for (const StationEntry& e : kept)
            if (e.network == network && e.station == station) own.push_back(&e);
        if (auto c = coordinates_of(network, station, own, inventory, choice, out.reports))
            out.coordinates.push_back(*c);
    }
    out.entries = std::move(kept);
    return out;
}

} // namespace tw::meta
