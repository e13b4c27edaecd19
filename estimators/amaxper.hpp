#pragma once
// Largest absolute value of a trace and the period of the half-cycle that carries it.
#include <span>

namespace tw {

// A peak as the estimators report it.
struct PeakPeriod {
    float amax = 0.0f; // largest absolute value
    float per = 0.0f;  // twice the time between the zero crossings around the peak, seconds
    int imax = 1;      // 1-based index of the peak; the first of equal peaks wins
};

// Searches x(1..n) for the peak, then walks from it to the zero crossings on both sides,
// interpolating linearly between the samples that straddle zero. The walks may read every
// element of x, not only the first n (a corrected trace continues periodically past n), and
// stop at the ends of x: a walk that reaches an end without a sign change measures up to that
// end. A trace without a non-zero sample gives amplitude 0 and period 0. n is clamped to x.
void amaxper(int n, float dt, std::span<const float> x, float& amax, float& per, int& imax);

PeakPeriod amaxper(int n, float dt, std::span<const float> x);

} // namespace tw
