#include "traveltime/tabulate.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "traveltime/phase_catalogue.hpp"

namespace tw {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Critical ray parameters closer than this (s/rad) are one.
constexpr double kSameP = 1e-7;
// Largest misfit (s) of the interpolating cubic of tau(p) midway between branch samples, and
// how often an interval may be halved to reach it.
constexpr double kTauTolerance = 1e-4;
constexpr int kMaxRefinements = 8;
constexpr std::size_t kEndIntervals = 2;
// Largest misfit (s) of tau at a candidate sample left out.
constexpr double kThinningTolerance = 4e-4;
// Most candidates one interval between samples spans: the depth correction subtracts the
// up-going leg of the source, which the samples must follow as well.
constexpr std::size_t kLongestSpan = 3;
// Largest misfit (rad) of X(p) at a candidate sample left out.
constexpr double kDistanceTolerance = 1e-4;
// Points taken off the ray-parameter grid while the branches do not fit the tables.
constexpr int kGridStep = 6;

struct LegResult {
    TauX tx;
    bool turned = false;
    double stop_z = 0.0; // flattened depth where the ray turns or is reflected
    bool reflected = false;
};

// One pass down through a region to the turning point or the region's bottom.
LegResult region_leg(const std::vector<SlownessLayer>& layers, double p) {
    LegResult out;
    for (const SlownessLayer& layer : layers) {
        if (p >= layer.eta_top) {
            out.turned = out.reflected = true;
            out.stop_z = layer.z_top;
            return out;
        }
        out.tx += layer_tau(layer, p);
        if (layer.reaches_centre() || (layer.gradient() > 0.0 && p > layer.eta_bot)) {
            out.turned = true;
            const double b = layer.gradient();
            out.stop_z = (p > 0.0) ? layer.z_top + std::log(p / layer.eta_top) / b
                                   : -std::numeric_limits<double>::infinity();
            return out;
        }
    }
    if (!layers.empty()) out.stop_z = layers.back().z_bot;
    return out;
}

double min_eta(const std::vector<SlownessLayer>& layers) {
    double m = std::numeric_limits<double>::infinity();
    for (const auto& l : layers) {
        m = std::min(m, l.eta_top);
        if (!l.reaches_centre()) m = std::min(m, l.eta_bot);
    }
    return m;
}

struct PhaseEval {
    TauX tx;
    LegResult turning; // the turning leg, when there is one
};

PhaseEval evaluate(const EarthModel& model, const PhaseSpec& ph, double p) {
    PhaseEval e;
    for (const Leg& leg : ph.legs) {
        const LegResult r = region_leg(model.layers(leg.wave, leg.region), p);
        e.tx.tau += leg.mult * r.tx.tau;
        e.tx.x += leg.mult * r.tx.x;
        if (leg.turns) e.turning = r;
    }
    return e;
}

struct Piece {
    double lo = 0.0, hi = 0.0;
    std::string code;
    double caustic = -1.0; // ray parameter of the caustic between ab and bc
};

// Ray-parameter range of a phase and its critical points (discontinuities of the turning
// region), ascending.
std::vector<double> phase_breaks(const EarthModel& model, const PhaseSpec& ph) {
    double lo = 0.0;
    double hi = std::numeric_limits<double>::infinity();
    std::vector<double> inner;
    for (const Leg& leg : ph.legs) {
        const auto& layers = model.layers(leg.wave, leg.region);
        if (layers.empty()) return {};
        if (!leg.turns) {
            hi = std::min(hi, min_eta(layers));
            continue;
        }
        hi = std::min(hi, layers.front().eta_top);
        lo = std::max(lo, layers.back().reaches_centre() ? 0.0 : min_eta(layers));
        for (std::size_t i = 1; i < layers.size(); ++i) {
            if (layers[i - 1].eta_bot != layers[i].eta_top) {
                inner.push_back(layers[i - 1].eta_bot);
                inner.push_back(layers[i].eta_top);
            }
        }
        if (ph.below_moho && leg.region == Region::Mantle) {
            const auto& jumps = model.mantle_discontinuities(leg.wave);
            double moho = -1.0;
            for (double d : jumps)
                if (d < 100.0) moho = d;
            if (moho > 0.0) {
                const double z = model.flatten(moho);
                for (const auto& l : layers)
                    if (l.z_top <= z) {
                        hi = std::min(hi, l.eta_top);
                        break;
                    }
            }
        }
    }
    if (!(hi > lo)) return {};
    std::vector<double> breaks{lo};
    for (double c : inner)
        if (c > lo + kSameP && c < hi - kSameP) breaks.push_back(c);
    breaks.push_back(hi);
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end(),
                             [](double a, double b) { return std::fabs(a - b) <= kSameP; }),
                 breaks.end());
    return breaks;
}

