#include "commands/mag/quakeml.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "commands/mag/xml_writer.hpp"

namespace tw::mag {

namespace {

bool alnum(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}
bool authority_char(char c) {
    return alnum(c) || std::string_view("-.*()_~'").find(c) != std::string_view::npos;
}
bool path_char(char c) {
    return authority_char(c) || std::string_view("+?=,;#/&").find(c) != std::string_view::npos;
}

std::string number(double v, const char* format = "%.6g") {
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string magnitude_text(double v) {
    return number(v, "%.3f");
}

// Seconds between two instants.
double seconds_between(const int_time& later, const int_time& earlier) {
    return tdiff(later, earlier) / 1.0e6;
}

class QuakemlBuilder {
  public:
    QuakemlBuilder(const Analysis& a, std::string prefix) : a_(a), prefix_(std::move(prefix)) {
        const ext_time o = int_to_ext(*a.event.origin);
        char key[64];
        std::snprintf(key, sizeof key, "%04d%02d%02dT%02d%02d%02d.%06d", o.year, o.month, o.day,
                      o.hour, o.minute, o.second, o.usec);
        key_ = key;
    }

    std::string build() {
        xml_.open("q:quakeml", {{"xmlns:q", "http://quakeml.org/xmlns/quakeml/1.2"},
                                {"xmlns", "http://quakeml.org/xmlns/bed/1.2"}});
        xml_.open("eventParameters", {{"publicID", id("eventParameters")}});
        xml_.open("event", {{"publicID", id("event")}});
        xml_.leaf("preferredOriginID", id("origin"));
        if (a_.ml.network)
            xml_.leaf("preferredMagnitudeID", id("magnitude/ML"));
        else if (a_.me.network)
            xml_.leaf("preferredMagnitudeID", id("magnitude/Me"));
        origin();
        line_amplitudes();
        local_magnitude();
        energy_magnitude();
        xml_.close();
        xml_.close();
        xml_.close();
        return xml_.str();
    }

  private:
    std::string id(const std::string& path) const { return prefix_ + "/" + path + "/" + key_; }

    static std::string stream(const std::string& net, const std::string& sta,
                              const std::string& cha) {
        return id_part(net + "." + sta + ".." + cha);
    }

    void waveform(const std::string& net, const std::string& sta, const std::string& cha) {
        XmlWriter::Attributes at = {{"networkCode", net.substr(0, 8)},
                                    {"stationCode", sta.substr(0, 8)}};
        if (!cha.empty()) at.push_back({"channelCode", cha.substr(0, 8)});
        xml_.empty("waveformID", at);
    }

    void quantity(const char* name, const std::string& value,
                  std::optional<double> uncertainty = std::nullopt) {
        xml_.open(name);
        xml_.leaf("value", value);
        if (uncertainty) xml_.leaf("uncertainty", number(*uncertainty));
        xml_.close();
    }

    void comment(const std::string& text) {
        xml_.open("comment");
        xml_.leaf("text", text);
        xml_.close();
    }

    void time_window(double begin, double end, const std::string& reference) {
        xml_.open("timeWindow");
        xml_.leaf("begin", number(begin));
        xml_.leaf("end", number(end));
        xml_.leaf("reference", reference);
        xml_.close();
    }

    void origin() {
        xml_.open("origin", {{"publicID", id("origin")}});
        quantity("time", iso_text(*a_.event.origin));
        quantity("latitude", number(*a_.event.latitude, "%.5f"));
        quantity("longitude", number(*a_.event.longitude, "%.5f"));
        if (a_.event.depth_km) quantity("depth", number(*a_.event.depth_km * 1000.0, "%.1f"));
        xml_.close();
    }

    // One amplitude for each WAS, PGA, PGV and PGD line.
    void line_amplitudes() {
        std::map<std::string, int> seen;
        for (const ResultLine& row : a_.run.lines) {
            const std::string& kind = row[Col::measurement];
            const auto value = row.number(Col::value);
            if (!value) continue;
            std::string unit;
            double si = 0.0;
            if (kind == "WAS") {
                unit = "m"; // unit-magnification Wood-Anderson displacement
                si = *value / kAnalyserMagnification * 1.0e-3;
            } else if (kind == "PGA" || kind == "PGV" || kind == "PGD") {
                unit = kind == "PGA" ? "m/(s*s)" : kind == "PGV" ? "m/s" : "m";
                si = *value * 1.0e-3;
            } else {
                continue;
            }
            std::string name =
                stream(row[Col::network], row[Col::station], row[Col::channel]) + "." + kind;
            // a channel measured in two runs of the same folder: the later lines get a count
            if (const int n = ++seen[name]; n > 1) name += "." + std::to_string(n);
            xml_.open("amplitude", {{"publicID", id("amplitude/" + name)}});
            quantity("genericAmplitude", number(si));
            xml_.leaf("type", kind);
            xml_.leaf("category", "point");
            xml_.leaf("unit", unit);
            period(row);
            window(row);
            waveform(row[Col::network], row[Col::station], row[Col::channel]);
            if (kind == "WAS") xml_.leaf("magnitudeHint", "ML");
            xml_.close();
        }
    }

    void period(const ResultLine& row) {
        if (const auto p = row.number(Col::period_s); p && *p > 0.0) {
            quantity("period", row[Col::period_s]);
        } else if (const auto f = row.number(Col::frequency_hz); f && *f > 0.0) {
            quantity("period", number(1.0 / *f));
        }
    }

    // The window searched for the peak is the trace the save file holds; without one a ground
    // peak is given by its instant alone and a Wood-Anderson peak has no time.
    void window(const ResultLine& row) {
        const bool wood = row[Col::measurement] == "WAS";
        const TraceSpan* span =
            find_span(a_.spans, wood ? "wood" : "ground", row[Col::station], row[Col::channel]);
        if (wood) {
            const auto offset = row.number(Col::sample_offset);
            if (!span || !offset || *offset < 0 || *offset >= span->npts) return;
            const auto k = static_cast<long long>(*offset);
            time_window(static_cast<double>(k) / span->sample_rate,
                        static_cast<double>(span->npts - 1 - k) / span->sample_rate,
                        iso_text(span->sample_time(k)));
            return;
        }
        const std::string& reference = row[Col::time_utc];
        if (reference.empty()) return;
        double begin = 0.0, end = 0.0;
        if (span) {
            const int_time peak = peak_instant(row);
            const int_time last = span->sample_time(span->npts - 1);
            const double b = seconds_between(peak, span->start);
            const double e = seconds_between(last, peak);
            if (b >= 0.0 && e >= 0.0) {
                begin = b;
                end = e;
            }
        }
        time_window(begin, end, reference);
    }

    static int_time peak_instant(const ResultLine& row) {
        // "YYYY-MM-DDThh:mm:ss.ffffZ" as complete_rows and the readers write it
        const std::string& t = row[Col::time_utc];
        ext_time et;
        et.year = std::stoi(t.substr(0, 4));
        et.month = std::stoi(t.substr(5, 2));
        et.day = std::stoi(t.substr(8, 2));
        et.hour = std::stoi(t.substr(11, 2));
        et.minute = std::stoi(t.substr(14, 2));
        et.second = std::stoi(t.substr(17, 2));
        et.usec = std::stoi(t.substr(20, 4)) * 100;
        et.doy = DOY[et.month - 1] + et.day + (et.month > 2 && is_leap_year(et.year) ? 1 : 0);
        return ext_to_int(et);
    }

    std::string station_key(const StationMagnitude& s) const {
        return stream(s.network, s.station, s.group);
    }

    void local_magnitude() {
        const MagnitudeSet& set = a_.ml;
        const std::string method = prefix_ + "/method/ML/" + id_part(a_.options.relation.name());
        for (const StationMagnitude& s : set.stations) {
            const std::string amp_id = id("amplitude/" + station_key(s) + ".ML");
            xml_.open("amplitude", {{"publicID", amp_id}});
            quantity("genericAmplitude", number(s.amplitude_mm / kAnalyserMagnification * 1.0e-3));
            xml_.leaf("type", "ML");
            xml_.leaf("unit", "m");
            std::string from;
            for (const ChannelMagnitude& c : s.channels)
                from += (from.empty() ? "" : ", ") + c.channel;
            comment(std::string(a_.options.larger ? "larger" : "geometric mean") +
                    " of the unit-magnification Wood-Anderson amplitudes of " + from);
            waveform(s.network, s.station, s.group);
            xml_.leaf("magnitudeHint", "ML");
            xml_.close();

            xml_.open("stationMagnitude",
                      {{"publicID", id("stationMagnitude/" + station_key(s) + ".ML")}});
            xml_.leaf("originID", id("origin"));
            quantity("mag", magnitude_text(s.magnitude));
            xml_.leaf("type", "ML");
            xml_.leaf("amplitudeID", amp_id);
            xml_.leaf("methodID", method);
            waveform(s.network, s.station, s.group);
            if (s.distance_km)
                comment("hypocentral distance " + number(*s.distance_km, "%.3f") + " km; " +
                        a_.options.relation.formula());
            xml_.close();
        }
        network_magnitude(set, method);
    }

    void energy_magnitude() {
        const MagnitudeSet& set = a_.me;
        for (const StationMagnitude& s : set.stations) {
            xml_.open("stationMagnitude",
                      {{"publicID", id("stationMagnitude/" + station_key(s) + ".Me")}});
            xml_.leaf("originID", id("origin"));
            quantity("mag", a_.run.lines[s.row][Col::value]);
            xml_.leaf("type", "Me");
            waveform(s.network, s.station, s.group);
            comment("energy magnitude of the EMAG line, radiated energy " +
                    a_.run.lines[s.row][Col::energy_erg] + " erg");
            xml_.close();
        }
        network_magnitude(set, prefix_ + "/method/Me/energy");
    }

    void network_magnitude(const MagnitudeSet& set, const std::string& station_method) {
        if (!set.network) return;
        const NetworkMagnitude& net = *set.network;
        xml_.open("magnitude", {{"publicID", id("magnitude/" + set.type)}});
        quantity("mag", magnitude_text(net.value), net.kept.std_dev);
        xml_.leaf("type", set.type);
        xml_.leaf("originID", id("origin"));
        xml_.leaf("methodID", prefix_ + "/method/median-3-scaled-MAD");
        xml_.leaf("stationCount", std::to_string(net.kept.count));
        for (const StationMagnitude& s : set.stations) {
            xml_.open("stationMagnitudeContribution");
            xml_.leaf("stationMagnitudeID",
                      id("stationMagnitude/" + station_key(s) + "." + set.type));
            xml_.leaf("residual", magnitude_text(s.residual));
            xml_.leaf("weight", s.rejected ? "0" : "1");
            xml_.close();
        }
        int rejected = 0;
        for (const StationMagnitude& s : set.stations)
            rejected += s.rejected ? 1 : 0;
        comment("median of " + std::to_string(net.kept.count) + " station magnitudes (" +
                std::to_string(rejected) + " rejected further than " +
                number(net.reject_distance, "%.3f") + " from the median " +
                number(net.all_median, "%.3f") +
                " of all: 3 scaled median absolute deviations, the scaled deviation at least 0.1); "
                "mean " +
                number(net.kept.mean, "%.3f") + "; station magnitudes by " + station_method);
        xml_.close();
    }

    const Analysis& a_;
    std::string prefix_;
    std::string key_;
    XmlWriter xml_;
};

} // namespace

bool valid_resource_id(std::string_view id) {
    std::size_t i = 0;
    if (id.substr(0, 4) == "smi:")
        i = 4;
    else if (id.substr(0, 8) == "quakeml:")
        i = 8;
    else
        return false;
    if (i >= id.size() || !alnum(id[i])) return false;
    std::size_t authority = 1;
    ++i;
    while (i < id.size() && id[i] != '/' && authority_char(id[i])) {
        ++i;
        ++authority;
    }
    if (authority < 3 || i >= id.size() || id[i] != '/') return false;
    ++i;
    if (i >= id.size() || !authority_char(id[i])) return false;
    for (++i; i < id.size(); ++i)
        if (!path_char(id[i])) return false;
    return true;
}

bool valid_id_prefix(std::string_view prefix) {
    return valid_resource_id(std::string(prefix) + "/event/x");
}

std::string id_part(std::string_view text) {
    std::string out;
    for (char c : text)
        out += (alnum(c) || c == '-' || c == '.' || c == '_') ? c : '_';
    return out;
}

std::string quakeml_document(const Analysis& a, const std::string& prefix) {
    return QuakemlBuilder(a, prefix).build();
}

} // namespace tw::mag
