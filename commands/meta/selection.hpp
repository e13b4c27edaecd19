#pragma once
// Which channel epochs go into the station files: the user's choice of networks, stations,
// channels, location codes and time, and the keys of the files (4-character station, 3-character
// channel, no location, no network), on which no two epochs may overlap.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/meta/conversion.hpp"
#include "commands/meta/inventory.hpp"

namespace tw::meta {

struct Choice {
    // Code patterns (? one character, * any run); empty: every code.
    std::vector<std::string> networks, stations, channels;
    // Location codes in order of preference ("" or "--" the empty code); empty: the empty code
    // first, then the others in ascending order. With a list, other codes are left out.
    std::vector<std::string> locations;
    std::optional<Instant> time; // only epochs in operation at this instant
};

bool code_matches(std::string_view pattern, std::string_view code);

// True when the channel epoch is one the user asked for.
bool chosen(const Choice& choice, const ChannelEpoch& channel);

struct CoordinateEntry {
    std::string key; // first 4 characters of the station code
    double latitude = 0.0, longitude = 0.0, elevation = 0.0;
};

struct Selection {
    std::vector<StationEntry> entries;        // by station key, channel, start
    std::vector<CoordinateEntry> coordinates; // by station key
    std::vector<std::string> reports;         // collisions and what was done about them
};

// Keeps, for every station key and channel, the epochs of the preferred location code and of
// the first station in (network, station) order, then the others where they overlap none kept;
// every epoch left out is reported. Coordinates come from the station epochs in `inventory`.
Selection select_entries(std::vector<StationEntry> candidates, const Inventory& inventory,
                         const Choice& choice);

} // namespace tw::meta
