#include "traveltime/travel_times.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iostream>

#include "text/format.hpp"
#include "traveltime/r4sort.hpp"
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
constexpr double kDistTol = 1e-6;    // rad
constexpr double kDuplicate = 0.005; // s
constexpr int kClusterNodes = 8;     // extra samples towards a source-slowness end

std::string code_text(const std::array<char, 8>& c) {
    std::string s(c.data(), 8);
    return s.substr(0, static_cast<std::size_t>(klen(s)));
}

} // namespace

TravelTimeCalculator::TravelTimeCalculator(std::string model_base)
    : in_(&std::cin), out_(&std::cout) {
    model_base_[0] = model_base;
    const auto slash = model_base.find_last_of('/');
    model_base_[1] =
        (slash == std::string::npos ? std::string() : model_base.substr(0, slash + 1)) + "prem";
}

void TravelTimeCalculator::set_streams(std::istream& in, std::ostream& out) {
    in_ = &in;
    out_ = &out;
}

void TravelTimeCalculator::message(const std::string& line) {
    *out_ << line << '\n';
}

std::string TravelTimeCalculator::branch_code(int branch) const {
    return code_text(hdr_.phcd[static_cast<std::size_t>(branch)]);
}

// ---------------------------------------------------------------------------------------------
// Entry point

void TravelTimeCalculator::ttimes(float depth, float delta, std::string_view keyword,
                                  TravelTimes& out) {
    const std::string& base = model_base_[t_model == 0 ? 0 : 1];
    prflags_ = {0, 0, 0};
    out = TravelTimes{};
    t_slow = {0.0f, 0.0f};
    const FixedText<8> key(keyword);
    if (!loaded_ || !(key == last_keyword_)) {
        close_table();
        tabin(base);
        const std::string k(key.trimmed());
        brnset(std::span<const std::string>(&k, 1), prflags_);
        last_keyword_ = key;
    }
    std::array<float, 2> usrc{};
    depset(depth, usrc);
    trtm(delta, ttcap::kArrivals, out);
}

// ---------------------------------------------------------------------------------------------
// Loading and branch selection

void TravelTimeCalculator::tabin(const std::string& model_base) {
    std::string base = model_base.substr(0, model_base.find(' '));
    if (base.empty()) {
        // No model named: ask for one.
        *out_ << "Enter model name:" << std::endl;
        std::getline(*in_, base);
        base = base.substr(0, base.find(' '));
    }
    std::string why;
    if (!read_header_file(base + ".hed", hdr_, why))
        travel_time_stop(kTableUnreadable, "Error: travel-time table " + why);
    if (!table_.open(base + ".tbl", hdr_.nasgr, why))
        travel_time_stop(kTableUnreadable, "Error: travel-time table " + why);
    if (hdr_.nseg < 0 || hdr_.nseg > ttcap::kSegments || hdr_.nbrn < 0 ||
        hdr_.nbrn > ttcap::kBranches || hdr_.ku[0] < 1 || hdr_.ku[0] > ttcap::kUpgoing ||
        hdr_.ku[1] != hdr_.ku[0] || hdr_.mt[0] < 2 || hdr_.mt[0] > ttcap::kDepthSamples ||
        hdr_.mt[1] < 2 || hdr_.mt[1] > ttcap::kDepthSamples || hdr_.nl > ttcap::kSamples ||
        hdr_.nasgr < static_cast<int>(2 * hdr_.ku[0] * sizeof(double)))
        travel_time_stop(kTableUnreadable,
                         "Error: travel-time table " + base + ".hed: inconsistent contents");
    for (int w = 0; w < 2; ++w)
        if (hdr_.ku[w] < ttcap::kUpgoing) hdr_.pu[w][hdr_.ku[w]] = hdr_.pm[w][0];
    time_factor_ = 1.0f / hdr_.time_factor;
    distance_factor_ = kPi / (180.0f * hdr_.slowness_factor * hdr_.radius_factor);
    prev_depth_ = -1.0;

    // Model layers above the core, for the depth correction.
    for (int w = 0; w < 2; ++w) {
        mantle_[w].clear();
        for (int k = 0; k + 1 < hdr_.mt[w]; ++k) {
            if (hdr_.zm[w][k] - hdr_.zm[w][k + 1] <= 0.0) continue;
            mantle_[w].push_back(
                {hdr_.zm[w][k], hdr_.zm[w][k + 1], hdr_.pm[w][k], hdr_.pm[w][k + 1]});
        }
        up_tau_[w].assign(static_cast<std::size_t>(hdr_.ku[w]), 0.0);
        up_x_[w].assign(static_cast<std::size_t>(hdr_.ku[w]), 0.0);
    }
    buffer_.assign(static_cast<std::size_t>(hdr_.nasgr) / sizeof(double), 0.0);

    // Grid position of every sample, and the segment of every branch.
    const auto& grid = hdr_.pu[0];
    const int ku = hdr_.ku[0];
    sample_grid_.assign(static_cast<std::size_t>(std::max(hdr_.nl, 0)), 0);
    for (int s = 0; s < hdr_.nl; ++s) {
        const auto it = std::lower_bound(grid.begin(), grid.begin() + ku, hdr_.pt[s] - 1e-7);
        sample_grid_[s] = std::min(static_cast<int>(it - grid.begin()), ku - 1);
    }
    branch_segment_.assign(static_cast<std::size_t>(hdr_.nbrn), 0);
    for (int n = 0; n < hdr_.nseg; ++n)
        for (int b = hdr_.kndx[0][n]; b <= hdr_.kndx[1][n] && b <= hdr_.nbrn; ++b)
            if (b >= 1) branch_segment_[b - 1] = n;

    // Branches that continue as diffracted waves: the first of each of these names.
    std::array<std::string, 6> names{"P", "S", "pP", "sP", "pS", "sS"};
    diff_mark_.fill(false);
    for (int b = 0; b < hdr_.nbrn; ++b) {
        const int n = branch_segment_[b];
        const std::string code = branch_code(b);
        if (hdr_.nafl[0][n] > 0 && !code.empty() && (code[0] == 'P' || code[0] == 'S')) continue;
        for (auto& name : names) {
            if (!name.empty() && name == code) {
                diff_mark_[b] = true;
                name.clear();
                break;
            }
        }
    }
    fitted_.assign(static_cast<std::size_t>(hdr_.nbrn + 2), Fitted{});
    corrected_seg_.fill(false);
    corrected_wave_ = {false, false};
    loaded_ = true;
    ++loads_;
}

