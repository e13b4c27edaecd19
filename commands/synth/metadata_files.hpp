#pragma once
// The text files that describe the synthetic event: station coordinates, responses,
// sensitivities, picks, the event line and the true ground-motion values.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "commands/synth/calendar.hpp"
#include "commands/synth/instrument.hpp"
#include "commands/synth/network.hpp"
#include "commands/synth/truth.hpp"

namespace tw::synth {

inline constexpr const char* kNetwork = "XX";
inline constexpr std::array<const char*, 3> kChannels{"HHZ", "HHN", "HHE"};

// What was made for one station.
struct StationResult {
    Station station;
    UtcInstant p_pick; // rounded to 10 ms
    UtcInstant s_pick;
    char p_motion = 'U';
    std::array<ComponentTruth, 3> truth; // Z, N, E
    std::array<int32_t, 3> largest_count{};
    std::array<Instrument, 3> instruments; // Z, N, E
};

// Each returns the whole file text.
std::string coordinate_file(const std::vector<StationResult>& stations);
std::string response_file(const std::vector<StationResult>& stations, int validity_year);
std::string sensitivity_file(const std::vector<StationResult>& stations, int validity_year);
std::string pick_file(const std::vector<StationResult>& stations, const Event& event);
std::string event_file(const Event& event);
std::string truth_file(const std::vector<StationResult>& stations, const Event& event,
                       const UtcInstant& first_sample, std::size_t samples);

// Origin time in the form the -t option reads: 2024/03/15/12:30:04.250.
std::string origin_text(const UtcInstant& origin);

} // namespace tw::synth
