// RESP files: one channel after another, each a run of "BbbbFff label: value" lines (blockette
// bbb, field ff) and comment lines starting with "#".
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands/meta/document_reader.hpp"

namespace tw::meta {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> tokens(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        const std::size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])))
            ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

std::optional<double> number(std::string_view text) {
    const std::string s(trim(text));
    if (s.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

// A count or stage number; values beyond a million are no count.
int whole(const std::optional<double>& v, int fallback) {
    if (!v || !(*v > -1e6 && *v < 1e6)) return fallback;
    return static_cast<int>(*v);
}

// "BbbbFff" or "BbbbFff-gg" at the start of a line: the blockette and first field numbers.
bool key_of(std::string_view key, int& blockette, int& field) {
    if (key.size() < 7 || key[0] != 'B' || key[4] != 'F') return false;
    for (const std::size_t i : {1u, 2u, 3u, 5u, 6u})
        if (!std::isdigit(static_cast<unsigned char>(key[i]))) return false;
    blockette = (key[1] - '0') * 100 + (key[2] - '0') * 10 + (key[3] - '0');
    field = (key[5] - '0') * 10 + (key[6] - '0');
    return true;
}

// The unit name of "M/S - Velocity in Meters Per Second".
std::string unit_name(std::string_view value) {
    const std::size_t dash = value.find(" - ");
    return std::string(trim(value.substr(0, dash)));
}

class RespReader {
  public:
    RespReader(const std::string& name, Inventory& inventory)
        : name_(name), inventory_(inventory) {}

    // False with `error` set for a line that is no RESP line.
    bool line(std::string_view text, int number, std::string& error) {
        line_ = number;
        const std::string_view t = trim(text);
        if (t.empty() || t.front() == '#') return true;
        const auto parts = tokens(t);
        int blockette = 0, field = 0;
        if (!key_of(parts[0], blockette, field)) {
            error = name_ + ":" + std::to_string(number) + ": not a RESP line";
            return false;
        }
        const std::size_t colon = t.find(':');
        const std::string_view value =
            colon == std::string_view::npos ? std::string_view() : trim(t.substr(colon + 1));
        field_line(blockette, field, parts, value);
        return true;
    }

    void finish() {
        if (current_) close_channel();
    }

  private:
    ChannelEpoch& channel() {
        if (!current_) {
            current_ = ChannelEpoch{};
            current_->origin = {name_, line_};
            current_->from_resp = true;
        }
        return *current_;
    }

    void close_channel() {
        ChannelEpoch& c = *current_;
        // The overall sensitivity is in the input units of the first stage.
        if (c.sensitivity) {
            const Stage* first = nullptr;
            for (const Stage& s : c.stages)
                if (!s.input_units.empty() && (first == nullptr || s.number < first->number))
                    first = &s;
            if (first != nullptr) c.sensitivity->input_units = first->input_units;
        }
        for (std::size_t i = 0; i < c.stages.size(); ++i) {
            const Stage& s = c.stages[i];
            if (s.kind != Stage::Kind::laplace_radians && s.kind != Stage::Kind::laplace_hertz)
                continue;
            if (static_cast<int>(s.pz.zeros.size()) != zeros_announced_[i] ||
                static_cast<int>(s.pz.poles.size()) != poles_announced_[i])
                c.faults.push_back("stage " + std::to_string(s.number) +
                                   ": the numbers of poles and zeros differ from those announced");
        }
        inventory_.channels.push_back(std::move(c));
        current_.reset();
        zeros_announced_.clear();
        poles_announced_.clear();
    }

    void fault(const std::string& what) {
        channel().faults.push_back(what + " in line " + std::to_string(line_));
    }

    std::optional<double> value_number(std::string_view value, const char* what) {
        const auto parts = tokens(value);
        const auto v = parts.empty() ? std::nullopt : number(parts[0]);
        if (!v) fault(std::string("malformed ") + what);
        return v;
    }

    Stage& new_stage(Stage::Kind kind) {
        ChannelEpoch& c = channel();
        c.has_response = true;
        c.stages.push_back(Stage{});
        c.stages.back().kind = kind;
        zeros_announced_.push_back(0);
        poles_announced_.push_back(0);
        return c.stages.back();
    }

    Stage* last_stage() {
        ChannelEpoch& c = channel();
        return c.stages.empty() ? nullptr : &c.stages.back();
    }

    // The stage with that number, made when there is none (a gain without a transfer function).
    Stage& stage_numbered(int number) {
        ChannelEpoch& c = channel();
        for (Stage& s : c.stages)
            if (s.number == number) return s;
        Stage& s = new_stage(Stage::Kind::gain_only);
        s.number = number;
        return s;
    }

    void station_fields(int blockette, int field, std::string_view value) {
        if (blockette == 50 && field == 3) {
            if (current_) close_channel();
            channel().station = std::string(value);
        } else if (blockette == 50 && field == 16) {
            channel().network = std::string(value);
        } else if (blockette == 52 && field == 3) {
            channel().location = value == "??" ? std::string() : std::string(value);
        } else if (blockette == 52 && field == 4) {
            channel().channel = std::string(value);
        } else if (blockette == 52 && (field == 22 || field == 23)) {
            if (field == 23 && value.find("No Ending") != std::string_view::npos) return;
            const auto t = parse_resp_time(value);
            if (!t) fault(field == 22 ? "malformed start date" : "malformed end date");
            (field == 22 ? channel().start : channel().end) = t;
        }
    }

    void pole_zero_fields(int field, const std::vector<std::string_view>& parts,
                          std::string_view value) {
        if (field == 3) {
            const char type = value.empty() ? ' ' : value.front();
            new_stage(type == 'A'   ? Stage::Kind::laplace_radians
                      : type == 'B' ? Stage::Kind::laplace_hertz
                      : type == 'D' ? Stage::Kind::digital
                                    : Stage::Kind::unknown);
            return;
        }
        Stage* s = last_stage();
        if (s == nullptr) return fault("poles and zeros before their transfer function type");
        const std::size_t index = static_cast<std::size_t>(s - channel().stages.data());
        switch (field) {
        case 4:
            s->number = whole(value_number(value, "stage number"), 0);
            break;
        case 5:
            s->input_units = unit_name(value);
            break;
        case 6:
            s->output_units = unit_name(value);
            break;
        case 7:
            s->a0 = value_number(value, "normalisation factor");
            break;
        case 9:
            zeros_announced_[index] = whole(value_number(value, "count"), 0);
            break;
        case 14:
            poles_announced_[index] = whole(value_number(value, "count"), 0);
            break;
        case 10:
        case 15: {
            // "i  real  imag  real_error  imag_error"
            const auto re = parts.size() > 3 ? number(parts[2]) : std::nullopt;
            const auto im = parts.size() > 3 ? number(parts[3]) : std::nullopt;
            if (!re || !im) return fault(field == 10 ? "malformed zero" : "malformed pole");
            (field == 10 ? s->pz.zeros : s->pz.poles).emplace_back(*re, *im);
            break;
        }
        default:
            break;
        }
    }

    void field_line(int blockette, int field, const std::vector<std::string_view>& parts,
                    std::string_view value) {
        switch (blockette) {
        case 50:
        case 52:
            station_fields(blockette, field, value);
            break;
        case 53:
            pole_zero_fields(field, parts, value);
            break;
        case 54:
            coefficient_fields(field, value);
            break;
        case 55:
        case 56:
        case 61:
        case 62:
            if (field == 3) {
                new_stage(blockette == 61   ? Stage::Kind::digital
                          : blockette == 62 ? Stage::Kind::polynomial
                                            : Stage::Kind::response_list);
            } else if (Stage* s = last_stage(); s != nullptr && field == 4) {
                s->number = whole(value_number(value, "stage number"), 0);
            }
            break;
        case 58:
            gain_fields(field, value);
            break;
        case 60:
            fault("response given through dictionary references (blockette 60), not read");
            break;
        default:
            break;
        }
    }

    // Coefficients; a stage without numerators and denominators is a plain gain.
    void coefficient_fields(int field, std::string_view value) {
        if (field == 3) {
            new_stage(!value.empty() && value.front() == 'D' ? Stage::Kind::digital
                                                             : Stage::Kind::unknown);
            numerators_ = 0;
            return;
        }
        Stage* s = last_stage();
        if (s == nullptr) return;
        if (field == 4) {
            s->number = whole(value_number(value, "stage number"), 0);
        } else if (field == 5) {
            s->input_units = unit_name(value);
        } else if (field == 6) {
            s->output_units = unit_name(value);
        } else if (field == 7) {
            numerators_ = whole(value_number(value, "count"), 0);
        } else if (field == 10) {
            const int denominators = whole(value_number(value, "count"), 0);
            if (numerators_ == 0 && denominators == 0) s->kind = Stage::Kind::gain_only;
        }
    }

    void gain_fields(int field, std::string_view value) {
        if (field == 3) {
            gain_stage_ = whole(value_number(value, "stage number"), -1);
            return;
        }
        if (field != 4 && field != 5) return;
        const auto v = value_number(value, field == 4 ? "gain" : "gain frequency");
        if (gain_stage_ == 0) {
            ChannelEpoch& c = channel();
            c.has_response = true;
            if (!c.sensitivity) c.sensitivity = OverallSensitivity{};
            (field == 4 ? c.sensitivity->value : c.sensitivity->frequency) = v;
        } else if (gain_stage_ > 0) {
            Stage& s = stage_numbered(gain_stage_);
            (field == 4 ? s.gain : s.gain_hz) = v;
        }
    }

    const std::string& name_;
    Inventory& inventory_;
    std::optional<ChannelEpoch> current_;
    std::vector<int> zeros_announced_, poles_announced_; // per stage of the current channel
    int gain_stage_ = -1;
    int numerators_ = 0;
    int line_ = 0;
};

} // namespace

bool read_resp(const std::string& name, std::string_view bytes, Inventory& inventory,
               std::string& error) {
    Inventory read;
    RespReader reader(name, read);
    int number = 0;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view text = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!reader.line(text, ++number, error)) return false;
    }
    reader.finish();
    for (auto& c : read.channels)
        inventory.channels.push_back(std::move(c));
    return true;
}

} // namespace tw::meta