// Letter for a ray turning at the given depth: g above the first crustal discontinuity, b
// between it and the Moho, n in the lid below the Moho, none deeper.
std::string turning_class(const EarthModel& model, Wave w, double depth_km) {
    const auto& jumps = model.mantle_discontinuities(w);
    std::vector<double> crust;
    for (double d : jumps)
        if (d < 100.0) crust.push_back(d);
    if (crust.empty()) return "";
    if (depth_km < crust.front()) return "g";
    if (depth_km < crust.back()) return "b";
    for (double d : jumps)
        if (d > crust.back()) return depth_km < d ? "n" : "";
    return "n";
}

// Interior extremum of X(p) on a piece, or -1.
double find_caustic(const EarthModel& model, const PhaseSpec& ph, double lo, double hi) {
    constexpr int n = 200;
    std::vector<double> p(n + 1), x(n + 1);
    for (int i = 0; i <= n; ++i) {
        p[i] = lo + (hi - lo) * 0.5 * (1.0 - std::cos(kPi * i / n));
        x[i] = evaluate(model, ph, p[i]).tx.x;
    }
    for (int i = 2; i < n - 1; ++i) {
        const double d1 = x[i] - x[i - 1];
        const double d2 = x[i + 1] - x[i];
        if (d1 * d2 >= 0.0) continue;
        const double sign = d1 > 0.0 ? -1.0 : 1.0; // minimise sign * x
        double a = p[i - 1], b = p[i + 1];
        const double g = 0.5 * (std::sqrt(5.0) - 1.0);
        for (int it = 0; it < 200 && b - a > 1e-12 * hi; ++it) {
            const double c = b - g * (b - a), d = a + g * (b - a);
            if (sign * evaluate(model, ph, c).tx.x < sign * evaluate(model, ph, d).tx.x)
                b = d;
            else
                a = c;
        }
        return 0.5 * (a + b);
    }
    return -1.0;
}

std::vector<Piece> phase_pieces(const EarthModel& model, const PhaseSpec& ph) {
    std::vector<Piece> pieces;
    const std::vector<double> breaks = phase_breaks(model, ph);
    for (std::size_t i = 1; i < breaks.size(); ++i) {
        const double lo = breaks[i - 1], hi = breaks[i];
        Piece piece{lo, hi, ph.name, -1.0};
        if (ph.naming == Naming::TurningDepth) {
            const PhaseEval e = evaluate(model, ph, 0.5 * (lo + hi));
            const Leg* turning_leg = nullptr;
            for (const Leg& l : ph.legs)
                if (l.turns) turning_leg = &l;
            double depth = model.radius() * (1.0 - std::exp(e.turning.stop_z));
            if (e.turning.reflected) depth -= 1e-6;
            piece.code += turning_class(model, turning_leg->wave, depth);
            pieces.push_back(piece);
        } else if (ph.naming == Naming::CoreBranch) {
            const double c = find_caustic(model, ph, lo, hi);
            if (c > 0.0) {
                pieces.push_back({lo, c, ph.name + "bc", c});
                pieces.push_back({c, hi, ph.name + "ab", c});
            } else {
                pieces.push_back({lo, hi, ph.name + "ac", -1.0});
            }
        } else {
            pieces.push_back(piece);
        }
    }
    return pieces;
}

// The ray-parameter grid shared by all branches: the critical points, with points between them
// crowded towards each critical point, where tau(p) is least smooth.
std::vector<double> build_grid(std::vector<double> crit, int capacity) {
    std::sort(crit.begin(), crit.end());
    crit.erase(std::unique(crit.begin(), crit.end(),
                           [](double a, double b) { return std::fabs(a - b) <= kSameP; }),
               crit.end());
    const int gaps = static_cast<int>(crit.size()) - 1;
    const int budget = capacity - static_cast<int>(crit.size());
    std::vector<double> weight(gaps);
    double total = 0.0;
    for (int g = 0; g < gaps; ++g)
        total += weight[g] = std::sqrt(crit[g + 1] - crit[g]);
    std::vector<int> inner(gaps);
    // Scale the weights so that the inner points fill the budget, at least two per gap.
    double scale = budget / std::max(total, 1e-30);
    for (int it = 0; it < 60; ++it) {
        int used = 0;
        for (int g = 0; g < gaps; ++g)
            used += inner[g] = std::max(2, int(scale * weight[g]));
        if (used > budget)
            scale *= 0.97;
        else if (used < budget - gaps)
            scale *= 1.02;
        else
            break;
    }
    std::vector<double> grid;
    for (int g = 0; g < gaps; ++g) {
        const double a = crit[g], b = crit[g + 1];
        const int n = inner[g] + 1;
        grid.push_back(a);
        for (int j = 1; j < n; ++j)
            grid.push_back(a + (b - a) * 0.5 * (1.0 - std::cos(kPi * j / n)));
    }
    grid.push_back(crit.back());
    return grid;
}

