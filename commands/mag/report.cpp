#include "commands/mag/report.hpp"

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "commands/mag/stations.hpp"
#include "commands/mag/tidy_table.hpp"

namespace tw::mag {

const char* const kRampWarning =
    "the ramp method scales the moment with the fourth power of distance and holds\n"
    "  only close to the source: these values grow with distance and are no event magnitude";

namespace {

std::string format(const char* pattern, double v) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, v);
    return text;
}

std::string pad(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string rpad(const std::string& text, std::size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string optional_number(const std::optional<double>& v, const char* pattern) {
    return v ? format(pattern, *v) : std::string("-");
}

// The first columns of a station row: station, network and instrument group.
std::string station_columns(const StationMagnitude& s) {
    return "  " + pad(s.station, 7) + " " + pad(s.network, 3) + " " + pad(s.group, 4) + " ";
}

std::string network_line(const MagnitudeSet& set) {
    const NetworkMagnitude& net = *set.network;
    int rejected = 0;
    for (const StationMagnitude& s : set.stations)
        rejected += s.rejected ? 1 : 0;
    return "  Network " + set.type + " " + format("%.2f", net.value) + "   median of " +
           std::to_string(net.kept.count) + " station(s), " + std::to_string(rejected) +
           " rejected; mean " + format("%.2f", net.kept.mean) + ", median " +
           format("%.2f", net.kept.median) + ", std " + optional_number(net.kept.std_dev, "%.2f") +
           "\n";
}

std::string rejections(const MagnitudeSet& set) {
    std::string out;
    for (const StationMagnitude& s : set.stations)
        if (s.rejected)
            out += "  Rejected: " + s.station + " " + s.group + " " + set.type + " " +
                   format("%.2f", s.magnitude) + ", " +
                   format("%.2f", std::abs(s.magnitude - set.network->all_median)) +
                   " from the median " + format("%.2f", set.network->all_median) + " (limit " +
                   format("%.2f", set.network->reject_distance) + ")\n";
    return out;
}

std::string local_section(const Analysis& a) {
    const MagnitudeSet& set = a.ml;
    std::string out = "Local magnitude ML (" + a.options.relation.name() + ")\n  " +
                      a.options.relation.formula() + "\n";
    out += std::string("  Station ML: ") + (a.options.larger ? "the larger of" : "the mean of") +
           (a.options.vertical ? " all channels" : " the horizontal channels") +
           "; the analyser's A_mm is for magnification 2080\n";
    if (set.stations.empty()) {
        // Without the hypocentre there is no distance to a station, and so no ML.
        if (!a.event.has_hypocentre())
            return out + "  No station ML: it needs the event's epicentre and depth (-event FILE, "
                         "or -l LAT LON and -d DEPTH) and the coordinate file (-coord).\n";
        return out + "  No station ML.\n";
    }
    out += "  Station Net Inst    R(km)     ML  Resid  Channels: A(mm) ML\n";
    for (const StationMagnitude& s : set.stations) {
        std::string channels;
        for (const ChannelMagnitude& c : s.channels)
            channels += "  " + c.channel + " " + format("%.3f", c.amplitude_mm) + " " +
                        format("%.2f", c.magnitude);
        out += station_columns(s) + rpad(optional_number(s.distance_km, "%.2f"), 8) + " " +
               rpad(format("%.2f", s.magnitude), 6) + " " + rpad(format("%+.2f", s.residual), 6) +
               (s.rejected ? " R" : "  ") + channels + "\n";
    }
    return out + network_line(set) + rejections(set);
}

std::string energy_section(const Analysis& a) {
    const MagnitudeSet& set = a.me;
    std::string out = "Energy magnitude Me, from the EMAG lines\n";
    if (set.stations.empty()) return out + "  No EMAG line.\n";
    out += "  Station Net Inst  Dist(km)     Me  Resid  Energy(erg)\n";
    for (const StationMagnitude& s : set.stations)
        out += station_columns(s) + rpad(a.run.lines[s.row][Col::distance_km], 9) + " " +
               rpad(a.run.lines[s.row][Col::value], 6) + " " +
               rpad(format("%+.2f", s.residual), 6) + (s.rejected ? " R" : "  ") + " " +
               a.run.lines[s.row][Col::energy_erg] + "\n";
    return out + network_line(set) + rejections(set);
}

std::string ramp_section(const Analysis& a) {
    const MagnitudeSet& set = a.mw;
    std::string out = "Ramp moment magnitude Mw, from the RAMP lines (per station only)\n";
    if (set.stations.empty()) return out + "  No RAMP line.\n";
    out += "  Station Net Inst  Dist(km)     Mw\n";
    for (const StationMagnitude& s : set.stations)
        out += station_columns(s) + rpad(a.run.lines[s.row][Col::distance_km], 9) + " " +
               rpad(a.run.lines[s.row][Col::value], 6) + "\n";
    return out + "  Warning: " + kRampWarning + ".\n";
}

// Appends each field after a comma.
void add_fields(std::string& row, std::initializer_list<std::string> fields) {
    for (const std::string& field : fields) {
        row += ',';
        row += field;
    }
}

void add_network_columns(std::string& header, std::string& row, const MagnitudeSet& set) {
    const std::string& t = set.type;
    header += "," + t + "," + t + "_stations," + t + "_rejected," + t + "_mean," + t + "_median," +
              t + "_std";
    if (!set.network) {
        row += ",,0,0,,,";
        return;
    }
    const NetworkMagnitude& net = *set.network;
    add_fields(row, {format("%.3f", net.value), std::to_string(net.kept.count),
                     std::to_string(set.stations.size() - static_cast<std::size_t>(net.kept.count)),
                     format("%.3f", net.kept.mean), format("%.3f", net.kept.median),
                     net.kept.std_dev ? format("%.3f", *net.kept.std_dev) : std::string()});
}

} // namespace

std::string summary(const Analysis& a) {
    std::string out = "Run folder: " + a.dir.string() + "\n";
    const Event& e = a.event;
    out += "Event: origin " + (e.origin ? iso_text(*e.origin) : std::string("unknown")) +
           ", latitude " + optional_number(e.latitude, "%.4f") + ", longitude " +
           optional_number(e.longitude, "%.4f") + ", depth " + optional_number(e.depth_km, "%.1f") +
           " km\n";
    out += "Result lines:";
    for (std::size_t f = 0; f < kResultFiles.size(); ++f)
        out += std::string(f ? "," : "") + " " + std::string(kResultFiles[f]) + " " +
               (a.run.file_found[f] ? std::to_string(a.run.lines_per_file[f]) : "absent");
    out += "\n\n" + local_section(a) + "\n" + energy_section(a) + "\n" + ramp_section(a);
    std::vector<std::string> notes = a.problems;
    for (const MagnitudeSet* set : {&a.ml, &a.me, &a.mw})
        notes.insert(notes.end(), set->notes.begin(), set->notes.end());
    if (!notes.empty()) {
        out += "\nLeft out:\n";
        for (const std::string& n : notes)
            out += "  " + n + "\n";
    }
    return out;
}

std::string station_magnitude_csv(const Analysis& a) {
    std::string out = "type,network,station,instrument,distance_km,distance_of,magnitude,"
                      "residual,status,amplitude_mm,channels\n";
    for (const MagnitudeSet* set : {&a.ml, &a.me, &a.mw}) {
        for (const StationMagnitude& s : set->stations) {
            const bool local = set->type == "ML";
            std::string channels;
            for (const ChannelMagnitude& c : s.channels)
                channels += (channels.empty() ? "" : " ") + c.channel;
            const std::string status =
                !set->network ? "station only" : (s.rejected ? "rejected" : "used");
            out += csv_field(set->type) + "," + csv_field(s.network) + "," + csv_field(s.station) +
                   "," + csv_field(s.group) + "," +
                   (s.distance_km ? format("%.3f", *s.distance_km) : "") + "," +
                   (local ? "hypocentral" : a.run.lines[s.row][Col::distance_of]) + "," +
                   format("%.3f", s.magnitude) + "," +
                   (set->network ? format("%.3f", s.residual) : "") + "," + status + "," +
                   (local ? format("%.6g", s.amplitude_mm) : "") + "," + csv_field(channels) + "\n";
        }
    }
    return out;
}

std::string event_csv(const Analysis& a) {
    std::string header = "origin_time,latitude_deg,longitude_deg,depth_km";
    const Event& e = a.event;
    std::string row = (e.origin ? iso_text(*e.origin) : "") + "," +
                      (e.latitude ? format("%.4f", *e.latitude) : "") + "," +
                      (e.longitude ? format("%.4f", *e.longitude) : "") + "," +
                      (e.depth_km ? format("%.3f", *e.depth_km) : "");
    add_network_columns(header, row, a.ml);
    add_network_columns(header, row, a.me);
    header += ",Mw_ramp_stations,ml_relation,ml_station,ml_a,ml_b,ml_c_mm";
    const AnalyserForm form = analyser_form(a.options.relation);
    add_fields(row, {std::to_string(a.mw.stations.size()), csv_field(a.options.relation.name()),
                     a.options.larger ? "larger" : "mean", format("%.6g", form.a),
                     format("%.6g", form.b), format("%.6g", form.c_mm)});
    return header + "\n" + row + "\n";
}

} // namespace tw::mag
