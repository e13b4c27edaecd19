// IASP91 first arrivals against an independent ray-theory computation: the travel time and
// distance integrals of the published polynomials evaluated by Gauss-Legendre quadrature and
// the first arrival found by root search in the ray parameter, compared with ttimes from the
// built tables (keywords "P" and "S") for sources down to 700 km and distances to 95 degrees.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "traveltime/model_paths.hpp"
#include "traveltime/travel_times.hpp"

namespace {

constexpr double kA = 6371.0;

struct Shell {
    double r_top, r_bot;
    std::array<double, 4> vp, vs;
};

// The published IASP91 mantle and crust (x = r / a).
const std::vector<Shell>& iasp91() {
    static const std::vector<Shell> shells = {
        {6371, 6351, {5.80, 0, 0, 0}, {3.36, 0, 0, 0}},
        {6351, 6336, {6.50, 0, 0, 0}, {3.75, 0, 0, 0}},
        {6336, 6251, {8.78541, -0.74953, 0, 0}, {6.706231, -2.248585, 0, 0}},
        {6251, 6161, {25.41389, -17.69722, 0, 0}, {5.75020, -1.27420, 0, 0}},
        {6161, 5961, {30.78765, -23.25415, 0, 0}, {15.24213, -11.08552, 0, 0}},
        {5961, 5711, {29.38896, -21.40656, 0, 0}, {17.70732, -13.50652, 0, 0}},
        {5711, 5611, {25.96984, -16.93412, 0, 0}, {20.76890, -16.53147, 0, 0}},
        {5611,
         3631,
         {25.1486, -41.1538, 51.9932, -26.6083},
         {12.9303, -21.2590, 27.8988, -14.1080}},
        {3631, 3482, {14.49470, -1.47089, 0, 0}, {8.16616, -1.58206, 0, 0}},
    };
    return shells;
}

double velocity(const Shell& s, bool p_wave, double r) {
    const auto& c = p_wave ? s.vp : s.vs;
    const double x = r / kA;
    return c[0] + x * (c[1] + x * (c[2] + x * c[3]));
}

// 16-point Gauss-Legendre nodes and weights on [-1, 1].
constexpr std::array<double, 8> kNodes = {
    0.0950125098376374, 0.2816035507792589, 0.4580167776572274, 0.6178762444026438,
    0.7554044083550030, 0.8656312023878318, 0.9445750230732326, 0.9894009349916499};
constexpr std::array<double, 8> kWeights = {
    0.1894506104550685, 0.1826034150449236, 0.1691565193950025, 0.1495959888165767,
    0.1246289712555339, 0.0951585116824928, 0.0622535239386479, 0.0271524594117541};

struct TX {
    double t = 0.0, x = 0.0;
};

// Integral of time and distance over radii r_lo..r_hi inside one shell for ray parameter p
// (s/rad), with r = r_lo + u^2 so that a turning point at r_lo is harmless.
TX shell_integral(const Shell& s, bool p_wave, double p, double r_lo, double r_hi, int pieces = 8) {
    TX out;
    const double umax = std::sqrt(r_hi - r_lo);
    for (int k = 0; k < pieces; ++k) {
        const double u0 = umax * k / pieces, u1 = umax * (k + 1) / pieces;
        for (int i = 0; i < 16; ++i) {
            const double xi = i < 8 ? -kNodes[7 - i] : kNodes[i - 8];
            const double w = i < 8 ? kWeights[7 - i] : kWeights[i - 8];
            const double u = 0.5 * (u0 + u1) + 0.5 * (u1 - u0) * xi;
            const double r = r_lo + u * u;
            const double eta = r / velocity(s, p_wave, r);
            const double q = std::sqrt(std::max(eta * eta - p * p, 1e-300));
            const double jac = 2.0 * u * 0.5 * (u1 - u0) * w;
            out.t += jac * eta * eta / (r * q);
            out.x += jac * p / (r * q);
        }
    }
    return out;
}

// One pass from radius r_from down to the turning point (or only up to the surface when
// down is false) and on to the surface, for a source at r_src.
struct Ray {
    bool valid = false;
    double t = 0.0, x = 0.0;
};

Ray trace(bool p_wave, double p, double r_src, bool down) {
    const auto& shells = iasp91();
    // Turning radius: going down from the source, the first radius where eta <= p.
    double r_turn = r_src;
    if (down) {
        bool found = false;
        for (const Shell& s : shells) {
            if (s.r_bot >= r_src) continue;
            const double top = std::min(s.r_top, r_src);
            auto eta = [&](double r) { return r / velocity(s, p_wave, r); };
            if (eta(top) <= p) { // reflected at the top of the shell
                r_turn = top;
                found = true;
                break;
            }
            if (eta(s.r_bot) <= p) {
                double lo = s.r_bot, hi = top;
                for (int it = 0; it < 100; ++it) {
                    const double mid = 0.5 * (lo + hi);
                    (eta(mid) <= p ? lo : hi) = mid;
                }
                r_turn = 0.5 * (lo + hi);
                found = true;
                break;
            }
        }
        if (!found || r_turn >= r_src) return {};
    } else if (r_src / velocity(shells[0], p_wave, r_src) < p) {
        return {};
    }
    Ray ray{true, 0.0, 0.0};
    for (const Shell& s : shells) {
        // Up from the turning point to the source counts once more than above the source.
        const double lo = std::max(s.r_bot, r_turn);
        const double hi = s.r_top;
        if (hi <= lo) continue;
        auto add = [&](double a, double b, double mult) {
            if (b <= a) return;
            const TX part = shell_integral(s, p_wave, p, a, b);
            ray.t += mult * part.t;
            ray.x += mult * part.x;
        };
        // Integrate from the lower end so that a turning point sits at u = 0.
        add(lo, std::min(hi, r_src), down ? 2.0 : 0.0);
        add(std::max(lo, r_src), hi, 1.0);
    }
    return ray;
}

// First arrival at distance delta (degrees) by root search over the ray parameter.
double first_arrival(bool p_wave, double depth, double delta) {
    const double r_src = kA - depth;
    const double target = delta * M_PI / 180.0;
    double best = std::numeric_limits<double>::infinity();
    const double pmax = kA / (p_wave ? 5.8 : 3.36);
    for (bool down : {false, true}) {
        const int n = 3000;
        double p_prev = 0.0;
        Ray prev = trace(p_wave, 1e-9, r_src, down);
        for (int i = 1; i <= n; ++i) {
            const double p = pmax * (1.0 - 1e-9) * i / n;
            const Ray cur = trace(p_wave, p, r_src, down);
            if (prev.valid && cur.valid && (prev.x - target) * (cur.x - target) <= 0.0) {
                double a = p_prev, b = p;
                double xa = prev.x;
                for (int it = 0; it < 60; ++it) {
                    const double m = 0.5 * (a + b);
                    const Ray rm = trace(p_wave, m, r_src, down);
                    if (!rm.valid) break;
                    if ((xa - target) * (rm.x - target) <= 0.0) {
                        b = m;
                    } else {
                        a = m;
                        xa = rm.x;
                    }
                }
                const Ray r = trace(p_wave, 0.5 * (a + b), r_src, down);
                if (r.valid && std::fabs(r.x - target) < 1e-4)
                    best = std::min(best, r.t + 0.5 * (a + b) * (target - r.x));
            }
            p_prev = p;
            prev = cur;
        }
    }
    return best;
}

class RayTheory : public ::testing::TestWithParam<double> {};

TEST_P(RayTheory, FirstPAndSWithinFiftyMilliseconds) {
    const double depth = GetParam();
    tw::TravelTimeCalculator calc(tw::built_model_base());
    tw::TravelTimes tt;
    for (double delta :
         {0.5, 2.0, 5.0, 10.0, 15.0, 18.0, 22.0, 27.0, 35.0, 50.0, 70.0, 85.0, 95.0}) {
        for (bool p_wave : {true, false}) {
            const double expected = first_arrival(p_wave, depth, delta);
            calc.ttimes(static_cast<float>(depth), static_cast<float>(delta), p_wave ? "P" : "S",
                        tt);
            ASSERT_GT(tt.n, 0);
            EXPECT_NEAR(tt.tt[0], expected, 0.05)
                << (p_wave ? "P" : "S") << " depth " << depth << " distance " << delta;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, RayTheory,
                         ::testing::Values(0.0, 10.0, 33.0, 150.0, 450.0, 700.0));

} // namespace