void hermite(double p0, double p1, double tau0, double tau1, double x0, double x1, double* c) {
    const double h = p1 - p0;
    const double m0 = -x0, m1 = -x1;
    const double delta = (tau1 - tau0) / h;
    c[0] = tau0;
    c[1] = m0;
    c[2] = (3.0 * delta - 2.0 * m0 - m1) / h;
    c[3] = (m0 + m1 - 2.0 * delta) / (h * h);
}

double hermite_at(const double* c, double d) {
    return c[0] + d * (c[1] + d * (c[2] + d * c[3]));
}

struct Sample {
    double p, tau, x;
};

// Misfit midway between two samples of the cubic through them.
double midway_misfit(const EarthModel& model, const PhaseSpec& ph, const Sample& a, const Sample& b,
                     Sample& mid) {
    double c[4];
    hermite(a.p, b.p, a.tau, b.tau, a.x, b.x, c);
    mid.p = 0.5 * (a.p + b.p);
    const TauX tx = evaluate(model, ph, mid.p).tx;
    mid.tau = tx.tau;
    mid.x = tx.x;
    return std::fabs(hermite_at(c, mid.p - a.p) - mid.tau);
}

// Whether the cubic through samples a and b follows tau and X at the samples between them.
bool follows(const std::vector<Sample>& s, std::size_t a, std::size_t b) {
    double c[4];
    hermite(s[a].p, s[b].p, s[a].tau, s[b].tau, s[a].x, s[b].x, c);
    for (std::size_t k = a + 1; k < b; ++k) {
        const double d = s[k].p - s[a].p;
        const double x = -(c[1] + d * (2.0 * c[2] + d * 3.0 * c[3]));
        if (std::fabs(hermite_at(c, d) - s[k].tau) > kThinningTolerance ||
            std::fabs(x - s[k].x) > kDistanceTolerance)
            return false;
    }
    return true;
}

// The samples of one branch. Candidates are the grid points g0..g1 and, in the intervals next
// to each end, more points while the cubic of an interval misses tau midway by more than the
// tolerance: a ray grazing a discontinuity at a branch end makes tau(p) bend like
// (p_end - p)^(3/2) there, which a cubic follows only over short intervals. Of the candidates
// a sample is kept only where the cubic between its neighbours would not follow tau and X.
std::vector<Sample> branch_samples(const EarthModel& model, const PhaseSpec& ph,
                                   const std::vector<double>& grid, int g0, int g1) {
    std::vector<double> ps(grid.begin() + g0, grid.begin() + g1 + 1);
    // The slownesses of the model samples where the ray turns, between grid points.
    const double lo = grid[g0], hi = grid[g1];
    for (const Leg& leg : ph.legs) {
        if (!leg.turns) continue;
        for (double eta : model.sample_slownesses(leg.wave))
            if (eta > lo + kSameP && eta < hi - kSameP) ps.push_back(eta);
    }
    std::sort(ps.begin(), ps.end());
    ps.erase(std::unique(ps.begin(), ps.end(),
                         [](double a, double b) { return std::fabs(a - b) <= kSameP; }),
             ps.end());
    std::vector<Sample> s;
    for (double p : ps) {
        const TauX tx = evaluate(model, ph, p).tx;
        s.push_back({p, tx.tau, tx.x});
    }
    const std::size_t n = s.size();
    if (n < 2) return s;
    const double near_lo = s[std::min(n - 1, kEndIntervals)].p;
    const double near_hi = s[n - 1 - std::min(n - 1, kEndIntervals)].p;
    for (int pass = 0; pass < kMaxRefinements; ++pass) {
        std::vector<Sample> refined{s.front()};
        for (std::size_t k = 0; k + 1 < s.size(); ++k) {
            Sample mid;
            const bool at_end = s[k + 1].p <= near_lo || s[k].p >= near_hi;
            if (at_end && midway_misfit(model, ph, s[k], s[k + 1], mid) > kTauTolerance)
                refined.push_back(mid);
            refined.push_back(s[k + 1]);
        }
        const bool done = refined.size() == s.size();
        s = std::move(refined);
        if (done) break;
    }
    std::vector<Sample> kept{s.front()};
    for (std::size_t a = 0; a + 1 < s.size();) {
        std::size_t b = a + 1;
        while (b + 1 < s.size() && b + 1 - a <= kLongestSpan && follows(s, a, b + 1))
            ++b;
        kept.push_back(s[b]);
        a = b;
    }
    return kept;
}

