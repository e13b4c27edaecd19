#pragma once
// Analog filter responses evaluated at one angular frequency (rad/s), the raised-cosine weight
// and taper, and mean removal. Each filter routine returns its complex value through its first
// argument.
#include <span>

#include "dsp/complex_arith.hpp"

namespace tw {

inline constexpr int kMaxButterOrder = 20;

// 1 / B(s) for the normalised sixth-order Butterworth polynomial, by Horner's rule.
inline cfloat butterworth6(cfloat s) {
    constexpr float a1 = 3.8637033f, a2 = 7.4641018f, a3 = 9.1416206f;
    cfloat t = s + a1;
    t = cmul(t, s) + a2;
    t = cmul(t, s) + a3;
    t = cmul(t, s) + a2;
    t = cmul(t, s) + a1;
    t = cmul(t, s) + 1.0f;
    return cdiv(cfloat{1.0f, 0.0f}, t);
}

// The sixth-order filters are inline so that loops over spectral lines vectorise.

// Sixth-order Butterworth low-pass with corner wl.
inline void lobwth(cfloat& value, float w, float wl) {
    value = butterworth6(cfloat{0.0f, w / wl});
}

// Sixth-order Butterworth high-pass with corner wh; w <= 0.01 is raised to 0.01 in place.
inline void hibwth(cfloat& value, float& w, float wh) {
    w = w <= 0.01f ? 0.01f : w;
    value = butterworth6(cdiv(cfloat{1.0f, 0.0f}, cfloat{0.0f, w / wh}));
}

// Sixth-order Butterworth band-pass between wl and wh (wh > wl); w <= 0.01 is raised to 0.01.
inline void bpbwth(cfloat& value, float& w, float wl, float wh) {
    w = w <= 0.01f ? 0.01f : w;
    value = butterworth6(cfloat{0.0f, (w * w - wl * wh) / (w * (wh - wl))});
}
// Butterworth band-pass of order np: a low-pass at wh times a high-pass at wl. Zero at w = 0.
// Order 0 passes everything (1 at every non-zero frequency); an order below 0 or above 20 is
// refused and gives 0, so a caller that ignores the refusal gets silence, not a wrong filter.
void butter(cfloat& value, float w, float wl, float wh, int np);
// Raised-cosine window passing periods 17 s to 23 s, flanks out to 15.45 s and 25.3 s.
void lpbptf_b(cfloat& value, float w);
// Trapezoid with raised-cosine flanks: 0 below f1, rising to 1 at f2, 1 up to f3, 0 at f4.
// A negative f1 switches the window off (weight 1).
float bpcos(float f, float f1, float f2, float f3, float f4);
// Raised-cosine ramps over percent/2 per cent of the samples at each end of x(1..n); the first
// and last samples become 0.
void taper(std::span<float> x, int n, float percent);
// Subtracts the mean of x(1..n).
void demean(std::span<float> x, int n);
// Subtracts the mean of x(1..m) from x(1..n); nothing is done when m < 1.
void demean_noise(std::span<float> x, int m, int n);

} // namespace tw
