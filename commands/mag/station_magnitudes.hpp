#pragma once
// Station magnitudes of a run and the network magnitudes formed from them: ML from the
// Wood-Anderson lines, Me from the EMAG lines, and the ramp Mw of the RAMP lines (per station
// only).
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "commands/mag/event.hpp"
#include "commands/mag/network_statistics.hpp"
#include "commands/mag/relations.hpp"
#include "commands/mag/result_lines.hpp"
#include "commands/mag/stations.hpp"

namespace tw::mag {

struct MagnitudeOptions {
    MlRelation relation;
    bool larger = false;   // station ML from the larger horizontal amplitude, not the mean
    bool vertical = false; // vertical channels count as well
};

// One channel's part in a station ML.
struct ChannelMagnitude {
    std::size_t row = 0; // index into RunResults::lines
    std::string channel;
    double amplitude_mm = 0.0, period_s = 0.0, magnitude = 0.0;
};

struct StationMagnitude {
    std::string network, station, group; // group: band and instrument letters ("HH")
    std::optional<double> distance_km;   // hypocentral (ML), as written (Me, Mw)
    double magnitude = 0.0;
    std::vector<ChannelMagnitude> channels; // ML: the channels used
    double amplitude_mm = 0.0;              // ML: the amplitude the magnitude stands for
    std::size_t row = 0;                    // Me, Mw: the line
    bool rejected = false;
    double residual = 0.0; // magnitude - network magnitude
};

struct MagnitudeSet {
    std::string type; // "ML", "Me", "Mw"
    std::vector<StationMagnitude> stations;
    std::optional<NetworkMagnitude> network; // never for Mw
    std::vector<std::string> notes;          // lines and stations left out, and why
};

// True for a horizontal channel: by the dip its ground-motion lines write when there are any,
// otherwise by the component letter (N, E, 2, 3 horizontal; Z, 1 vertical, as the analyser
// groups components).
bool is_horizontal(const std::string& channel, std::optional<double> dip_deg);

MagnitudeSet local_magnitudes(const RunResults& run, const Event& event,
                              const StationDirectory& stations, const MagnitudeOptions& options);
MagnitudeSet energy_magnitudes(const RunResults& run);
MagnitudeSet ramp_magnitudes(const RunResults& run);

} // namespace tw::mag
