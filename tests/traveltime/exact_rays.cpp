#include "tests/traveltime/exact_rays.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

namespace tw::testing::rays {

namespace {

constexpr double kPi = 3.14159265358979323846;

// 16-point Gauss-Legendre nodes and weights on [-1, 1] (positive half).
constexpr std::array<double, 8> kNodes = {
    0.0950125098376374, 0.2816035507792589, 0.4580167776572274, 0.6178762444026438,
    0.7554044083550030, 0.8656312023878318, 0.9445750230732326, 0.9894009349916499};
constexpr std::array<double, 8> kWeights = {
    0.1894506104550685, 0.1826034150449236, 0.1691565193950025, 0.1495959888165767,
    0.1246289712555339, 0.0951585116824928, 0.0622535239386479, 0.0271524594117541};

bool starts_with_number(const std::string& line) {
    std::istringstream in(line);
    double v;
    return static_cast<bool>(in >> v);
}

struct TauX {
    double tau = 0.0, x = 0.0;
    bool ok = true;
    void add(const TauX& o, double mult) {
        tau += mult * o.tau;
        x += mult * o.x;
        ok = ok && o.ok;
    }
};

// What a phase does in each part of the Earth.
enum class Kind {
    DirectDown,  // leaves the source downward and turns in the mantle
    DirectUp,    // leaves the source upward
    CoreReflect, // reflected at the core-mantle boundary
    CoreTurn,    // turns in the outer core
    InnerReflect,
    InnerTurn // turns in the inner core
};

struct PhaseDef {
    const char* family;
    Kind kind;
    Wave down, up; // mantle waves of the legs to and from the core (or of the direct ray)
};

constexpr std::array<PhaseDef, 12> kPhases = {{
    {"P", Kind::DirectDown, kP, kP},
    {"P", Kind::DirectUp, kP, kP},
    {"S", Kind::DirectDown, kS, kS},
    {"S", Kind::DirectUp, kS, kS},
    {"PcP", Kind::CoreReflect, kP, kP},
    {"ScS", Kind::CoreReflect, kS, kS},
    {"PKP", Kind::CoreTurn, kP, kP},
    {"PKiKP", Kind::InnerReflect, kP, kP},
    {"PKIKP", Kind::InnerTurn, kP, kP},
    {"SKS", Kind::CoreTurn, kS, kS},
    {"SKiKS", Kind::InnerReflect, kS, kS},
    {"SKIKS", Kind::InnerTurn, kS, kS},
}};

class Rays {
  public:
    explicit Rays(const Model& m) : m_(m) {}

    // Integral over radii lo..hi inside shell s; the ray does not turn above lo. Panels are
    // crowded towards lo where the ray runs nearly horizontally there.
    TauX part(const Shell& s, Wave w, double p, double lo, double hi) const {
        const double eta = m_.eta(s, w, lo);
        const double grazing = (eta * eta - p * p) / (eta * eta);
        return part(s, w, p, lo, hi, grazing < 1e-4 ? 6 : grazing < 1e-2 ? 4 : 1);
    }
    TauX part(const Shell& s, Wave w, double p, double lo, double hi, int panels) const {
        TauX out;
        const double umax = std::sqrt(hi - lo);
        for (int k = 0; k < panels; ++k) {
            // Panels crowded towards lo, where a turning or grazing ray is least smooth.
            const double f0 = k == 0 ? 0.0 : std::pow(0.25, panels - k);
            const double f1 = std::pow(0.25, panels - k - 1);
            const double u0 = umax * f0, u1 = umax * f1;
            for (int i = 0; i < 16; ++i) {
                const double xi = i < 8 ? -kNodes[7 - i] : kNodes[i - 8];
                const double wt = i < 8 ? kWeights[7 - i] : kWeights[i - 8];
                const double u = 0.5 * (u0 + u1) + 0.5 * (u1 - u0) * xi;
                const double r = lo + u * u;
                const double eta = m_.eta(s, w, r);
                const double q = std::sqrt(std::max(eta * eta - p * p, 1e-300));
                const double jac = 2.0 * u * 0.5 * (u1 - u0) * wt;
                out.tau += jac * q / r;
                out.x += jac * p / (r * q);
            }
        }
        return out;
    }

