#include "traveltime/selected_branches.hpp"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "text/format.hpp"
#include "traveltime/tt_stop.hpp"

namespace tw {

namespace {

constexpr double kMinDepth = 0.011; // km
constexpr double kFlatFloor = 1e-30;
constexpr double kModelTol = 1e-6;             // equal model depths and slownesses
constexpr double kRootTol = 3e-6;              // ray parameter, as a fraction of the interval
constexpr double kSqrtTol = 1e-10;             // negative discriminants taken as 0
constexpr double kShortestBranch = 0.00392403; // rad
constexpr double kDiffractionEnd = 2.5307274;  // rad, 145 degrees
constexpr double kPi = 3.1415927;
constexpr double kTwoPi = 6.2831853;
constexpr double kDistTol = 1e-6; // rad
constexpr int kClusterNodes = 10; // extra samples towards a source-slowness end

} // namespace

SelectedBranches::SelectedBranches(ModelTables& tables,
                                   const std::array<int, ttcap::kSegments>& segmsk,
                                   std::ostream& messages)
    : tables_(tables), hdr_(tables.header()), segmsk_(segmsk), out_(&messages) {
    buffer_.assign(static_cast<std::size_t>(hdr_.nasgr) / sizeof(double), 0.0);
    fitted_.assign(static_cast<std::size_t>(hdr_.nbrn + 2), Fitted{});
}

void SelectedBranches::message(const std::string& line) {
    *out_ << line << '\n';
}

// ---------------------------------------------------------------------------------------------
// Depth correction

void SelectedBranches::depset(float depth, std::array<float, 2>& usrc) {
    const double h = std::max(static_cast<double>(depth), kMinDepth);
    if (h != prev_depth_) {
        for (auto& f : fitted_)
            f.enabled = false;
        corrected_seg_.fill(false);
        corrected_wave_ = {false, false};
        const double rf = hdr_.radius_factor;
        zs_ = std::min(std::log(std::max(1.0 - h * rf, kFlatFloor)), 0.0);
        depth_factor_ = 1.0 / (hdr_.slowness_factor * (1.0 - h * rf));
        prev_depth_ = h;
        ++depth_corrections_;
    }
    bool need[2] = {false, false};
    bool pending = false;
    for (int n = 0; n < hdr_.nseg; ++n) {
        if (!segmsk_[n] || corrected_seg_[n]) continue;
        pending = true;
        need[std::abs(hdr_.nafl[0][n]) <= 1 ? 0 : 1] = true;
    }
    if (pending) {
        const int first = last_wave_;
        for (int w : {first, 1 - first})
            if (need[w] && !corrected_wave_[w]) depcor(w);
        for (int n = 0; n < hdr_.nseg; ++n)
            if (segmsk_[n] && !corrected_seg_[n]) correct_segment(n);
    }
    for (int w = 0; w < 2; ++w)
        usrc[w] = static_cast<float>(us_[w] / hdr_.slowness_factor);
}

int SelectedBranches::umod(double zs, int wave, double& usrc) {
    const auto& zm = hdr_.zm[wave];
    const auto& pm = hdr_.pm[wave];
    const int last = hdr_.mt[wave] - 1;
    int found = -1;
    for (int k = 0; k < last && found < 0; ++k) {
        if (zm[k] - zm[k + 1] <= kModelTol) continue; // a discontinuity: no layer between
        if (zm[k] >= zs - kModelTol && zs > zm[k + 1] + kModelTol) found = k;
    }
    // A source on the deepest sample lies at the bottom of the last interval.
    if (found < 0 && std::fabs(zs - zm[last]) <= kModelTol)
        for (int k = last - 1; k >= 0 && found < 0; --k)
            if (zm[k] - zm[k + 1] > kModelTol) found = k;
    if (found < 0) {
        // The depth as given (a depth beyond the Earth's radius has no flattened depth), in
        // six characters or as many as it needs.
        std::string depth = format_f(prev_depth_, 6, 1);
        if (depth.find('*') != std::string::npos) {
            depth = format_f(prev_depth_, 24, 1);
            depth.erase(0, depth.find_first_not_of(' '));
        }
        travel_time_stop(kSourceTooDeep, "Source depth (" + depth + ") too deep.");
    }
    // The slowness of the thin layer holding the source, so that a ray leaving the source
    // horizontally turns at the source in the layers the correction integrates.
    usrc = pm[found];
    for (const SlownessLayer& l : tables_.interval(wave, found)) {
        if (zs >= l.z_top) break;
        usrc = zs <= l.z_bot ? l.eta_bot : l.eta_at(zs);
    }
    return found;
}

// The leg from the sample above the source down to the source.
TauX SelectedBranches::source_leg(int wave, double p) const {
    TauX sum;
    for (const SlownessLayer& l : tables_.interval(wave, source_interval_[wave])) {
        if (l.z_top <= zs_) break;
        sum += layer_tau(l, p, std::max(l.z_bot, zs_));
    }
    return sum;
}

void SelectedBranches::depcor(int wave) {
    const int k = umod(zs_, wave, us_[wave]);
    source_interval_[wave] = k;
    const int ku = hdr_.ku[wave];
    if (us_[wave] > hdr_.pu[wave][ku - 1] + kModelTol)
        travel_time_stop(kSlownessTooLarge, "Source slowness too large.");
    tables_.read_record(hdr_.ndex[wave][k], 2 * ku, buffer_.data());
    up_tau_[wave].assign(static_cast<std::size_t>(ku), 0.0);
    up_x_[wave].assign(static_cast<std::size_t>(ku), 0.0);
    for (int j = 0; j < ku; ++j) {
        const TauX part = source_leg(wave, hdr_.pu[wave][j]);
        up_tau_[wave][j] = buffer_[j] + part.tau;
        up_x_[wave][j] = buffer_[ku + j] + part.x;
    }
    corrected_wave_[wave] = true;
    last_wave_ = wave;
}

TauX SelectedBranches::upgoing_exact(int wave, double p) const {
    TauX sum;
    for (const auto& l : tables_.mantle(wave)) {
        if (l.z_top <= zs_) break;
        sum += layer_tau(l, p, std::max(l.z_bot, zs_));
    }
    return sum;
}

TauX SelectedBranches::mantle_turning(int wave, double p) const {
    TauX sum;
    for (const auto& l : tables_.mantle(wave)) {
        if (p >= l.eta_top) break;
        sum += layer_tau(l, p);
        if (l.gradient() > 0.0 && p > l.eta_bot) break;
    }
    sum.tau *= 2.0;
    sum.x *= 2.0;
    return sum;
}

TauX SelectedBranches::surface_spline(int first, int last, double p) const {
    int k = first;
    while (k + 1 < last && hdr_.pt[k + 1] < p)
        ++k;
    const auto& c = hdr_.coef[k];
    const double d = p - hdr_.pt[k];
    return {c[1] + d * (c[2] + d * (c[3] + d * c[4])), -(c[2] + d * (2.0 * c[3] + d * 3.0 * c[4]))};
}

void SelectedBranches::correct_segment(int seg) {
    const int wave = std::abs(hdr_.nafl[0][seg]) <= 1 ? 0 : 1;
    const bool direct = hdr_.nafl[0][seg] < 0;
    const bool depth_phase = hdr_.nafl[2][seg] == 1;
    const double sign = depth_phase ? 1.0 : -1.0;
    const double u = us_[wave];
    const double eps = 1e-9 * u;
    int up_code_branch = -1;

    // Near u the distance changes like sqrt(u - p): the samples closer to u than to the
    // sample before them give way to samples crowded towards u, after the last sample p_a kept.
    auto trim = [&](std::vector<Node>& nodes) {
        while (nodes.size() > 1 &&
               u - nodes.back().p < std::max(nodes.back().p - nodes[nodes.size() - 2].p, 1e-7 * u))
            nodes.pop_back();
    };
    auto cluster = [&](double p_a, auto&& value) {
        for (int j = 1; j < kClusterNodes; ++j) {
            const double s = double(kClusterNodes - j) / kClusterNodes;
            value(u - (u - p_a) * s * s);
        }
        value(u);
    };

    for (int b = hdr_.kndx[0][seg] - 1; b < hdr_.kndx[1][seg]; ++b) {
        Fitted& f = fitted_[b];
        f.nodes.clear();
        f.enabled = false;
        const int first = hdr_.jndx[0][b] - 1, last = hdr_.jndx[1][b] - 1;
        if (first < 0 || last <= first || last >= hdr_.nl) continue;
        for (int s = first; s <= last; ++s) {
            const double p = hdr_.pt[s];
            if (p >= u - eps) break;
            const int g = tables_.sample_grid(s);
            const TauX up =
                g >= 0 ? TauX{up_tau_[wave][g], up_x_[wave][g]} : upgoing_exact(wave, p);
            f.nodes.push_back({p, hdr_.taut[s] + sign * up.tau, hdr_.coef[s][0] + sign * up.x});
        }
        const bool truncated = hdr_.pt[last] >= u - eps && hdr_.pt[first] < u - eps;
        if (truncated) {
            if (direct && up_code_branch < 0) up_code_branch = b;
            trim(f.nodes);
            const double p_a = f.nodes.back().p;
            cluster(p_a, [&](double p) {
                const TauX s = direct ? mantle_turning(wave, p) : surface_spline(first, last, p);
                const TauX up = upgoing_exact(wave, p);
                f.nodes.push_back({p, s.tau + sign * up.tau, s.x + sign * up.x});
            });
        }
        if (f.nodes.size() < 2) continue;
        f.code = tables_.branch_code(b);
        f.wave = wave;
        f.sign = sign;
        f.diffracted = tables_.diffracted(b);
        f.upgoing = false;
        f.caustic = f.code.find("ab") != std::string::npos ? hdr_.px[0][b] : -1.0;
        spfit(f);
    }
    corrected_seg_[seg] = true;
    if (!direct) return;

    // The up-going branch of the source, named after the branch the source lies in.
    if (up_code_branch < 0) {
        for (int b = hdr_.kndx[0][seg] - 1; b < hdr_.kndx[1][seg]; ++b)
            if (hdr_.px[0][b] <= u + eps) up_code_branch = b;
    }
    Fitted& f = fitted_[static_cast<std::size_t>(hdr_.nbrn + wave)];
    f.nodes.clear();
    f.enabled = false;
    if (up_code_branch < 0) return;
    const int ku = hdr_.ku[wave];
    for (int j = 0; j < ku && hdr_.pu[wave][j] < u - eps; ++j)
        f.nodes.push_back({hdr_.pu[wave][j], up_tau_[wave][j], up_x_[wave][j]});
    trim(f.nodes);
    if (f.nodes.empty()) return;
    cluster(f.nodes.back().p, [&](double p) {
        const TauX up = upgoing_exact(wave, p);
        f.nodes.push_back({p, up.tau, up.x});
    });
    f.code = tables_.branch_code(up_code_branch);
    f.wave = wave;
    f.sign = 1.0;
    f.diffracted = false;
    f.upgoing = true;
    f.caustic = -1.0;
    spfit(f);
}

// ---------------------------------------------------------------------------------------------
// Interpolation: each interval carries the cubic tau(p) matching tau and its slope -X at both
// ends, so that X(p) is a quadratic in the interval.

void SelectedBranches::spfit(Fitted& f) {
    const std::size_t n = f.nodes.size();
    f.cubic.resize(n - 1);
    f.xlim.resize(n - 1);
    f.xmin = f.xmax = f.nodes[0].x;
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const Node& a = f.nodes[k];
        const Node& b = f.nodes[k + 1];
        const double h = b.p - a.p;
        const double m0 = -a.x, m1 = -b.x;
        const double delta = (b.tau - a.tau) / h;
        auto& c = f.cubic[k];
        c = {a.tau, m0, (3.0 * delta - 2.0 * m0 - m1) / h, (m0 + m1 - 2.0 * delta) / (h * h)};
        double lo = std::min(a.x, b.x), hi = std::max(a.x, b.x);
        if (c[3] != 0.0) {
            const double d = -c[2] / (3.0 * c[3]); // extremum of X inside the interval
            if (d > 0.0 && d < h) {
                const double xe = -(c[1] + d * (2.0 * c[2] + d * 3.0 * c[3]));
                lo = std::min(lo, xe);
                hi = std::max(hi, xe);
            }
        }
        f.xlim[k] = {lo, hi};
        f.xmin = std::min(f.xmin, lo);
        f.xmax = std::max(f.xmax, hi);
    }
    f.diff_start = f.nodes[0].x;
    f.enabled = f.diffracted || f.upgoing || f.xmax - f.xmin >= kShortestBranch;
}

