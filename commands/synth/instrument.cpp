#include "commands/synth/instrument.hpp"

#include <cmath>
#include <numbers>
#include <string>

#include "text/fields.hpp"
#include "text/format.hpp"

namespace tw::synth {
namespace {

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

Instrument instrument_of(const SensorDesign& design) {
    const auto written = [](std::complex<double> v) {
        return std::complex<double>{as_written(response_value_text(v.real())),
                                    as_written(response_value_text(v.imag()))};
    };
    const auto real_root = [](double frequency_hz) {
        return std::complex<double>{-2.0 * std::numbers::pi * frequency_hz, 0.0};
    };
    PoleZeroResponse bare;
    bare.gain = 1.0;
    bare.zeros = {{0.0, 0.0}, {0.0, 0.0}};
    const double natural_hz = 1.0 / design.natural_period;
    bare.poles = {pole_of(natural_hz, design.damping, 1.0),
                  pole_of(natural_hz, design.damping, -1.0),
                  pole_of(design.high_corner_hz, design.high_damping, 1.0),
                  pole_of(design.high_corner_hz, design.high_damping, -1.0)};
    for (double hz : design.extra_poles_hz)
        bare.poles.push_back(real_root(hz));
    if (design.lead_zero_hz > 0.0) {
        bare.zeros.push_back(real_root(design.lead_zero_hz));
        bare.poles.push_back(real_root(design.lead_pole_hz));
    }
    for (auto& z : bare.zeros)
        z = written(z);
    for (auto& p : bare.poles)
        p = written(p);

    const double a0 = 1.0 / std::abs(bare.at(2.0 * std::numbers::pi * kNormalisationHz));
    Instrument inst;
    inst.response = bare;
    inst.response.gain =
        as_written(response_gain_text(a0 * design.generator_constant * kCountsPerVolt));
    inst.sensitivity = as_written(
        sensitivity_text(std::abs(inst.response.at(2.0 * std::numbers::pi * kNormalisationHz))));
    inst.low_corner_hz = natural_hz;
    inst.high_corner_hz = design.high_corner_hz;
    return inst;
}

Instrument broadband_instrument() {
    return instrument_of(SensorDesign{});
}

SensorDesign station_sensor(int station_index, int component) {
    // Broadband, intermediate and short-period sensors in turn; a station eight places on has
    // the same kind of sensor, a few per cent longer.
    static constexpr double kPeriods[8] = {120.0, 2.0, 40.0, 10.0, 60.0, 5.0, 30.0, 20.0};
    static constexpr double kGenerators[5] = {1500.0, 750.0, 2000.0, 1200.0, 1000.0};
    // Z, N, E calibration.
    static constexpr double kCalibration[3] = {1.0, 0.985, 1.012};
    const int i = station_index;
    SensorDesign d;
    d.natural_period = kPeriods[i % 8] * (1.0 + 0.03 * (i / 8));
    d.damping = 0.62 + 0.02 * ((i * 5) % 9);
    d.high_corner_hz = 30.0 + 5.0 * ((i * 3) % 7);
    d.high_damping = 0.6 + 0.05 * ((i * 2) % 5);
    for (int k = 0; k < i % 3; ++k)
        d.extra_poles_hz.push_back(70.0 + 15.0 * ((i + 3 * k) % 4));
    if (i % 4 == 1) {
        d.lead_zero_hz = 6.0 + (i % 5);
        d.lead_pole_hz = 2.0 * d.lead_zero_hz;
    }
    d.generator_constant = kGenerators[i % 5] * kCalibration[component];
    return d;
}
} // namespace tw::synth
