// FDSN StationXML through pugixml. Elements are matched by their local name, so a document that
// binds the namespace to a prefix reads like one that makes it the default.
#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "commands/meta/document_reader.hpp"

namespace tw::meta {

namespace {

std::string_view local_name(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon != nullptr ? std::string_view(colon + 1) : std::string_view(name);
}

pugi::xml_node child(pugi::xml_node node, std::string_view name) {
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_element && local_name(c.name()) == name) return c;
    return {};
}

template <typename F> void each_child(pugi::xml_node node, std::string_view name, F&& f) {
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_element && local_name(c.name()) == name) f(c);
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::strchr(" \t\r\n", s.front()) != nullptr)
        s.remove_prefix(1);
    while (!s.empty() && std::strchr(" \t\r\n", s.back()) != nullptr)
        s.remove_suffix(1);
    return s;
}

// Line numbers of byte offsets in the document.
class Lines {
  public:
    explicit Lines(std::string_view bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\n') breaks_.push_back(i);
    }
    int at(std::ptrdiff_t offset) const {
        if (offset < 0) return 0;
        const auto it =
            std::lower_bound(breaks_.begin(), breaks_.end(), static_cast<std::size_t>(offset));
        return static_cast<int>(it - breaks_.begin()) + 1;
    }

  private:
    std::vector<std::size_t> breaks_;
};

// Reads one document, collecting the faults of the channel being read.
class Reader {
  public:
    Reader(const std::string& name, const Lines& lines, Inventory& inventory)
        : name_(name), lines_(lines), inventory_(inventory) {}

    void network(pugi::xml_node net) {
        const std::string code(trim(net.attribute("code").value()));
        each_child(net, "Station", [&](pugi::xml_node sta) { station(code, sta); });
    }

  private:
    int line(pugi::xml_node node) const { return lines_.at(node.offset_debug()); }

