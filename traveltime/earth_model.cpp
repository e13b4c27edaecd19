#include "traveltime/earth_model.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

namespace tw {

namespace {

// Velocity jumps smaller than this are rounding in the model, not discontinuities.
constexpr double kJumpTolerance = 1e-3; // km/s
// Changes of the velocity gradient larger than this mark a kink of X(p).
constexpr double kKinkTolerance = 1e-4; // 1/s

bool starts_with_number(const std::string& line) {
    std::istringstream in(line);
    double v;
    return static_cast<bool>(in >> v);
}

bool ends_with(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

double cubic(const std::array<double, 4>& c, double x) {
    return c[0] + x * (c[1] + x * (c[2] + x * c[3]));
}

} // namespace

double EarthModel::flatten(double depth_km) const {
    const double r = radius_ - depth_km;
    if (r <= 0.0) return -std::numeric_limits<double>::infinity();
    return std::log(r / radius_);
}

bool EarthModel::read(const std::string& path) {
    samples_.clear();
    polynomials_.clear();
    std::ifstream probe(path);
    if (!probe) {
        error_ = "cannot open model file " + path;
        return false;
    }
    std::string line;
    bool polynomial = false;
    while (std::getline(probe, line)) {
        std::istringstream in(line);
        std::string word;
        if (!(in >> word) || word[0] == '#') continue;
        polynomial = (word == "radius" || word == "layer");
        break;
    }
    probe.close();
    const bool ok =
        polynomial ? parse_polynomial(path) : parse_sampled(path, ends_with(path, ".tvel"));
    return ok && build_layers();
}

bool EarthModel::parse_sampled(const std::string& path, bool tvel) {
    std::ifstream in(path);
    std::string line;
    int line_no = 0;
    while (std::getline(in, line)) {
        ++line_no;
        if (tvel && line_no <= 2) continue;
        if (!starts_with_number(line)) continue;
        std::istringstream fields(line);
        ModelSample s;
        if (!(fields >> s.depth >> s.vp >> s.vs)) {
            error_ = path + ": bad sample on line " + std::to_string(line_no);
            return false;
        }
        samples_.push_back(s);
    }
    if (samples_.size() < 2) {
        error_ = path + ": fewer than two model samples";
        return false;
    }
    radius_ = samples_.back().depth;
    return true;
}

bool EarthModel::parse_polynomial(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    int line_no = 0;
    while (std::getline(in, line)) {
        ++line_no;
        std::istringstream fields(line);
        std::string word;
        if (!(fields >> word) || word[0] == '#') continue;
        if (word == "radius") {
            if (!(fields >> radius_) || radius_ <= 0.0) {
                error_ = path + ": bad radius on line " + std::to_string(line_no);
                return false;
            }
            continue;
        }
        double top, bottom, step;
        PolynomialLayer poly;
        auto& cp = poly.vp;
        auto& cs = poly.vs;
        std::string vp_word, vs_word;
        if (word != "layer" ||
            !(fields >> top >> bottom >> step >> vp_word >> cp[0] >> cp[1] >> cp[2] >> cp[3] >>
              vs_word >> cs[0] >> cs[1] >> cs[2] >> cs[3]) ||
            vp_word != "vp" || vs_word != "vs" || bottom <= top || step <= 0.0) {
            error_ = path + ": bad layer on line " + std::to_string(line_no);
            return false;
        }
        const int index = static_cast<int>(polynomials_.size());
        polynomials_.push_back(poly);
        const int n = std::max(1, static_cast<int>(std::ceil((bottom - top) / step - 1e-9)));
        for (int i = 0; i <= n; ++i) {
            const double depth = top + (bottom - top) * i / n;
            const double x = (radius_ - depth) / radius_;
            samples_.push_back({depth, cubic(cp, x), cubic(cs, x), index});
        }
    }
    if (samples_.size() < 2) {
        error_ = path + ": no layers";
        return false;
    }
    return true;
}

double EarthModel::interval_velocity(std::size_t i, int w, double depth) const {
    const ModelSample& b = samples_[i];
    if (b.layer >= 0) {
        const PolynomialLayer& poly = polynomials_[static_cast<std::size_t>(b.layer)];
        return cubic(w == 0 ? poly.vp : poly.vs, (radius_ - depth) / radius_);
    }
    const ModelSample& a = samples_[i - 1];
    const double va = w == 0 ? a.vp : a.vs;
    const double vb = w == 0 ? b.vp : b.vs;
    return va + (vb - va) * (depth - a.depth) / (b.depth - a.depth);
}

bool EarthModel::build_layers() {
    // Region boundaries: S velocity vanishes at the core-mantle boundary and returns at the
    // inner-core boundary.
    cmb_depth_ = icb_depth_ = -1.0;
    for (std::size_t i = 1; i < samples_.size(); ++i) {
        if (cmb_depth_ < 0.0 && samples_[i].vs <= 0.0 && samples_[i - 1].vs > 0.0)
            cmb_depth_ = samples_[i].depth;
        else if (cmb_depth_ >= 0.0 && icb_depth_ < 0.0 && samples_[i].vs > 0.0 &&
                 samples_[i - 1].vs <= 0.0)
            icb_depth_ = samples_[i].depth;
    }
    if (cmb_depth_ <= 0.0 || icb_depth_ <= cmb_depth_) {
        error_ = "model has no liquid outer core";
        return false;
    }
    if (std::fabs(samples_.back().depth - radius_) > 1e-6) {
        error_ = "model does not reach the centre";
        return false;
    }
    for (auto& w : layers_)
        for (auto& r : w)
            r.clear();
    for (auto& j : mantle_jumps_)
        j.clear();
    for (auto& c : mantle_samples_)
        c.clear();
    for (auto& k : kinks_)
        k.clear();
    for (auto& e : sample_etas_)
        e.clear();

    auto region_of = [&](double top, double bottom) {
        const double mid = 0.5 * (top + bottom);
        if (mid < cmb_depth_) return Region::Mantle;
        if (mid < icb_depth_) return Region::OuterCore;
        return Region::InnerCore;
    };
    for (int w = 0; w < 2; ++w) {
        auto vel = [&](const ModelSample& s) { return w == 0 ? s.vp : s.vs; };
        // Samples of this wave type with the repeated depths of equal velocity merged.
        std::vector<ModelSample> col;
        for (const ModelSample& s : samples_) {
            if (!col.empty() && col.back().depth == s.depth &&
                std::fabs(vel(col.back()) - vel(s)) <= kJumpTolerance)
                continue;
            col.push_back(s);
        }
        for (std::size_t i = 2; i < col.size(); ++i) {
            const ModelSample& a = col[i - 2];
            const ModelSample& b = col[i - 1];
            const ModelSample& c = col[i];
            if (b.depth <= a.depth || c.depth <= b.depth || vel(b) <= 0.0) continue;
            const double g1 = (vel(b) - vel(a)) / (b.depth - a.depth);
            const double g2 = (vel(c) - vel(b)) / (c.depth - b.depth);
            if (std::fabs(g2 - g1) > kKinkTolerance && c.depth < radius_)
                kinks_[w].push_back((radius_ - b.depth) / vel(b));
        }
        for (std::size_t i = 1; i < samples_.size(); ++i) {
            const ModelSample& a = samples_[i - 1];
            const ModelSample& b = samples_[i];
            if (b.depth < a.depth) {
                error_ = "model depths decrease";
                return false;
            }
            if (b.depth == a.depth) {
                if (std::fabs(vel(a) - vel(b)) > kJumpTolerance && a.depth < cmb_depth_ &&
                    a.depth > 0.0)
                    mantle_jumps_[w].push_back(a.depth);
                continue;
            }
            const Region region = region_of(a.depth, b.depth);
            if (w == 1 && region != Region::Mantle) continue;
            const double ra = radius_ - a.depth;
            const double rb = radius_ - b.depth;
            auto& list = layers_[w][static_cast<int>(region)];
            const std::size_t first = list.size();
            append_thin_layers(
                ra / radius_, rb / radius_,
                [&](double rho) {
                    const double depth = radius_ * (1.0 - rho);
                    return rho * radius_ / interval_velocity(i, w, depth);
                },
                list);
            // A jump below the tolerance: continue the slowness of the layer above.
            if (first > 0 && list[first - 1].z_bot == list[first].z_top) {
                const double prev = list[first - 1].eta_bot;
                if (std::fabs(prev - list[first].eta_top) <=
                    kJumpTolerance * ra / (vel(a) * vel(a)))
                    list[first].eta_top = prev;
            }
            sample_etas_[w].push_back(list[first].eta_top);
            if (list.back().eta_bot > 0.0) sample_etas_[w].push_back(list.back().eta_bot);
            if (region != Region::Mantle) continue;
            auto& column = mantle_samples_[w];
            const ColumnSample top{list[first].z_top, list[first].eta_top};
            if (column.empty() || column.back().z != top.z || column.back().eta != top.eta)
                column.push_back(top);
            column.push_back({list.back().z_bot, list.back().eta_bot});
        }
    }
    for (auto& e : sample_etas_) {
        std::sort(e.begin(), e.end());
        e.erase(std::unique(e.begin(), e.end()), e.end());
    }
    return true;
}

} // namespace tw