    // Across radii lo..hi; not ok when the ray would turn or be reflected on the way.
    TauX through(Wave w, double p, double lo, double hi) const {
        TauX out;
        for (const Shell& s : m_.shells()) {
            const double a = std::max(s.r_bot, lo), b = std::min(s.r_top, hi);
            if (b <= a) continue;
            for (double r : {a, 0.5 * (a + b), b})
                if (m_.eta(s, w, r) <= p) return {0.0, 0.0, false};
        }
        for (const Shell& s : m_.shells()) {
            const double a = std::max(s.r_bot, lo), b = std::min(s.r_top, hi);
            if (b > a) out.add(part(s, w, p, a, b), 1.0);
        }
        return out;
    }

    // Down from radius hi to the turning point (or a total reflection below hi); not ok when
    // the ray cannot enter at hi or reaches radius floor without turning.
    TauX turn(Wave w, double p, double hi, double floor) const {
        TauX out;
        bool entered = false;
        for (const Shell& s : m_.shells()) {
            const double a = std::max(s.r_bot, floor), b = std::min(s.r_top, hi);
            if (b <= a) continue;
            if (m_.eta(s, w, b) <= p) return entered ? out : TauX{0.0, 0.0, false};
            entered = true;
            if (m_.eta(s, w, a) <= p) {
                double lo = a, up = b; // eta(lo) <= p < eta(up)
                for (int it = 0; it < 200 && up - lo > 1e-13 * up; ++it) {
                    const double mid = 0.5 * (lo + up);
                    (m_.eta(s, w, mid) <= p ? lo : up) = mid;
                }
                out.add(part(s, w, p, up, b, 4), 1.0);
                return out;
            }
            out.add(part(s, w, p, a, b), 1.0);
        }
        return {0.0, 0.0, false};
    }

    TauX phase(const PhaseDef& ph, double p, double rs) const {
        const double a = m_.radius();
        TauX out = through(ph.down, p, rs, a);
        if (!out.ok) return out;
        switch (ph.kind) {
        case Kind::DirectUp:
            return out;
        case Kind::DirectDown:
            out.add(turn(ph.down, p, rs, m_.cmb()), 2.0);
            return out;
        default:
            break;
        }
        // Core phases: down from the source and up from the core through the whole mantle.
        out.add(through(ph.down, p, m_.cmb(), rs), 2.0);
        if (!out.ok) return out;
        switch (ph.kind) {
        case Kind::CoreTurn:
            out.add(turn(kP, p, m_.cmb(), m_.icb()), 2.0);
            break;
        case Kind::InnerReflect:
            out.add(through(kP, p, m_.icb(), m_.cmb()), 2.0);
            break;
        case Kind::InnerTurn:
            out.add(through(kP, p, m_.icb(), m_.cmb()), 2.0);
            if (out.ok) out.add(turn(kP, p, m_.icb(), 0.0), 2.0);
            break;
        default:
            break;
        }
        return out;
    }

