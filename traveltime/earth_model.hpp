#pragma once
// A spherically symmetric Earth model read from a text file and turned into slowness layers.
//
// Accepted files:
//  - sampled models: one line per sample, depth (km), P velocity, S velocity (km/s), further
//    columns ignored; velocities vary linearly in depth between samples and two samples at the
//    same depth mark a discontinuity. Lines that do not start with a number (headers, region
//    names) are skipped, except that the first two lines of a ".tvel" file are always headers.
//  - polynomial models (this project's own format, see models/iasp91.model): "radius A" and
//    "layer TOP BOTTOM STEP vp c0 c1 c2 c3 vs d0 d1 d2 d3" lines, velocities as cubic
//    polynomials of the normalised radius r / A; the tables list the model at samples every
//    STEP km at most.
//
// Each interval between samples becomes thin slowness layers that follow the interval's own
// velocity law (linear in depth, or the polynomial), so that the travel times are those of
// the model as written.
#include <array>
#include <string>
#include <vector>

#include "traveltime/tau_layer.hpp"

namespace tw {

enum class Wave { P = 0, S = 1 };
enum class Region { Mantle = 0, OuterCore = 1, InnerCore = 2 };

struct ModelSample {
    double depth = 0.0; // km
    double vp = 0.0;    // km/s
    double vs = 0.0;    // km/s
    int layer = -1;     // polynomial layer of the interval that ends here; -1: linear
};

// Velocities of one layer of a polynomial model: cubics of the normalised radius.
struct PolynomialLayer {
    std::array<double, 4> vp{}, vs{};
};

// One model sample of a wave type above the core: flattened depth and slowness r / v.
struct ColumnSample {
    double z = 0.0;
    double eta = 0.0;
};

class EarthModel {
  public:
    // Reads the file; on failure returns false and sets error().
    bool read(const std::string& path);
    const std::string& error() const { return error_; }

    double radius() const { return radius_; }
    double cmb_depth() const { return cmb_depth_; }
    double icb_depth() const { return icb_depth_; }

    // Thin slowness layers of one wave type in one region, top down. The outer core has P
    // layers only; S in the inner core is not used.
    const std::vector<SlownessLayer>& layers(Wave w, Region r) const {
        return layers_[static_cast<int>(w)][static_cast<int>(r)];
    }
    // The samples of a wave type from the surface to the core-mantle boundary, top down; two
    // samples at one depth mark a discontinuity.
    const std::vector<ColumnSample>& mantle_samples(Wave w) const {
        return mantle_samples_[static_cast<int>(w)];
    }
    // Depths (km) of the discontinuities of a wave type within the mantle, top down.
    const std::vector<double>& mantle_discontinuities(Wave w) const {
        return mantle_jumps_[static_cast<int>(w)];
    }
    // Slownesses r / v of a wave type at every model sample, ascending: X(p) of a ray turning
    // near a sample bends there, however little the velocity gradient changes.
    const std::vector<double>& sample_slownesses(Wave w) const {
        return sample_etas_[static_cast<int>(w)];
    }
    // Slownesses where the velocity gradient of a wave type changes markedly without a jump;
    // X(p) has a kink there.
    const std::vector<double>& gradient_kinks(Wave w) const { return kinks_[static_cast<int>(w)]; }
    // Flattened depth of a depth in km.
    double flatten(double depth_km) const;

  private:
    bool parse_sampled(const std::string& path, bool tvel);
    bool parse_polynomial(const std::string& path);
    bool build_layers();
    // Velocity of wave type w at a depth inside the interval that ends at sample i.
    double interval_velocity(std::size_t i, int w, double depth) const;

    std::vector<ModelSample> samples_;
    std::vector<PolynomialLayer> polynomials_;
    std::string error_;
    double radius_ = 6371.0;
    double cmb_depth_ = 0.0;
    double icb_depth_ = 0.0;
    std::vector<SlownessLayer> layers_[2][3];
    std::vector<ColumnSample> mantle_samples_[2];
    std::vector<double> mantle_jumps_[2];
    std::vector<double> kinks_[2];
    std::vector<double> sample_etas_[2];
};

} // namespace tw
