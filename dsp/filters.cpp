#include "dsp/filters.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace tw {

namespace {

constexpr float kPi = 3.1415927f;

// Raised-cosine flank: 0 at distance 0, 1 at distance width.
float flank(float distance, float width) {
    return (1.0f - std::cos(kPi * distance / width)) / 2.0f;
}

int clamp_count(int n, std::span<float> x) {
    return std::clamp(n, 0, static_cast<int>(std::min<std::size_t>(x.size(), 1u << 30)));
}

} // namespace

void butter(cfloat& value, float w, float wl, float wh, int np) {
    if (w == 0.0f || np < 0 || np > kMaxButterOrder) {
        value = cfloat{0.0f, 0.0f};
        return;
    }
    // Poles of the normalised low-pass, scaled to the high corner (sph) and to the low corner
    // (spl); an odd order starts with the real pole.
    std::array<cfloat, kMaxButterOrder> sph{}, spl{};
    int k = 0;
    if (np % 2 == 1) {
        sph[0] = cfloat{-wh, 0.0f};
        spl[0] = cfloat{-wl, 0.0f};
        k = 1;
    }
    for (int j = 1; j <= np / 2; ++j) {
        const float g = kPi * static_cast<float>(2 * j - 1) / static_cast<float>(2 * np);
        const float re = -std::sin(g), im = std::cos(g);
        sph[k] = cfloat{re * wh, -im * wh};
        spl[k] = cfloat{re * wl, -im * wl};
        sph[k + 1] = cfloat{re * wh, im * wh};
        spl[k + 1] = cfloat{re * wl, im * wl};
        k += 2;
    }
    const cfloat cjw{0.0f, -w};
    cfloat cph{1.0f, 0.0f}, cpl{1.0f, 0.0f};
    for (int i = 0; i < np; ++i) {
        cph = cdiv(cmul(cph, sph[i]), sph[i] + cjw);
        cpl = cdiv(cmul(cpl, cjw), spl[i] + cjw);
    }
    value = cmul(cph, cpl);
}

void lpbptf_b(cfloat& value, float w) {
    const float wa = 2.0f * kPi / 23.0f / 1.1f;
    const float wb = 2.0f * kPi / 23.0f;
    const float wc = 2.0f * kPi / 17.0f;
    const float wd = 2.0f * kPi / 17.0f * 1.1f;
    float v = 0.0f;
    if (w <= wa || w >= wd)
        v = 0.0f;
    else if (w < wb)
        v = flank(w - wa, wb - wa);
    else if (w <= wc)
        v = 1.0f;
    else
        v = flank(wd - w, wd - wc);
    value = cfloat{v, 0.0f};
}

float bpcos(float f, float f1, float f2, float f3, float f4) {
    if (f1 < 0.0f) return 1.0f;
    if (f < f1 || f > f4) return 0.0f;
    if (f < f2) return flank(f - f1, f2 - f1);
    if (f <= f3) return 1.0f;
    return flank(f4 - f, f4 - f3);
}

void taper(std::span<float> x, int n, float percent) {
    n = clamp_count(n, x);
    if (n < 1) return;
    const float fl = static_cast<float>(n);
    const float fls = percent * 0.005f * fl;
    const float flm = fl - fls;
    // Sample i (from 1) is weighted by bpcos(i, 0, fls, flm, fl). Its flat part, weight 1, leaves
    // samples as they are: those from the first i not below fls on, as long as i stays at or
    // below flm. Both limits are found by halving, since float(i) never decreases with i.
    const auto first_not = [n](int from, auto holds) {
        int lo = from, hi = n + 1; // holds(lo - 1) or lo == from; !holds(hi)
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (holds(static_cast<float>(mid)))
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    };
    const int flat = first_not(1, [fls](float f) { return f < fls; });
    const int right = first_not(flat, [flm](float f) { return f <= flm; });
    for (int i = 1; i < flat; ++i)
        x[i - 1] *= bpcos(static_cast<float>(i), 0.0f, fls, flm, fl);
    for (int i = right; i <= n; ++i)
        x[i - 1] *= bpcos(static_cast<float>(i), 0.0f, fls, flm, fl);
    x[0] = 0.0f;
    x[n - 1] = 0.0f;
}

void demean(std::span<float> x, int n) {
    demean_noise(x, n, n);
}

void demean_noise(std::span<float> x, int m, int n) {
    n = clamp_count(n, x);
    m = clamp_count(m, x);
    if (m < 1) return;
    float sum = 0.0f;
    for (int i = 0; i < m; ++i)
        sum += x[i];
    const float mean = sum / static_cast<float>(m);
    for (int i = 0; i < n; ++i)
        x[i] -= mean;
}

} // namespace tw
