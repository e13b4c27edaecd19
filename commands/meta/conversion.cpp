#include "commands/meta/conversion.hpp"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <limits>
#include <numbers>

#include "commands/meta/station_columns.hpp"
#include "dsp/responses.hpp"
#include "records/records.hpp"
#include "time/int_time.hpp"

namespace tw::meta {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kSingleTolerance = 1e-3; // the response as read back, relative
constexpr double kStageTolerance = 0.01;  // stage gains against the overall sensitivity
// The station files' validity periods lie between these years: tesk_wave takes no date outside.
constexpr int kOpenEndYear = kLastYear;
constexpr int kEarliestYear = kFirstYear;

std::string number_text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

bool is_laplace(const Stage& s) {
    return s.kind == Stage::Kind::laplace_radians || s.kind == Stage::Kind::laplace_hertz;
}

// Azimuth and dip from the last letter of a channel code, for documents without them.
bool orientation_from_code(const std::string& code, double& azimuth, double& dip) {
    const char c = code.empty() ? ' ' : code.back();
    azimuth = c == 'E' ? 90.0 : 0.0;
    dip = c == 'Z' ? -90.0 : 0.0;
    return c == 'Z' || c == 'N' || c == 'E';
}

// The sensor's transfer function: every Laplace stage in rad/s, one after the other, with the
// product of their normalisation factors.
struct Chain {
    PoleZero pz;
    double a0 = 1.0;
    bool any = false;
    bool missing_a0 = false;
};

Chain laplace_chain(const ChannelEpoch& c) {
    Chain chain;
    for (const Stage& s : c.stages) {
        if (!is_laplace(s)) continue;
        chain.any = true;
        const PoleZero rad = s.kind == Stage::Kind::laplace_hertz ? hertz_to_radians(s.pz) : s.pz;
        const double factor =
            s.kind == Stage::Kind::laplace_hertz ? hertz_to_radians_factor(s.pz) : 1.0;
        chain.pz.zeros.insert(chain.pz.zeros.end(), rad.zeros.begin(), rad.zeros.end());
        chain.pz.poles.insert(chain.pz.poles.end(), rad.poles.begin(), rad.poles.end());
        if (!s.a0) chain.missing_a0 = true;
        chain.a0 *= s.a0.value_or(1.0) * factor;
    }
    return chain;
}

// The values the response file will hold.
PoleZero written_pole_zero(const PoleZero& pz) {
    PoleZero w;
    for (const auto& z : pz.zeros)
        w.zeros.emplace_back(as_written(pole_text(z.real())), as_written(pole_text(z.imag())));
    for (const auto& p : pz.poles)
        w.poles.emplace_back(as_written(pole_text(p.real())), as_written(pole_text(p.imag())));
    return w;
}

// |response| at f as tesk_wave evaluates the entry once read (single precision, rad/s).
double single_precision_amplitude(const PoleZero& pz, double gain, Motion motion, double f) {
    InstrumentResponse r;
    r.unit_code = static_cast<int>(motion);
    r.gs = static_cast<float>(gain);
    r.np = static_cast<int>(pz.poles.size());
    r.nz = static_cast<int>(pz.zeros.size());
    std::size_t i = 0;
    for (const auto& p : pz.poles)
        r.poles[i++] = {static_cast<float>(p.real()), static_cast<float>(p.imag())};
    for (const auto& z : pz.zeros)
        r.poles[i++] = {static_cast<float>(z.real()), static_cast<float>(z.imag())};
    cfloat value{};
    float w = static_cast<float>(kTwoPi * f);
    response(r, value, w, kAsStored);
    return std::abs(std::complex<double>(value.real(), value.imag()));
}

struct Overall {
    double value = 0.0, hz = 0.0;
    std::string units;
    bool from_stages = false;
};

// The overall sensitivity: as stated, or the product of the stage gains.
bool overall_sensitivity(const ChannelEpoch& c, Overall& o, std::vector<std::string>& reasons) {
    if (c.sensitivity && c.sensitivity->value && c.sensitivity->frequency) {
        o.value = *c.sensitivity->value;
        o.hz = *c.sensitivity->frequency;
        o.units = c.sensitivity->input_units;
    } else {
        if (c.stages.empty()) {
            reasons.push_back("no overall sensitivity");
            return false;
        }
        o.from_stages = true;
        o.value = 1.0;
        for (const Stage& s : c.stages) {
            if (!s.gain) {
                reasons.push_back("no overall sensitivity, and stage " + std::to_string(s.number) +
                                  " has no gain");
                return false;
            }
            o.value *= *s.gain;
        }
        o.hz = 1.0;
        for (const Stage& s : c.stages)
            if (is_laplace(s) && s.gain_hz) {
                o.hz = *s.gain_hz;
                break;
            }
    }
    if (o.units.empty())
        for (const Stage& s : c.stages)
            if (!s.input_units.empty()) {
                o.units = s.input_units;
                break;
            }
    if (o.value == 0.0) reasons.push_back("overall sensitivity is 0");
    if (!(o.hz >= 0.0)) reasons.push_back("sensitivity frequency below 0");
    return reasons.empty();
}

} // namespace