// ---------------------------------------------------------------------------------------------
// Distance search

void SelectedBranches::trtm(float delta, int max, TravelTimes& out) {
    out.n = 0;
    bool any = false;
    for (const auto& f : fitted_)
        any = any || f.enabled;
    if (!any) return;
    double x1 = std::fmod(std::fabs(static_cast<double>(delta)) * kPi / 180.0, kTwoPi);
    if (x1 > kPi) x1 = kTwoPi - x1;
    std::array<double, 3> x{x1, kTwoPi - x1, x1 + kTwoPi};
    if (x1 < kDistTol) {
        x[0] = kDistTol;
        x[1] = kTwoPi - kDistTol;
        x[2] = -10.0;
    }
    if (std::fabs(x1 - kPi) < kDistTol) {
        x[0] = kPi - kDistTol;
        x[1] = -10.0;
        x[2] = kPi - kDistTol + kTwoPi;
    }
    TravelTimes work;
    int n = 0;
    more_reported_ = false;
    for (const auto& f : fitted_)
        if (f.enabled) findtt(f, x, max, n, work);
    if (n == 0) return;
    copy_sorted_arrivals(work, n, out);
}

bool SelectedBranches::add_arrival(int max, int n) {
    if (n < max) return true;
    if (!more_reported_) message(" More than" + format_i(max, 3) + " arrivals found.");
    more_reported_ = true;
    return false;
}