  private:
    const Model& m_;
};

struct GridPoint {
    double p;
    bool jump; // the slowness on one side of a discontinuity
};

// Ray parameters at every shell end of the wave type, with points in between, and evenly
// spread ones over the whole range.
std::vector<GridPoint> ray_grid(const Model& m, Wave w) {
    std::vector<GridPoint> g;
    const auto& shells = m.shells();
    double top = 0.0;
    for (std::size_t i = 0; i < shells.size(); ++i) {
        const Shell& s = shells[i];
        if (w == kS && s.r_top <= m.cmb()) break;
        const double e_top = m.eta(s, w, s.r_top);
        const double e_bot = s.r_bot > 0.0 ? m.eta(s, w, s.r_bot) : 0.0;
        top = std::max(top, e_top);
        const bool jump_above =
            i > 0 && std::fabs(m.eta(shells[i - 1], w, s.r_top) - e_top) > 1e-9 * e_top;
        const bool jump_below =
            i + 1 < shells.size() && s.r_bot > 0.0 &&
            std::fabs(m.eta(shells[i + 1], w, s.r_bot) - e_bot) > 1e-9 * std::max(e_bot, 1.0);
        g.push_back({e_top, jump_above});
        if (e_bot > 0.0) g.push_back({e_bot, jump_below});
        constexpr int inner = 6;
        for (int k = 1; k < inner; ++k) {
            const double f = 0.5 * (1.0 - std::cos(kPi * k / inner));
            g.push_back({e_bot + (e_top - e_bot) * f, false});
        }
    }
    constexpr int even = 120;
    for (int k = 1; k < even; ++k)
        g.push_back({top * k / even, false});
    std::sort(g.begin(), g.end(), [](const GridPoint& x, const GridPoint& y) { return x.p < y.p; });
    std::vector<GridPoint> out;
    for (const GridPoint& q : g) {
        if (q.p <= 1e-6) continue;
        if (!out.empty() && q.p - out.back().p <= 1e-9 * q.p) {
            out.back().jump = out.back().jump || q.jump;
            continue;
        }
        out.push_back(q);
    }
    return out;
}

Wave grid_wave(const PhaseDef& ph) {
    return (ph.kind == Kind::DirectDown || ph.kind == Kind::DirectUp ||
            ph.kind == Kind::CoreReflect)
               ? ph.down
               : kP;
}

} // namespace

double Model::velocity(const Shell& s, Wave w, double r) const {
    const auto& c = s.c[w];
    const double x = r / a_;
    return c[0] + x * (c[1] + x * (c[2] + x * c[3]));
}

double Model::eta_at(Wave w, double r) const {
    for (const Shell& s : shells_)
        if (s.r_bot < r && r <= s.r_top) return eta(s, w, r);
    return 0.0;
}

bool Model::read(const std::string& path) {
    std::ifstream in(path);
    if (!in) return false;
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    shells_.clear();
    bool polynomial = false;
    for (const auto& l : lines) {
        std::istringstream f(l);
        std::string word;
        if (f >> word) polynomial = polynomial || word == "radius" || word == "layer";
    }
    if (polynomial) {
        for (const auto& l : lines) {
            std::istringstream f(l);
            std::string word, vp, vs;
            if (!(f >> word)) continue;
            if (word == "radius") f >> a_;
            if (word != "layer") continue;
            double top, bottom, step;
            Shell s;
            if (!(f >> top >> bottom >> step >> vp >> s.c[0][0] >> s.c[0][1] >> s.c[0][2] >>
                  s.c[0][3] >> vs >> s.c[1][0] >> s.c[1][1] >> s.c[1][2] >> s.c[1][3]))
                return false;
            s.r_top = a_ - top;
            s.r_bot = a_ - bottom;
            shells_.push_back(s);
        }
    } else {
        const bool tvel = path.size() > 5 && path.substr(path.size() - 5) == ".tvel";
        std::vector<std::array<double, 3>> samples;
        for (std::size_t i = tvel ? 2 : 0; i < lines.size(); ++i) {
            if (!starts_with_number(lines[i])) continue;
            std::istringstream f(lines[i]);
            std::array<double, 3> s{};
            if (!(f >> s[0] >> s[1] >> s[2])) return false;
            samples.push_back(s);
        }
        if (samples.size() < 2) return false;
        a_ = samples.back()[0];
        for (std::size_t i = 1; i < samples.size(); ++i) {
            const auto& u = samples[i - 1];
            const auto& d = samples[i];
            if (d[0] <= u[0]) continue;
            Shell s;
            s.r_top = a_ - u[0];
            s.r_bot = a_ - d[0];
            // Linear in depth, hence in r / a: v = c0 + c1 x.
            for (int w = 0; w < 2; ++w) {
                const double slope = (d[1 + w] - u[1 + w]) / (s.r_bot - s.r_top) * a_;
                s.c[w] = {u[1 + w] - slope * s.r_top / a_, slope, 0.0, 0.0};
            }
            shells_.push_back(s);
        }
    }
    r_cmb_ = r_icb_ = -1.0;
    for (const Shell& s : shells_) {
        const double vs = velocity(s, kS, 0.5 * (s.r_top + s.r_bot));
        if (r_cmb_ < 0.0 && vs <= 0.0) r_cmb_ = s.r_top;
        if (r_cmb_ > 0.0 && r_icb_ < 0.0 && vs > 0.0) r_icb_ = s.r_top;
    }
    return !shells_.empty() && r_cmb_ > 0.0 && r_icb_ > 0.0;
}

std::vector<std::vector<Arrival>> arrivals(const Model& model, double depth,
                                           const std::vector<double>& dists) {
    std::vector<std::vector<Arrival>> out(dists.size());
    const Rays rays(model);
    const double rs = model.radius() - depth;
    std::array<std::vector<GridPoint>, 2> grids = {ray_grid(model, kP), ray_grid(model, kS)};
    // Rays leaving the source nearly horizontally: the distance changes fast with p there.
    for (Wave w : {kP, kS}) {
        const double u = model.eta_at(w, rs);
        for (double f = 3e-2; f > 1e-11; f *= 0.5)
            grids[w].push_back({u * (1.0 - f), false});
        std::sort(grids[w].begin(), grids[w].end(),
                  [](const GridPoint& x, const GridPoint& y) { return x.p < y.p; });
    }
    for (const PhaseDef& ph : kPhases) {
        const auto& grid = grids[grid_wave(ph)];
        std::vector<TauX> tx(grid.size());
        for (std::size_t i = 0; i < grid.size(); ++i)
            tx[i] = rays.phase(ph, grid[i].p, rs);
        // Distances of branch ends, slowness jumps and caustics.
        std::vector<double> special;
        for (std::size_t i = 0; i < grid.size(); ++i) {
            if (!tx[i].ok) continue;
            const bool first = i == 0 || !tx[i - 1].ok;
            const bool last = i + 1 == grid.size() || !tx[i + 1].ok;
            const bool extremum =
                !first && !last && (tx[i].x - tx[i - 1].x) * (tx[i + 1].x - tx[i].x) <= 0.0;
            if (first || last || extremum || grid[i].jump) special.push_back(tx[i].x);
        }
        for (std::size_t d = 0; d < dists.size(); ++d) {
            const double minor = dists[d] * kPi / 180.0;
            for (double target : {minor, 2.0 * kPi - minor}) {
                for (std::size_t i = 0; i + 1 < grid.size(); ++i) {
                    if (!tx[i].ok || !tx[i + 1].ok) continue;
                    double fa = tx[i].x - target, fb = tx[i + 1].x - target;
                    if (fa * fb > 0.0) continue;
                    // Regula falsi in the ray parameter, every third step a bisection.
                    double a = grid[i].p, b = grid[i + 1].p;
                    TauX best = std::fabs(fa) < std::fabs(fb) ? tx[i] : tx[i + 1];
                    double pbest = std::fabs(fa) < std::fabs(fb) ? a : b;
                    for (int it = 0;
                         it < 100 && std::fabs(best.x - target) > 1e-12 && b - a > 1e-13 * b;
                         ++it) {
                        const double c =
                            it % 3 == 2 ? 0.5 * (a + b) : (fb * a - fa * b) / (fb - fa);
                        const TauX r = rays.phase(ph, c, rs);
                        if (!r.ok) break;
                        const double fc = r.x - target;
                        best = r;
                        pbest = c;
                        if (fc * fb > 0.0) {
                            b = c;
                            fb = fc;
                        } else {
                            a = c;
                            fa = fc;
                        }
                    }
                    // The time is stationary in p at the root: a distance off by 1e-5 rad costs
                    // nothing.
                    if (std::fabs(best.x - target) > 1e-5) continue;
                    Arrival arr;
                    arr.family = ph.family;
                    arr.time = best.tau + pbest * target;
                    arr.p = (target > kPi ? -pbest : pbest) * kPi / 180.0;
                    for (double x : special)
                        arr.near_end = arr.near_end || std::fabs(x - target) < 0.5 * kPi / 180.0;
                    out[d].push_back(arr);
                }
            }
        }
    }
    return out;
}

} // namespace tw::testing::rays
