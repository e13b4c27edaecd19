#pragma once
// The recording instruments of the synthetic channels: a velocity sensor and a 24-bit digitizer,
// described as one pole-zero response in counts per (m/s).
//
// The shared instrument of every channel by default is a broadband sensor: natural period 120 s
// with damping 0.7071 (the low-frequency pole pair), a second-order high-frequency roll-off at
// 40 Hz with damping 0.7071, two zeros at the origin, generator constant 1500 V/(m/s).
// Digitizer: 24 bits over +/-20 V, 2^23 / 20 = 419430.4 counts per volt. The poles and zeros are
// normalised at 1 Hz (|A0 * H0(2 pi i)| = 1), so the gain constant of the response file is
// A0 * G * 419430.4 and the sensitivity at 1 Hz is G * 419430.4 for generator constant G.
#include <complex>
#include <string>
#include <vector>

namespace tw::synth {

struct PoleZeroResponse {
    double gain = 0.0; // normalisation factor times sensor and digitizer gain
    std::vector<std::complex<double>> zeros;
    std::vector<std::complex<double>> poles;

    // gain * prod (s - z) / prod (s - p) at s = i * omega.
    std::complex<double> at(double omega) const;
};

struct Instrument {
    PoleZeroResponse response;  // counts per (m/s)
    double sensitivity = 0.0;   // counts per (m/s) at 1 Hz
    double low_corner_hz = 0.0; // natural frequency of the long-period pole pair
    double high_corner_hz = 0.0;
};

// What makes one sensor: the natural pole pair, the high-frequency roll-off, optional real
// poles above it and an optional real zero-pole pair (a lead-lag stage), and the generator
// constant, which a per-component calibration factor scales.
struct SensorDesign {
    double natural_period = 120.0; // s
    double damping = 0.7071;
    double high_corner_hz = 40.0;
    double high_damping = 0.7071;
    std::vector<double> extra_poles_hz;            // real poles at these frequencies
    double lead_zero_hz = 0.0, lead_pole_hz = 0.0; // 0: no lead-lag stage
    double generator_constant = 1500.0;            // V per m/s
};

// The instrument of a design, with every number rounded exactly as the response and
// sensitivity files write it, so that the synthetic recordings and the metadata describe the
// same instrument.
Instrument instrument_of(const SensorDesign& design);

// The shared broadband instrument: instrument_of(SensorDesign{}).
Instrument broadband_instrument();

// A network whose every station has its own sensor (natural period 2 s to 120 s, damping,
// roll-off, none to two extra poles, a lead-lag stage on some, generator constant) and whose
// components differ by their calibration, so that no two channels share a response.
SensorDesign station_sensor(int station_index, int component);

// The numbers as the files write them.
std::string response_gain_text(double gain);      // 15 columns
std::string response_value_text(double value);    // 14 columns, one pole or zero part
std::string sensitivity_text(double sensitivity); // 12 columns

} // namespace tw::synth