void SelectedBranches::findtt(const Fitted& f, const std::array<double, 3>& x, int max, int& n,
                              TravelTimes& work) {
    const double us = us_[f.wave];
    auto record = [&](double p, double tau, double xc, int cand, double d2tau,
                      const std::string& name) {
        if (!add_arrival(max, n)) return false;
        work.tt[n] = static_cast<float>(tables_.time_factor() * (tau + p * xc));
        work.dtdd[n] = static_cast<float>((cand == 1 ? -p : p) * tables_.distance_factor());
        work.dtdh[n] =
            static_cast<float>(f.sign * depth_factor_ * std::sqrt(std::fabs(us * us - p * p)));
        work.dddp[n] = static_cast<float>(-d2tau / tables_.time_factor());
        work.phcd[n] = FixedText<8>(name);
        ++n;
        return true;
    };
    for (int cand = f.first_candidate; cand <= f.last_candidate; ++cand) {
        const double xc = x[cand];
        if (xc < 0.0) continue;
        if (xc >= f.xmin && xc <= f.xmax) {
            for (std::size_t k = 0; k < f.cubic.size(); ++k) {
                if (xc < f.xlim[k][0] || xc > f.xlim[k][1]) continue;
                const auto& c = f.cubic[k];
                const double h = f.nodes[k + 1].p - f.nodes[k].p;
                // X(t) = x in t = (p - p_k) / h: A t^2 + B t + C = 0.
                const double A = 3.0 * c[3] * h * h, B = 2.0 * c[2] * h, C = c[1] + xc;
                double roots[2];
                int nroots = 0;
                if (std::fabs(A) <= 1e-12 * std::fabs(B)) {
                    if (B != 0.0) roots[nroots++] = -C / B;
                } else {
                    double disc = B * B - 4.0 * A * C;
                    if (disc < 0.0) {
                        if (disc < -kSqrtTol) {
                            FreeLine line("Bad sqrt argument:");
                            line << disc;
                            message(line.str());
                        }
                        disc = 0.0;
                    }
                    const double q = -0.5 * (B + std::copysign(std::sqrt(disc), B));
                    roots[nroots++] = q / A;
                    if (q != 0.0) roots[nroots++] = C / q;
                }
                bool found = false;
                for (int r = 0; r < nroots; ++r) {
                    double t = roots[r];
                    if (t < -kRootTol || t > 1.0 + kRootTol) continue;
                    if (r == 1 && nroots == 2 && std::fabs(roots[1] - roots[0]) < 1e-12) continue;
                    t = std::clamp(t, 0.0, 1.0);
                    found = true;
                    const double d = t * h;
                    const double p = f.nodes[k].p + d;
                    const double tau = c[0] + d * (c[1] + d * (c[2] + d * c[3]));
                    std::string name = f.code;
                    if (f.caustic > 0.0 && p <= f.caustic) {
                        const auto pos = name.find("ab");
                        if (pos != std::string::npos) name.replace(pos, 2, "bc");
                    }
                    if (!record(p, tau, xc, cand, 2.0 * c[2] + 6.0 * c[3] * d, name)) return;
                }
                if (!found) {
                    FixedLine line;
                    line.text("Failed to find phase:  ")
                        .text(f.code)
                        .f(xc, 8, 1)
                        .f(f.nodes[k].p, 12, 4)
                        .f(f.nodes[k + 1].p, 12, 4)
                        .f(nroots > 0 ? f.nodes[k].p + roots[0] * h : 0.0, 12, 4)
                        .f(nroots > 1 ? f.nodes[k].p + roots[1] * h : 0.0, 12, 4);
                    message(" " + line.str());
                }
            }
        }
        if (f.diffracted && xc > f.diff_start && xc <= kDiffractionEnd) {
            const Node& end = f.nodes[0];
            const auto& c = f.cubic[0];
            const std::string name = f.code.substr(0, f.code.find(' ')) + "diff";
            if (!record(end.p, end.tau, xc, cand, 2.0 * c[2], name)) return;
        }
    }
}

} // namespace tw
