#pragma once
// One channel epoch of a station document as one entry of the response and sensitivity files.
#include <optional>
#include <string>
#include <vector>

#include "commands/meta/ground_units.hpp"
#include "commands/meta/inventory.hpp"
#include "commands/meta/pole_zero.hpp"

namespace tw::meta {

struct StationEntry {
    Origin origin;
    std::string network, station, location, channel;
    Instant start;
    std::optional<Instant> end; // open end
    double azimuth = 0.0, dip = 0.0;
    std::optional<double> latitude, longitude, elevation; // the channel's own position
    Motion motion = Motion::velocity;
    // The response as written: gain * prod(s - zero) / prod(s - pole), s = i w, in counts per
    // metre, m/s or m/s^2. Poles and zeros in rad/s.
    double gain = 0.0;
    PoleZero pz;
    double sensitivity = 0.0; // counts per metre, m/s or m/s^2, as written
    double sensitivity_hz = 0.0;
    Passband band; // -3 dB points around the sensitivity frequency
};

struct Conversion {
    std::optional<StationEntry> entry;
    std::vector<std::string> reasons; // why the epoch cannot be used (entry empty)
    std::vector<std::string> notes;   // what the user should know about a usable one
};

// A position the coordinate file can hold: latitude -90 to 90, longitude -180 to 360,
// elevation -9999 to 99999 m.
bool valid_position(const std::optional<double>& latitude, const std::optional<double>& longitude,
                    const std::optional<double>& elevation);

// Most poles and zeros an entry can hold.
inline constexpr int kMaxEntryPolesZeros = 60;

// The entry of a channel epoch. The gain is chosen so that the entry's response, as written and
// as tesk_wave evaluates it (single precision), equals the overall sensitivity at its frequency;
// digital stages and the digitiser count only through that gain.
Conversion convert(const ChannelEpoch& channel);

} // namespace tw::meta