    // The number in an element's text; a missing element gives nothing, a malformed one a fault.
    std::optional<double> number(pugi::xml_node parent, std::string_view name,
                                 std::vector<std::string>* faults) {
        const pugi::xml_node node = child(parent, name);
        if (!node) return std::nullopt;
        const std::string text(trim(node.child_value()));
        char* end = nullptr;
        const double v = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
        if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(v)) {
            if (faults != nullptr)
                faults->push_back("malformed " + std::string(name) + " \"" + text.substr(0, 40) +
                                  "\" in line " + std::to_string(line(node)));
            return std::nullopt;
        }
        return v;
    }

    std::optional<Instant> date(pugi::xml_node node, const char* attribute,
                                std::vector<std::string>* faults) {
        const pugi::xml_attribute a = node.attribute(attribute);
        if (!a) return std::nullopt;
        const auto t = parse_iso_time(a.value());
        if (!t && faults != nullptr)
            faults->push_back(std::string("malformed ") + attribute + " \"" +
                              std::string(a.value()).substr(0, 40) + "\" in line " +
                              std::to_string(line(node)));
        return t;
    }

    std::string units(pugi::xml_node parent, const char* which) {
        return std::string(trim(child(child(parent, which), "Name").child_value()));
    }

    void station(const std::string& network, pugi::xml_node sta) {
        StationEpoch s;
        s.origin = {name_, line(sta)};
        s.network = network;
        s.station = std::string(trim(sta.attribute("code").value()));
        s.start = date(sta, "startDate", nullptr);
        s.end = date(sta, "endDate", nullptr);
        s.latitude = number(sta, "Latitude", nullptr);
        s.longitude = number(sta, "Longitude", nullptr);
        s.elevation = number(sta, "Elevation", nullptr);
        inventory_.stations.push_back(s);
        each_child(sta, "Channel", [&](pugi::xml_node cha) { channel(s, cha); });
    }

    void channel(const StationEpoch& s, pugi::xml_node cha) {
        ChannelEpoch c;
        c.origin = {name_, line(cha)};
        c.network = s.network;
        c.station = s.station;
        c.location = std::string(trim(cha.attribute("locationCode").value()));
        c.channel = std::string(trim(cha.attribute("code").value()));
        c.start = date(cha, "startDate", &c.faults);
        c.end = date(cha, "endDate", &c.faults);
        c.latitude = number(cha, "Latitude", &c.faults);
        c.longitude = number(cha, "Longitude", &c.faults);
        c.elevation = number(cha, "Elevation", &c.faults);
        c.azimuth = number(cha, "Azimuth", &c.faults);
        c.dip = number(cha, "Dip", &c.faults);
        if (const pugi::xml_node response = child(cha, "Response")) read_response(response, c);
        inventory_.channels.push_back(std::move(c));
    }

    void read_response(pugi::xml_node response, ChannelEpoch& c) {
        if (const pugi::xml_node sens = child(response, "InstrumentSensitivity")) {
            OverallSensitivity o;
            o.value = number(sens, "Value", &c.faults);
            o.frequency = number(sens, "Frequency", &c.faults);
            o.input_units = units(sens, "InputUnits");
            c.sensitivity = o;
            c.has_response = true;
        }
        if (child(response, "InstrumentPolynomial")) {
            c.polynomial_response = true;
            c.has_response = true;
        }
        each_child(response, "Stage", [&](pugi::xml_node stage) {
            c.stages.push_back(read_stage(stage, c.faults));
            c.has_response = true;
        });
    }

    Stage read_stage(pugi::xml_node node, std::vector<std::string>& faults) {
        Stage st;
        st.number = node.attribute("number").as_int();
        if (const pugi::xml_node gain = child(node, "StageGain")) {
            st.gain = number(gain, "Value", &faults);
            st.gain_hz = number(gain, "Frequency", &faults);
        }
        if (const pugi::xml_node pz = child(node, "PolesZeros")) {
            const std::string type(trim(child(pz, "PzTransferFunctionType").child_value()));
            if (type == "LAPLACE (RADIANS/SECOND)")
                st.kind = Stage::Kind::laplace_radians;
            else if (type == "LAPLACE (HERTZ)")
                st.kind = Stage::Kind::laplace_hertz;
            else if (type == "DIGITAL (Z-TRANSFORM)")
                st.kind = Stage::Kind::digital;
            else
                st.kind = Stage::Kind::unknown;
            st.input_units = units(pz, "InputUnits");
            st.output_units = units(pz, "OutputUnits");
            st.a0 = number(pz, "NormalizationFactor", &faults);
            auto complex_of = [&](pugi::xml_node v) {
                const auto re = number(v, "Real", &faults);
                const auto im = number(v, "Imaginary", &faults);
                if (!re || !im)
                    faults.push_back("pole or zero without a value in line " +
                                     std::to_string(line(v)));
                return Complex(re.value_or(0.0), im.value_or(0.0));
            };
            each_child(pz, "Zero", [&](pugi::xml_node z) { st.pz.zeros.push_back(complex_of(z)); });
            each_child(pz, "Pole", [&](pugi::xml_node p) { st.pz.poles.push_back(complex_of(p)); });
        } else if (const pugi::xml_node cf = child(node, "Coefficients")) {
            st.input_units = units(cf, "InputUnits");
            st.output_units = units(cf, "OutputUnits");
            const bool has_terms = child(cf, "Numerator") || child(cf, "Denominator");
            const std::string type(trim(child(cf, "CfTransferFunctionType").child_value()));
            if (!has_terms)
                st.kind = Stage::Kind::gain_only;
            else if (type == "DIGITAL")
                st.kind = Stage::Kind::digital;
            else
                st.kind = Stage::Kind::unknown;
        } else if (const pugi::xml_node fir = child(node, "FIR")) {
            st.kind = Stage::Kind::digital;
            st.input_units = units(fir, "InputUnits");
            st.output_units = units(fir, "OutputUnits");
        } else if (const pugi::xml_node list = child(node, "ResponseList")) {
            st.kind = Stage::Kind::response_list;
            st.input_units = units(list, "InputUnits");
            st.output_units = units(list, "OutputUnits");
        } else if (const pugi::xml_node poly = child(node, "Polynomial")) {
            st.kind = Stage::Kind::polynomial;
            st.input_units = units(poly, "InputUnits");
            st.output_units = units(poly, "OutputUnits");
        }
        return st;
    }

    const std::string& name_;
    const Lines& lines_;
    Inventory& inventory_;
};

} // namespace

bool read_stationxml(const std::string& name, std::string_view bytes, Inventory& inventory,
                     std::string& error) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
    const Lines lines(bytes);
    if (!parsed) {
        error = name + ":" + std::to_string(std::max(1, lines.at(parsed.offset))) +
                ": malformed XML (" + parsed.description() + ")";
        return false;
    }
    const pugi::xml_node root = doc.document_element();
    const int root_line = std::max(1, lines.at(root.offset_debug()));
    if (local_name(root.name()) != "FDSNStationXML") {
        error = name + ":" + std::to_string(root_line) + ": not StationXML (root element <" +
                std::string(root.name()).substr(0, 60) + ">)";
        return false;
    }
    const std::string version(trim(root.attribute("schemaVersion").value()));
    if (!version.empty() && version != "1" && version.rfind("1.", 0) != 0) {
        error = name + ":" + std::to_string(root_line) + ": StationXML version " +
                version.substr(0, 20) + " is not supported (1.0 to 1.2 are)";
        return false;
    }
    Reader reader(name, lines, inventory);
    each_child(root, "Network", [&](pugi::xml_node net) { reader.network(net); });
    return true;
}

} // namespace tw::meta
