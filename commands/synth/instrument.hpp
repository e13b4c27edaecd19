#pragma once
// The recording instrument of every synthetic channel: a broadband velocity sensor and a 24-bit
// digitizer, described as one pole-zero response in counts per (m/s).
//
// Sensor: natural period 120 s with damping 0.7071 (the low-frequency pole pair), a second-order
// high-frequency roll-off at 40 Hz with damping 0.7071, two zeros at the origin, generator
// constant 1500 V/(m/s). Digitizer: 24 bits over +/-20 V, 2^23 / 20 = 419430.4 counts per volt.
// The poles and zeros are normalised at 1 Hz (|A0 * H0(2 pi i)| = 1), so the gain constant of the
// response file is A0 * 1500 * 419430.4 and the sensitivity at 1 Hz is 1500 * 419430.4.
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

// The instrument with every number rounded exactly as the response and sensitivity files
// write it, so that the synthetic recordings and the metadata describe the same instrument.
Instrument broadband_instrument();

// The numbers as the files write them.
std::string response_gain_text(double gain);      // 15 columns
std::string response_value_text(double value);    // 14 columns, one pole or zero part
std::string sensitivity_text(double sensitivity); // 12 columns

} // namespace tw::synth
