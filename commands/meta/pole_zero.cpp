#include "commands/meta/pole_zero.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tw::meta {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kLowestHz = 1e-5;
constexpr double kHighestHz = 1e4;
constexpr double kStepsPerDecade = 200.0;

bool at_origin(const Complex& c) {
    return c == Complex(0.0, 0.0);
}

// Removes one value at the origin; false when there is none.
bool remove_origin(std::vector<Complex>& values) {
    const auto it = std::find_if(values.begin(), values.end(), at_origin);
    if (it == values.end()) return false;
    values.erase(it);
    return true;
}

// The frequency between f_in (amplitude above the level) and f_out (below it) where the
// amplitude crosses the level, by bisection in log frequency.
double crossing(const PoleZero& pz, double level, double f_in, double f_out) {
    double a = std::log(f_in), b = std::log(f_out);
    for (int i = 0; i < 60; ++i) {
        const double m = 0.5 * (a + b);
        if (std::abs(pz.at(std::exp(m))) >= level)
            a = m;
        else
            b = m;
    }
    return std::exp(0.5 * (a + b));
}

// Walks from f_ref towards `limit` in steps of `factor`; the first frequency where the amplitude
// is below the level, refined, or 0 when there is none before the limit.
double walk(const PoleZero& pz, double level, double f_ref, double factor, double limit) {
    double f = f_ref;
    for (int i = 0; i < 4000; ++i) {
        double next = f * factor;
        const bool last = factor > 1.0 ? next >= limit : next <= limit;
        if (last) next = limit;
        if (!(std::abs(pz.at(next)) >= level)) return crossing(pz, level, f, next);
        if (last) return 0.0;
        f = next;
    }
    return 0.0;
}

} // namespace

Complex PoleZero::at(double f_hz) const {
    const Complex s(0.0, kTwoPi * f_hz);
    Complex value(1.0, 0.0);
    // Alternating factors keep the running product near the final magnitude.
    const std::size_t n = std::max(zeros.size(), poles.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (i < zeros.size()) value *= s - zeros[i];
        if (i < poles.size()) value /= s - poles[i];
    }
    return value;
}

PoleZero hertz_to_radians(const PoleZero& hz) {
    PoleZero rad = hz;
    for (auto& z : rad.zeros)
        z *= kTwoPi;
    for (auto& p : rad.poles)
        p *= kTwoPi;
    return rad;
}

double hertz_to_radians_factor(const PoleZero& hz) {
    return std::pow(kTwoPi,
                    static_cast<double>(hz.poles.size()) - static_cast<double>(hz.zeros.size()));
}

void multiply_by_iw(PoleZero& pz, int power) {
    for (; power > 0; --power)
        if (!remove_origin(pz.poles)) pz.zeros.emplace_back(0.0, 0.0);
    for (; power < 0; ++power)
        if (!remove_origin(pz.zeros)) pz.poles.emplace_back(0.0, 0.0);
}

Passband passband(const PoleZero& pz, double f_ref) {
    Passband band;
    if (!(f_ref > 0.0) || !std::isfinite(f_ref)) return band;
    const double reference = std::abs(pz.at(f_ref));
    if (!(reference > 0.0) || !std::isfinite(reference)) return band;
    const double level = reference / std::sqrt(2.0);
    const double factor = std::pow(10.0, 1.0 / kStepsPerDecade);
    if (f_ref > kLowestHz) band.low_hz = walk(pz, level, f_ref, 1.0 / factor, kLowestHz);
    if (f_ref < kHighestHz) band.high_hz = walk(pz, level, f_ref, factor, kHighestHz);
    return band;
}

} // namespace tw::meta
