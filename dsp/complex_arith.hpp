#pragma once
// Single-precision complex product and quotient written out, so that every response and filter
// evaluation rounds the same way whatever the compiler's complex-arithmetic mode, and so that no
// library routine is called per spectral line.
#include <cmath>
#include <complex>

namespace tw {

using cfloat = std::complex<float>;

inline cfloat cmul(cfloat a, cfloat b) {
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

// Quotient with range reduction (Smith's method): the larger part of the divisor is divided
// into the smaller one, so that no intermediate square of the divisor can overflow.
inline cfloat cdiv(cfloat a, cfloat b) {
    const float ar = a.real(), ai = a.imag(), br = b.real(), bi = b.imag();
    if (std::fabs(br) < std::fabs(bi)) {
        const float ratio = br / bi;
        const float div = br * ratio + bi;
        return {(ar * ratio + ai) / div, (ai * ratio - ar) / div};
    }
    const float ratio = bi / br;
    const float div = bi * ratio + br;
    return {(ai * ratio + ar) / div, (ai - ar * ratio) / div};
}

// Integer power by repeated squaring; a negative power inverts the base first.
inline cfloat cpow(cfloat base, int k) {
    cfloat result{1.0f, 0.0f};
    if (k == 0) return result;
    unsigned u = k < 0 ? 0u - static_cast<unsigned>(k) : static_cast<unsigned>(k);
    cfloat x = k < 0 ? cdiv(result, base) : base;
    for (;;) {
        if (u & 1u) result = cmul(result, x);
        u >>= 1;
        if (u == 0) break;
        x = cmul(x, x);
    }
    return result;
}

} // namespace tw