std::string TravelTimeCalculator::generic_name(std::string_view code) {
    std::string g;
    for (std::size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == ' ') break;
        if (i >= 1) {
            const std::string_view rest = code.substr(i);
            if (rest.starts_with("ab") || rest.starts_with("ac") || rest.starts_with("df")) break;
            if (c == 'b' || c == 'g' || c == 'n') continue;
        }
        g += c;
    }
    return g;
}

void TravelTimeCalculator::brnset(std::span<const std::string> keywords,
                                  const std::array<int, 3>& prflags) {
    segmsk_.fill(1);
    prflags_ = prflags;
    std::vector<std::string> keys(keywords.begin(),
                                  keywords.begin() +
                                      std::min<std::size_t>(keywords.size(), ttcap::kKeywords));
    if (keys.size() == 1 && (keys[0] == "query" || keys[0] == "QUERY")) {
        keys.clear();
        while (keys.empty()) {
            message("Enter desired branch control list at the prompts:");
            std::string line;
            while (keys.size() < static_cast<std::size_t>(ttcap::kKeywords)) {
                *out_ << "* " << std::flush;
                if (!std::getline(*in_, line)) break;
                const auto first = line.find_first_not_of(' ');
                if (first == std::string::npos) break;
                const auto last = line.find_last_not_of(' ');
                keys.push_back(line.substr(first, last - first + 1));
            }
            if (!keys.empty()) break;
            message("You must enter some branch control information!");
            message("     possibilities are:");
            message("          P");
            message("          P+");
            message("          basic");
            message("          S+");
            message("          or any generic phase name");
            if (!*in_) return; // no more input: keep every segment
        }
    }
    // Generic names, one entry per run of equal names within a segment.
    struct Entry {
        std::string name;
        int seg;
    };
    std::vector<Entry> entries;
    for (int b = 0; b < hdr_.nbrn && entries.size() < static_cast<std::size_t>(ttcap::kBranches);
         ++b) {
        const std::string g = generic_name(branch_code(b));
        const int seg = branch_segment_[b];
        if (!entries.empty() && entries.back().seg == seg && entries.back().name == g) continue;
        entries.push_back({g, seg});
    }
    const bool all = keys.size() == 1 && (keys[0] == "all" || keys[0] == "ALL");
    if (!all) {
        static const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
            {"P", {"P", "PKiKP"}},
            {"P+", {"P", "PKiKP", "PcP", "pP", "pPKiKP", "sP", "sPKiKP"}},
            {"basic",
             {"P", "PKiKP", "PcP", "pP", "pPKiKP", "sP", "sPKiKP", "ScP", "SKP", "PKKP", "SKKP",
              "PP", "S"}},
            {"S+", {"S", "ScS", "sS", "pS"}}};
        segmsk_.fill(0);
        for (const std::string& key : keys) {
            const std::vector<std::string>* list = nullptr;
            for (const auto& c : commands)
                if (c.first == key) list = &c.second;
            bool found = false;
            for (const Entry& e : entries) {
                const bool hit = list ? std::find(list->begin(), list->end(), e.name) != list->end()
                                      : e.name == key;
                if (hit) {
                    segmsk_[e.seg] = 1;
                    found = true;
                }
            }
            if (!list && !found) {
                FreeLine line;
                line << "Brnset:  phase" << key << "not found.";
                message(line.str());
            }
        }
    }
    if (prflags_[2] != 0) {
        message(" Brnset:  the following phases have been selected -");
        for (int n = 0; n < hdr_.nseg; ++n) {
            if (!segmsk_[n]) continue;
            FreeLine line;
            line << n + 1;
            int names = 0;
            for (const Entry& e : entries)
                if (e.seg == n) {
                    line << e.name;
                    ++names;
                }
            if (names == 0) {
                FreeLine missing;
                missing << "Brnset:  Segment pointer (" << n + 1 << ") missing?";
                message(missing.str());
            } else
                message(line.str());
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Depth correction

void TravelTimeCalculator::depset(float depth, std::array<float, 2>& usrc) {
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

int TravelTimeCalculator::umod(double zs, int wave, double& usrc, SlownessLayer& layer) {
    const auto& zm = hdr_.zm[wave];
    const auto& pm = hdr_.pm[wave];
    for (int k = 0; k + 1 < hdr_.mt[wave]; ++k) {
        if (zm[k] - zm[k + 1] <= kModelTol) continue; // a discontinuity: no layer between
        if (zm[k] >= zs - kModelTol && zs > zm[k + 1] + kModelTol) {
            layer = {zm[k], zm[k + 1], pm[k], pm[k + 1]};
            usrc = layer.eta_at(std::min(zs, zm[k]));
            return k;
        }
    }
    const double depth_km = (1.0 - std::exp(zs)) / hdr_.radius_factor;
    travel_time_stop(kSourceTooDeep, "Source depth (" + format_f(depth_km, 6, 1) + ") too deep.");
}

void TravelTimeCalculator::depcor(int wave) {
    const int k = umod(zs_, wave, us_[wave], source_layer_[wave]);
    const int ku = hdr_.ku[wave];
    if (us_[wave] > hdr_.pu[wave][ku - 1] + kModelTol)
        travel_time_stop(kSlownessTooLarge, "Source slowness too large.");
    if (!table_.bkin(hdr_.ndex[wave][k], 2 * ku, buffer_.data()))
        travel_time_stop(kTableUnreadable, "Error: travel-time table: cannot read record " +
                                               std::to_string(hdr_.ndex[wave][k]));
    const SlownessLayer& layer = source_layer_[wave];
    for (int j = 0; j < ku; ++j) {
        const TauX part = layer_tau(layer, hdr_.pu[wave][j], std::min(zs_, layer.z_top));
        up_tau_[wave][j] = buffer_[j] + part.tau;
        up_x_[wave][j] = buffer_[ku + j] + part.x;
    }
    corrected_wave_[wave] = true;
    last_wave_ = wave;
}

TauX TravelTimeCalculator::upgoing(int wave, int grid_index, double) const {
    return {up_tau_[wave][grid_index], up_x_[wave][grid_index]};
}

TauX TravelTimeCalculator::upgoing_exact(int wave, double p) const {
    TauX sum;
    for (const auto& l : mantle_[wave]) {
        if (l.z_top <= zs_) break;
        sum += layer_tau(l, p, std::max(l.z_bot, zs_));
    }
    return sum;
}

TauX TravelTimeCalculator::mantle_turning(int wave, double p) const {
    TauX sum;
    for (const auto& l : mantle_[wave]) {
        if (p >= l.eta_top) break;
        sum += layer_tau(l, p);
        if (l.gradient() > 0.0 && p > l.eta_bot) break;
    }
    sum.tau *= 2.0;
    sum.x *= 2.0;
    return sum;
}

TauX TravelTimeCalculator::surface_spline(int first, int last, double p) const {
    int k = first;
    while (k + 1 < last && hdr_.pt[k + 1] < p)
        ++k;
    const auto& c = hdr_.coef[k];
    const double d = p - hdr_.pt[k];
    return {c[1] + d * (c[2] + d * (c[3] + d * c[4])), -(c[2] + d * (2.0 * c[3] + d * 3.0 * c[4]))};
}

void TravelTimeCalculator::correct_segment(int seg) {
    const int wave = std::abs(hdr_.nafl[0][seg]) <= 1 ? 0 : 1;
    const bool direct = hdr_.nafl[0][seg] < 0;
    const bool depth_phase = hdr_.nafl[2][seg] == 1;
    const double sign = depth_phase ? 1.0 : -1.0;
    const double u = us_[wave];
    const double eps = 1e-9 * u;
    int up_code_branch = -1;

    // Samples crowded towards the source slowness u, after the last sample p_a below it.
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
            const TauX up = upgoing(wave, sample_grid_[s], p);
            f.nodes.push_back({p, hdr_.taut[s] + sign * up.tau, hdr_.coef[s][0] + sign * up.x});
        }
        const bool truncated = hdr_.pt[last] >= u - eps && hdr_.pt[first] < u - eps;
        if (truncated) {
            if (direct && up_code_branch < 0) up_code_branch = b;
            while (f.nodes.size() > 1 && u - f.nodes.back().p < 1e-7 * u)
                f.nodes.pop_back();
            const double p_a = f.nodes.back().p;
            cluster(p_a, [&](double p) {
                const TauX s = direct ? mantle_turning(wave, p) : surface_spline(first, last, p);
                const TauX up = upgoing_exact(wave, p);
                f.nodes.push_back({p, s.tau + sign * up.tau, s.x + sign * up.x});
            });
        }
        if (f.nodes.size() < 2) continue;
        f.code = branch_code(b);
        f.wave = wave;
        f.sign = sign;
        f.diffracted = diff_mark_[b];
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
    while (f.nodes.size() > 1 && u - f.nodes.back().p < 1e-7 * u)
        f.nodes.pop_back();
    if (f.nodes.empty()) return;
    cluster(f.nodes.back().p, [&](double p) {
        const TauX up = upgoing_exact(wave, p);
        f.nodes.push_back({p, up.tau, up.x});
    });
    f.code = branch_code(up_code_branch);
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

void TravelTimeCalculator::spfit(Fitted& f) {
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

void TravelTimeCalculator::trtm(float delta, int max, TravelTimes& out) {
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

void copy_sorted_arrivals(const TravelTimes& work, int n, TravelTimes& out) {
    std::array<int, ttcap::kArrivals> order{};
    n = std::clamp(n, 0, ttcap::kArrivals);
    if (n > 1) r4sort(n, work.tt, order);
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const int k = order[i];
        if (m > 0 && work.phcd[k] == out.phcd[m - 1] &&
            std::fabs(work.tt[k] - out.tt[m - 1]) <= kDuplicate)
            continue;
        out.tt[m] = work.tt[k];
        out.dtdd[m] = work.dtdd[k];
        out.dtdh[m] = work.dtdh[k];
        out.dddp[m] = work.dddp[k];
        out.phcd[m] = work.phcd[k];
        ++m;
    }
    out.n = m;
}

bool TravelTimeCalculator::add_arrival(int max, int n) {
    if (n < max) return true;
    if (!more_reported_) message(" More than" + format_i(max, 3) + " arrivals found.");
    more_reported_ = true;
    return false;
}

void TravelTimeCalculator::findtt(const Fitted& f, const std::array<double, 3>& x, int max, int& n,
                                  TravelTimes& work) {
    const double us = us_[f.wave];
    auto record = [&](double p, double tau, double xc, int cand, double d2tau,
                      const std::string& name) {
        if (!add_arrival(max, n)) return false;
        work.tt[n] = static_cast<float>(time_factor_ * (tau + p * xc));
        work.dtdd[n] = static_cast<float>((cand == 1 ? -p : p) * distance_factor_);
        work.dtdh[n] =
            static_cast<float>(f.sign * depth_factor_ * std::sqrt(std::fabs(us * us - p * p)));
        work.dddp[n] = static_cast<float>(-d2tau / time_factor_);
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
                            FreeLine line;
                            line << "Bad sqrt argument:" << disc;
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
