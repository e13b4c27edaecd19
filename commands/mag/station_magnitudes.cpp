#include "commands/mag/station_magnitudes.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace tw::mag {

namespace {

using GroupKey = std::tuple<std::string, std::string, std::string>; // network, station, group

std::string group_of(const std::string& channel) {
    return channel.substr(0, std::min<std::size_t>(2, channel.size()));
}

// The last line of each key wins: a run folder appended to twice keeps its newest lines.
template <typename Key>
std::size_t drop_older(std::map<Key, std::size_t>& latest, const Key& key, std::size_t row) {
    const auto [it, inserted] = latest.emplace(key, row);
    if (inserted) return 0;
    it->second = row;
    return 1;
}

void form_network(MagnitudeSet& set) {
    std::vector<double> values;
    for (const StationMagnitude& s : set.stations)
        values.push_back(s.magnitude);
    set.network = network_magnitude(values);
    if (!set.network) return;
    for (std::size_t i = 0; i < set.stations.size(); ++i) {
        set.stations[i].rejected = set.network->rejected[i];
        set.stations[i].residual = set.stations[i].magnitude - set.network->value;
    }
}

std::string where(const ResultLine& row) {
    return row[Col::file] + " line " + row[Col::line];
}

// Station magnitudes written in the lines of one kind (EMAG, RAMP): the newest line of each
// station and instrument.
MagnitudeSet written_magnitudes(const RunResults& run, const std::string& label,
                                const std::string& type) {
    MagnitudeSet set;
    set.type = type;
    std::map<GroupKey, std::size_t> latest;
    std::size_t older = 0;
    for (std::size_t i = 0; i < run.lines.size(); ++i) {
        const ResultLine& row = run.lines[i];
        if (row[Col::measurement] != label) continue;
        if (!row.number(Col::value)) {
            set.notes.push_back(where(row) + ": no " + type + " value, left out");
            continue;
        }
        older += drop_older(latest,
                            GroupKey{row[Col::network], row[Col::station], row[Col::channel]}, i);
    }
    if (older > 0)
        set.notes.push_back(std::to_string(older) + " older " + label +
                            " line(s) of the same station left out");
    for (const auto& [key, i] : latest) {
        const ResultLine& row = run.lines[i];
        StationMagnitude s;
        std::tie(s.network, s.station, s.group) = key;
        s.magnitude = *row.number(Col::value);
        s.distance_km = row.number(Col::distance_km);
        s.row = i;
        set.stations.push_back(s);
    }
    return set;
}

} // namespace

bool is_horizontal(const std::string& channel, std::optional<double> dip_deg) {
    if (dip_deg) return std::fabs(*dip_deg) < 45.0;
    const char component = channel.size() >= 3 ? channel[2] : ' ';
    return component == 'N' || component == 'E' || component == '2' || component == '3';
}

MagnitudeSet local_magnitudes(const RunResults& run, const Event& event,
                              const StationDirectory& stations, const MagnitudeOptions& options) {
    MagnitudeSet set;
    set.type = "ML";
    if (!event.has_hypocentre()) {
        set.notes.push_back("no ML: the hypocentral distances need the epicentre and the depth "
                            "(-event, or -l and -d)");
        return set;
    }
    // dips written by the ground-motion lines, per station and channel
    std::map<std::pair<std::string, std::string>, double> dips;
    for (const ResultLine& row : run.lines)
        if (const auto dip = row.number(Col::dip_deg))
            dips[{row[Col::station], row[Col::channel]}] = *dip;

    // the newest Wood-Anderson line of each channel, grouped by station and instrument
    std::map<std::tuple<std::string, std::string, std::string>, std::size_t> latest;
    std::size_t older = 0;
    for (std::size_t i = 0; i < run.lines.size(); ++i) {
        const ResultLine& row = run.lines[i];
        if (row[Col::measurement] != "WAS") continue;
        older += drop_older(latest, {row[Col::network], row[Col::station], row[Col::channel]}, i);
    }
    if (older > 0)
        set.notes.push_back(std::to_string(older) +
                            " older WAS line(s) of the same channel left out");

    std::map<GroupKey, std::vector<std::size_t>> groups;
    for (const auto& [key, i] : latest) {
        const ResultLine& row = run.lines[i];
        const std::string& channel = row[Col::channel];
        const auto dip = dips.find({row[Col::station], channel});
        const bool horizontal =
            is_horizontal(channel, dip == dips.end() ? std::nullopt : std::optional(dip->second));
        if (!horizontal && !options.vertical) continue;
        const auto amplitude = row.number(Col::value);
        if (!amplitude || !(*amplitude > 0.0)) {
            set.notes.push_back(where(row) + ": no positive amplitude, left out");
            continue;
        }
        groups[{row[Col::network], row[Col::station], group_of(channel)}].push_back(i);
    }

    for (const auto& [key, rows] : groups) {
        StationMagnitude s;
        std::tie(s.network, s.station, s.group) = key;
        s.distance_km = stations.hypocentral_km(event, s.station);
        if (!s.distance_km) {
            set.notes.push_back(s.station + ": no hypocentral distance (event location and depth, "
                                            "station coordinates), no ML");
            continue;
        }
        double log_sum = 0.0;
        for (std::size_t i : rows) {
            const ResultLine& row = run.lines[i];
            ChannelMagnitude c;
            c.row = i;
            c.channel = row[Col::channel];
            c.amplitude_mm = *row.number(Col::value);
            c.period_s = row.number(Col::period_s).value_or(0.0);
            c.magnitude = local_magnitude(options.relation, c.amplitude_mm, *s.distance_km);
            log_sum += std::log10(c.amplitude_mm);
            s.channels.push_back(c);
        }
        if (options.larger) {
            const auto top = std::max_element(
                s.channels.begin(), s.channels.end(),
                [](const auto& x, const auto& y) { return x.amplitude_mm < y.amplitude_mm; });
            s.amplitude_mm = top->amplitude_mm;
        } else {
            // the mean of the channel magnitudes is the magnitude of the geometric mean amplitude
            s.amplitude_mm = std::pow(10.0, log_sum / static_cast<double>(s.channels.size()));
        }
        if (options.larger) {
            double best = s.channels.front().magnitude;
            for (const auto& c : s.channels)
                best = std::max(best, c.magnitude);
            s.magnitude = best;
        } else {
            double sum = 0.0;
            for (const auto& c : s.channels)
                sum += c.magnitude;
            s.magnitude = sum / static_cast<double>(s.channels.size());
        }
        set.stations.push_back(s);
    }
    form_network(set);
    return set;
}

MagnitudeSet energy_magnitudes(const RunResults& run) {
    MagnitudeSet set = written_magnitudes(run, "EMAG", "Me");
    form_network(set);
    return set;
}

MagnitudeSet ramp_magnitudes(const RunResults& run) {
    return written_magnitudes(run, "RAMP", "Mw");
}

} // namespace tw::mag