void set_code(std::array<char, 8>& dst, const std::string& code) {
    dst.fill(' ');
    std::memcpy(dst.data(), code.data(), std::min<std::size_t>(8, code.size()));
}

// Tabulates on the grid built from the critical ray parameters with at most grid_capacity
// points.
bool tabulate_on_grid(const EarthModel& model, const std::vector<std::vector<Piece>>& pieces,
                      const std::vector<double>& crit, int grid_capacity, Tabulation& out,
                      std::string& why) {
    TableHeader& h = out.header;
    h = TableHeader{};
    out.records.clear();
    out.notes.clear();
    const double a = model.radius();
    h.radius_factor = static_cast<float>(1.0 / a);
    h.slowness_factor = static_cast<float>(a);
    h.time_factor = 1.0f;
    const auto& catalogue = phase_catalogue();
    const std::vector<double> grid = build_grid(crit, grid_capacity);
    if (static_cast<int>(grid.size()) > ttcap::kUpgoing) {
        why = "too many critical ray parameters for the up-going tables";
        return false;
    }
    auto grid_index = [&](double p) {
        auto it = std::lower_bound(grid.begin(), grid.end(), p - kSameP);
        return static_cast<int>(it - grid.begin());
    };

    // Segments and branches. A phase that joins the one before it adds its branches to that
    // phase's segment.
    int nseg = 0, nbrn = 0, nsamp = 0;
    bool previous_tabulated = false;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const PhaseSpec& ph = catalogue[i];
        const bool joins = ph.joins_previous && previous_tabulated;
        previous_tabulated = false;
        if (pieces[i].empty()) continue;
        std::vector<std::vector<Sample>> samples;
        int need = 0;
        for (const Piece& pc : pieces[i]) {
            samples.push_back(
                branch_samples(model, ph, grid, grid_index(pc.lo), grid_index(pc.hi)));
            need += static_cast<int>(samples.back().size());
        }
        if (nseg + (joins ? 0 : 1) > ttcap::kSegments ||
            nbrn + int(pieces[i].size()) > ttcap::kBranches || nsamp + need > ttcap::kSamples) {
            out.notes.push_back("phase " + ph.name + " left out: tables full");
            continue;
        }
        previous_tabulated = true;
        const int seg = joins ? nseg - 1 : nseg++;
        if (joins) {
            h.fcs[0][seg] = std::min(h.fcs[0][seg], static_cast<float>(pieces[i].front().lo));
            h.fcs[1][seg] = std::max(h.fcs[1][seg], static_cast<float>(pieces[i].back().hi));
        } else {
            h.nafl[0][seg] = ph.family == Family::Direct ? -ph.source_type : ph.source_type;
            h.nafl[1][seg] = ph.family == Family::Direct ? 0 : ph.source_type;
            h.nafl[2][seg] = ph.family == Family::Depth ? 1 : 0;
            h.indx[0][seg] = nsamp + 1;
            h.kndx[0][seg] = nbrn + 1;
            h.fcs[0][seg] = static_cast<float>(pieces[i].front().lo);
            h.fcs[1][seg] = static_cast<float>(pieces[i].back().hi);
        }
        for (std::size_t j = 0; j < pieces[i].size(); ++j) {
            const Piece& pc = pieces[i][j];
            const int b = nbrn++;
            set_code(h.phcd[b], pc.code);
            h.jndx[0][b] = nsamp + 1;
            for (const Sample& smp : samples[j]) {
                h.pt[nsamp] = smp.p;
                h.taut[nsamp] = smp.tau;
                h.coef[nsamp][0] = smp.x;
                ++nsamp;
            }
            h.jndx[1][b] = nsamp;
            const int first = h.jndx[0][b] - 1, last = nsamp - 1;
            for (int k = first; k < last; ++k)
                hermite(h.pt[k], h.pt[k + 1], h.taut[k], h.taut[k + 1], h.coef[k][0],
                        h.coef[k + 1][0], &h.coef[k][1]);
            h.px[0][b] = h.pt[first];
            h.px[1][b] = h.pt[last];
            h.xt[0][b] = h.coef[first][0];
            h.xt[1][b] = h.coef[last][0];
            // A caustic inside the core branches is kept in the spare distance slot.
            if (pc.caustic > 0.0) h.fcs[2][seg] = static_cast<float>(pc.caustic);
        }
        h.indx[1][seg] = nsamp;
        h.kndx[1][seg] = nbrn;
    }
    h.nseg = nseg;
    h.nbrn = nbrn;
    h.nl = nsamp;

    // Up-going tables at every model sample of P and S down to the core-mantle boundary.
    const int ku = static_cast<int>(grid.size());
    int rec = 0;
    for (int w = 0; w < 2; ++w) {
        const Wave wave = w == 0 ? Wave::P : Wave::S;
        const std::vector<ColumnSample>& col = model.mantle_samples(wave);
        if (static_cast<int>(col.size()) > ttcap::kDepthSamples) {
            why = "more than 150 model samples above the core";
            return false;
        }
        h.mt[w] = static_cast<int>(col.size());
        h.ku[w] = ku;
        for (int j = 0; j < ku; ++j)
            h.pu[w][j] = grid[j];
        // The up-going leg from each sample depth, summed layer by layer on the way down.
        const auto& layers = model.layers(wave, Region::Mantle);
        std::size_t next_layer = 0;
        std::vector<double> sum(2 * static_cast<std::size_t>(ku), 0.0);
        for (int k = 0; k < h.mt[w]; ++k) {
            h.pm[w][k] = col[k].eta;
            h.zm[w][k] = col[k].z;
            if (col[k].z == 0.0) {
                h.ndex[w][k] = 0;
                continue;
            }
            if (k > 0 && col[k].z == col[k - 1].z) {
                h.ndex[w][k] = h.ndex[w][k - 1];
                continue;
            }
            for (; next_layer < layers.size() && layers[next_layer].z_top > col[k].z;
                 ++next_layer) {
                const SlownessLayer& l = layers[next_layer];
                for (int j = 0; j < ku; ++j) {
                    const TauX part = layer_tau(l, grid[j], std::max(l.z_bot, col[k].z));
                    sum[j] += part.tau;
                    sum[ku + j] += part.x;
                }
            }
            out.records.push_back(sum);
            h.ndex[w][k] = ++rec;
        }
        // Branch-end ray parameters of the segments leaving the source as this wave type.
        std::vector<double> ends;
        for (int s = 0; s < nseg; ++s) {
            if (std::abs(h.nafl[0][s]) != w + 1) continue;
            for (int b = h.kndx[0][s]; b <= h.kndx[1][s]; ++b) {
                ends.push_back(h.px[0][b - 1]);
                ends.push_back(h.px[1][b - 1]);
            }
        }
        std::sort(ends.begin(), ends.end());
        ends.erase(std::unique(ends.begin(), ends.end()), ends.end());
        if (ends.size() > static_cast<std::size_t>(ttcap::kUpgoingDistance))
            ends.resize(ttcap::kUpgoingDistance);
        h.km[w] = static_cast<int>(ends.size());
        std::copy(ends.begin(), ends.end(), h.pux[w].begin());
    }
    h.nasgr = static_cast<int>(2 * ku * sizeof(double));
    h.len2 = rec;
    return true;
}

} // namespace

