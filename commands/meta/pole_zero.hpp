#pragma once
// Pole-zero transfer functions in angular frequency (rad/s), evaluated in double precision.
#include <complex>
#include <vector>

namespace tw::meta {

using Complex = std::complex<double>;

struct PoleZero {
    std::vector<Complex> zeros, poles;

    // prod(s - zero) / prod(s - pole) at s = i 2 pi f.
    Complex at(double f_hz) const;
};

// Poles and zeros given in Hz (H(f) = A0 prod(i f - z) / prod(i f - p)) in rad/s; the
// normalisation factor of the same response in rad/s is A0 (2 pi)^(np - nz).
PoleZero hertz_to_radians(const PoleZero& hz);
double hertz_to_radians_factor(const PoleZero& hz);

// Multiplies the response by (i w)^power: a positive power cancels poles at the origin first,
// then adds zeros there; a negative one cancels zeros at the origin, then adds poles.
void multiply_by_iw(PoleZero& pz, int power);

// The passband of gain * pz around f_ref: the nearest frequencies below and above f_ref at
// which the amplitude falls to 1/sqrt(2) of its value at f_ref (-3 dB), searched from 1e-5 Hz
// to 1e4 Hz. A side on which the amplitude never falls that far gives 0.
struct Passband {
    double low_hz = 0.0, high_hz = 0.0;
};
Passband passband(const PoleZero& pz, double f_ref);

} // namespace tw::meta
