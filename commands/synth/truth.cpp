#include "commands/synth/truth.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace tw::synth {
namespace {

constexpr double kMm = 1000.0;

// The trace (samples of the grid) whose spectrum is velocity(k) * factor(w), times `scale`.
std::vector<double> trace_of(const Spectrum& velocity, const TraceGrid& grid, double scale,
                             const std::function<std::complex<double>(double)>& factor) {
    Spectrum s(velocity.size());
    for (std::size_t k = 0; k < s.size(); ++k) {
        const double w = 2.0 * std::numbers::pi * grid.frequency(k);
        s[k] = (k == 0) ? std::complex<double>{0.0, 0.0} : velocity[k] * factor(w);
    }
    fft(s, false);
    std::vector<double> out(grid.samples);
    for (std::size_t j = 0; j < grid.samples; ++j)
        out[j] = s[j].real() / grid.dt * scale;
    return out;
}

Peak peak_of(const std::vector<double>& x, double dt) {
    Peak p;
    for (std::size_t j = 0; j < x.size(); ++j) {
        if (std::fabs(x[j]) > p.value) {
            p.value = std::fabs(x[j]);
            p.time = static_cast<double>(j) * dt;
        }
    }
    return p;
}

} // namespace

std::complex<double> wood_anderson(double w) {
    const std::complex<double> s(0.0, w);
    const std::complex<double> p1(-5.41925, 5.68479), p2(-5.41925, -5.68479);
    return 2080000.0 * s * s / ((s - p1) * (s - p2));
}

ComponentTruth component_truth(const Spectrum& velocity, const TraceGrid& grid) {
    using C = std::complex<double>;
    ComponentTruth t;
    const std::vector<double> v = trace_of(velocity, grid, kMm, [](double) { return C(1.0, 0.0); });
    t.velocity = peak_of(v, grid.dt);
    // Acceleration as a sampled record gives it: the backward difference of the velocity.
    std::vector<double> a(v.size(), 0.0);
    for (std::size_t j = 1; j < v.size(); ++j)
        a[j] = (v[j] - v[j - 1]) / grid.dt;
    t.acceleration = peak_of(a, grid.dt);
    t.exact_acceleration =
        peak_of(trace_of(velocity, grid, kMm, [](double w) { return C(0.0, w); }), grid.dt);
    t.displacement =
        peak_of(trace_of(velocity, grid, kMm, [](double w) { return 1.0 / C(0.0, w); }), grid.dt);
    t.wood_anderson = peak_of(
        trace_of(velocity, grid, 1.0, [](double w) { return wood_anderson(w) / C(0.0, w); }),
        grid.dt);
    return t;
}

} // namespace tw::synth

namespace tw::synth {

char first_motion(const Spectrum& vertical_velocity, const TraceGrid& grid, double p_arrival) {
    Spectrum s = vertical_velocity;
    fft(s, false);
    const auto first = static_cast<std::size_t>(std::ceil(p_arrival / grid.dt));
    const std::size_t last =
        std::min(grid.samples, first + static_cast<std::size_t>(1.0 / grid.dt));
    double largest = 0.0;
    for (std::size_t j = first; j < last; ++j)
        largest = std::max(largest, std::fabs(s[j].real()));
    for (std::size_t j = first; j < last; ++j)
        if (std::fabs(s[j].real()) > 0.05 * largest) return s[j].real() > 0.0 ? 'U' : 'D';
    return 'U';
}

} // namespace tw::synth