bool tabulate_model(const EarthModel& model, Tabulation& out, std::string& why) {
    // Pieces of every phase, and the critical ray parameters: their ends, the kinks of X(p)
    // and the surface slownesses, which the up-going tables reach.
    const auto& catalogue = phase_catalogue();
    std::vector<std::vector<Piece>> pieces(catalogue.size());
    std::vector<double> crit;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        pieces[i] = phase_pieces(model, catalogue[i]);
        for (const Piece& pc : pieces[i]) {
            crit.push_back(pc.lo);
            crit.push_back(pc.hi);
        }
    }
    for (Wave w : {Wave::P, Wave::S})
        for (double eta : model.gradient_kinks(w))
            crit.push_back(eta);
    for (Wave w : {Wave::P, Wave::S})
        crit.push_back(model.layers(w, Region::Mantle).front().eta_top);
    crit.push_back(0.0);
    // The densest grid whose branches all fit the sample capacity.
    for (int capacity = ttcap::kUpgoing;; capacity -= kGridStep) {
        if (!tabulate_on_grid(model, pieces, crit, capacity, out, why)) return false;
        if (out.notes.empty() || capacity - kGridStep < ttcap::kUpgoing / 2) return true;
    }
}

bool write_model_tables(const EarthModel& model, const std::string& outbase, std::string& why,
                        std::vector<std::string>* notes) {
    Tabulation t;
    if (!tabulate_model(model, t, why)) return false;
    if (notes) *notes = t.notes;
    return write_header_file(outbase + ".hed", t.header, why) &&
           write_table_file(outbase + ".tbl", t.header.nasgr, t.records, why);
}

} // namespace tw