bool valid_position(const std::optional<double>& latitude, const std::optional<double>& longitude,
                    const std::optional<double>& elevation) {
    return latitude && longitude && std::abs(*latitude) <= 90.0 && *longitude >= -180.0 &&
           *longitude <= 360.0 && elevation.value_or(0.0) > -9999.0 &&
           elevation.value_or(0.0) < 99999.0;
}

namespace {

// Codes go into fixed columns: letters and digits only.
bool plain_code(const std::string& code) {
    return std::all_of(code.begin(), code.end(), [](char ch) {
        return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9');
    });
}

void check_codes_and_period(const ChannelEpoch& c, std::vector<std::string>& reasons) {
    if (!plain_code(c.network) || !plain_code(c.station) || !plain_code(c.channel))
        reasons.push_back("a code holds characters other than letters and digits");
    if (c.channel.size() != 3) reasons.push_back("channel code is not 3 characters");
    if (c.station.empty()) reasons.push_back("no station code");
    if (c.station.size() > 5) reasons.push_back("station code longer than 5 characters");
    if (!c.start) {
        reasons.push_back("no start date");
    } else {
        if (year_of(*c.start) > kOpenEndYear) reasons.push_back("starts after 2599");
        if (c.end && year_of(*c.end) < kEarliestYear) reasons.push_back("ends before 1900");
        if (c.end && *c.end <= *c.start) reasons.push_back("ends before it begins");
    }
    if (!c.from_resp && (!c.latitude || !c.longitude)) reasons.push_back("no coordinates");
    if (!c.from_resp && c.latitude && c.longitude &&
        !valid_position(c.latitude, c.longitude, c.elevation))
        reasons.push_back("coordinates out of range");
    if (c.dip && std::abs(*c.dip) > 90.0) reasons.push_back("dip outside -90 to 90");
}

void check_response_kind(const ChannelEpoch& c, std::vector<std::string>& reasons) {
    if (!c.has_response) {
        reasons.push_back("no response");
        return;
    }
    if (c.polynomial_response) reasons.push_back("polynomial response");
    for (const Stage& s : c.stages) {
        const std::string stage = "stage " + std::to_string(s.number) + ": ";
        if (s.kind == Stage::Kind::polynomial)
            reasons.push_back(stage + "polynomial response");
        else if (s.kind == Stage::Kind::response_list)
            reasons.push_back(stage + "response given as a list of values");
        else if (s.kind == Stage::Kind::unknown)
            reasons.push_back(stage + "transfer function of a kind tesk_meta does not read");
    }
}

// A note when the normalisation factor and the stage gains disagree with the overall
// sensitivity by more than kStageTolerance (often a factor normalised at another frequency).
void compare_with_stage_gains(const ChannelEpoch& c, const Chain& chain, double gain, double metres,
                              std::vector<std::string>& notes) {
    if (!chain.any || chain.missing_a0) return;
    double stages = chain.a0 / metres;
    for (const Stage& s : c.stages) {
        if (!s.gain) return;
        stages *= *s.gain;
    }
    if (std::abs(stages / gain - 1.0) > kStageTolerance)
        notes.push_back("normalisation factor and stage gains give a gain " +
                        number_text(100.0 * (stages / gain - 1.0)) +
                        " % off the overall sensitivity, which is used");
}

// Codes, period, position and orientation of the entry.
void identity_and_orientation(const ChannelEpoch& c, StationEntry& e,
                              std::vector<std::string>& notes) {
    e.origin = c.origin;
    e.network = c.network;
    e.station = c.station;
    e.location = c.location;
    e.channel = c.channel;
    e.start = *c.start;
    if (year_of(e.start) < kEarliestYear) {
        // No record before 1900 is read, so the epoch's earlier part holds nothing to measure.
        e.start = *instant_of(kEarliestYear, 1, 1, 0, 0, 0.0);
        notes.push_back("starts before 1900: written from 1900-01-01, the earliest date a data "
                        "record may carry");
    }
    e.latitude = c.latitude;
    e.longitude = c.longitude;
    e.elevation = c.elevation;
    if (c.end && year_of(*c.end) < kOpenEndYear) e.end = c.end;
    if (c.azimuth && c.dip) {
        e.azimuth = std::fmod(*c.azimuth, 360.0);
        if (e.azimuth < 0.0) e.azimuth += 360.0;
        e.dip = *c.dip;
    } else if (!orientation_from_code(c.channel, e.azimuth, e.dip)) {
        notes.push_back("no azimuth and dip, and the channel code does not tell them: 0 used");
    } else if (!c.from_resp) {
        notes.push_back("no azimuth and dip: taken from the channel code");
    }
}

} // namespace

