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
// into the smaller one, so that no intermediate square of the divisor can overflow. Written with
// selections instead of branches so that loops over spectral lines vectorise; the operations are
// those of the two-branch form.
inline cfloat cdiv(cfloat a, cfloat b) {
    const float ar = a.real(), ai = a.imag(), br = b.real(), bi = b.imag();
    const bool imag_larger = std::fabs(br) < std::fabs(bi);
    const float big = imag_larger ? bi : br;
    const float small = imag_larger ? br : bi;
    const float u = imag_larger ? ar : ai;
    const float v = imag_larger ? ai : ar;
    const float ratio = small / big;
    const float div = small * ratio + big;
    const float re = u * ratio + v;
    // both forms are computed so that the choice is a plain selection
    const float im_when_imag_larger = v * ratio - u;
    const float im_when_real_larger = u - v * ratio;
    const float im = imag_larger ? im_when_imag_larger : im_when_real_larger;
    return {re / div, im / div};
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
