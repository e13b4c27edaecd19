#include "commands/synth/instrument.hpp"

#include <cmath>
#include <numbers>
#include <string>

#include "text/fields.hpp"
#include "text/format.hpp"

namespace tw::synth {
namespace {

constexpr double kNaturalPeriod = 120.0; // s
constexpr double kDamping = 0.7071;
constexpr double kHighCorner = 40.0; // Hz
constexpr double kHighDamping = 0.7071;
constexpr double kGeneratorConstant = 1500.0;       // V per m/s
constexpr double kCountsPerVolt = 8388608.0 / 20.0; // 24 bits over +/-20 V
constexpr double kNormalisationHz = 1.0;

// The value as the file text gives it back.
double as_written(const std::string& text) {
    return read_double(text).value_or(0.0);
}

std::complex<double> pole_of(double frequency_hz, double damping, double sign) {
    const double w0 = 2.0 * std::numbers::pi * frequency_hz;
    return {-damping * w0, sign * w0 * std::sqrt(1.0 - damping * damping)};
}

} // namespace

std::complex<double> PoleZeroResponse::at(double omega) const {
    const std::complex<double> s(0.0, omega);
    std::complex<double> r(gain, 0.0);
    for (const auto& z : zeros)
        r *= (s - z);
    for (const auto& p : poles)
        r /= (s - p);
    return r;
}

std::string response_gain_text(double gain) {
    return format_e(gain, 15, 8);
}
std::string response_value_text(double value) {
    return format_e(value, 14, 6);
}
std::string sensitivity_text(double sensitivity) {
    return format_e(sensitivity, 12, 5);
}

Instrument broadband_instrument() {
    PoleZeroResponse bare;
    bare.gain = 1.0;
    bare.zeros = {{0.0, 0.0}, {0.0, 0.0}};
    bare.poles = {
        pole_of(1.0 / kNaturalPeriod, kDamping, 1.0), pole_of(1.0 / kNaturalPeriod, kDamping, -1.0),
        pole_of(kHighCorner, kHighDamping, 1.0), pole_of(kHighCorner, kHighDamping, -1.0)};
    for (auto& p : bare.poles)
        p = {as_written(response_value_text(p.real())), as_written(response_value_text(p.imag()))};

    const double a0 = 1.0 / std::abs(bare.at(2.0 * std::numbers::pi * kNormalisationHz));
    Instrument inst;
    inst.response = bare;
    inst.response.gain = as_written(response_gain_text(a0 * kGeneratorConstant * kCountsPerVolt));
    inst.sensitivity = as_written(
        sensitivity_text(std::abs(inst.response.at(2.0 * std::numbers::pi * kNormalisationHz))));
    inst.low_corner_hz = 1.0 / kNaturalPeriod;
    inst.high_corner_hz = kHighCorner;
    return inst;
}

} // namespace tw::synth