Conversion convert(const ChannelEpoch& c) {
    Conversion out;
    std::vector<std::string>& reasons = out.reasons;
    reasons = c.faults;
    check_codes_and_period(c, reasons);
    check_response_kind(c, reasons);
    if (!reasons.empty()) return out;

    const Chain chain = laplace_chain(c);
    Overall overall;
    if (!overall_sensitivity(c, overall, reasons)) return out;
    const auto unit = ground_unit(overall.units);
    if (!unit) {
        reasons.push_back("input unit \"" + overall.units + "\" is no ground motion");
        return out;
    }

    PoleZero pz = chain.pz;
    if (chain.any) {
        // The poles and zeros describe the response to the sensor stage's own input; turn it
        // into one to the unit of the overall sensitivity.
        for (const Stage& s : c.stages) {
            if (!is_laplace(s)) continue;
            if (const auto stage_unit = ground_unit(s.input_units))
                multiply_by_iw(pz, motion_power(stage_unit->motion, unit->motion));
            break;
        }
    } else {
        out.notes.push_back("no poles and zeros: the response is the flat overall sensitivity");
    }
    if (static_cast<int>(pz.poles.size() + pz.zeros.size()) > kMaxEntryPolesZeros) {
        reasons.push_back(std::to_string(pz.poles.size() + pz.zeros.size()) +
                          " poles and zeros, more than the " + std::to_string(kMaxEntryPolesZeros) +
                          " an entry holds");
        return out;
    }

    StationEntry e;
    e.pz = written_pole_zero(pz);
    e.motion = unit->motion;
    e.sensitivity_hz = overall.hz;
    // Counts per metre (m/s, m/s^2) from counts per the document's unit (nm/s, ...).
    const double sensitivity = overall.value / unit->metres;
    const double shape = std::abs(e.pz.at(overall.hz));
    if (!(shape > 0.0) || !std::isfinite(shape)) {
        reasons.push_back("the poles and zeros give no response at the sensitivity frequency " +
                          number_text(overall.hz) + " Hz");
        return out;
    }
    double gain = sensitivity / shape;
    if (overall.from_stages) {
        gain = chain.a0 * overall.value / unit->metres;
        if (chain.missing_a0) out.notes.push_back("a stage without normalisation factor: 1 used");
        out.notes.push_back("no overall sensitivity: the product of the stage gains is used");
    } else {
        compare_with_stage_gains(c, chain, gain, unit->metres, out.notes);
    }
    e.gain = meta::as_written(gain_text(gain));
    e.sensitivity = meta::as_written(sensitivity_text(e.gain * shape));
    if (!(std::abs(e.gain) < std::numeric_limits<float>::max()) ||
        !(std::abs(e.gain) > std::numeric_limits<float>::min())) {
        reasons.push_back("gain constant " + number_text(e.gain) +
                          " beyond single precision (poles and zeros in Hz given as rad/s?)");
        return out;
    }
    const double single = single_precision_amplitude(e.pz, e.gain, e.motion, overall.hz);
    if (!(std::abs(single / std::abs(e.sensitivity) - 1.0) <= kSingleTolerance)) {
        reasons.push_back("the response cannot be evaluated in single precision");
        return out;
    }
    e.band = passband(e.pz, overall.hz);

    identity_and_orientation(c, e, out.notes);
    out.entry = e;
    return out;
}

} // namespace tw::meta
