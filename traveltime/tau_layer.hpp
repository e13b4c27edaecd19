#pragma once
// Delay time tau(p) and distance X(p) of one layer of a spherical Earth.
//
// Depth is the flattened depth z = ln(r / a) (0 at the surface, negative below) and slowness
// is eta = r / v in seconds per radian, so that tau = integral of sqrt(eta^2 - p^2) dz and
// X = integral of p / sqrt(eta^2 - p^2) dz, with p in seconds per radian, tau in seconds and X
// in radians. Within a layer eta varies exponentially with z (a power law in radius), which
// makes both integrals closed-form.
#include <functional>
#include <limits>
#include <vector>

namespace tw {

struct TauX {
    double tau = 0.0;
    double x = 0.0;
    TauX& operator+=(const TauX& o) {
        tau += o.tau;
        x += o.x;
        return *this;
    }
};

// One layer from z_top (shallower) down to z_bot with slownesses eta_top and eta_bot. A layer
// reaching the centre has z_bot = -infinity and eta_bot = 0; it is taken with eta proportional
// to r (constant velocity).
struct SlownessLayer {
    double z_top = 0.0;
    double z_bot = 0.0;
    double eta_top = 0.0;
    double eta_bot = 0.0;

    bool reaches_centre() const { return z_bot == -std::numeric_limits<double>::infinity(); }
    // Exponent b of eta = eta_top * exp(b (z - z_top)).
    double gradient() const;
    // Slowness at flattened depth z inside the layer.
    double eta_at(double z) const;
};

// Integral over the part of the layer between z_top and the depth z_end (z_bot <= z_end <= z_top)
// where eta exceeds p; a ray with p between the slownesses of its ends turns inside.
TauX layer_tau(const SlownessLayer& layer, double p, double z_end);
inline TauX layer_tau(const SlownessLayer& layer, double p) {
    return layer_tau(layer, p, layer.z_bot);
}

// A model interval between two samples is stood for by thin layers: the power law of each
// departs from the interval's own velocity law by a few parts in a million at most. Their
// boundaries are at most this far apart in normalised radius r / a (10 km of the Earth).
constexpr double kThinLayerStep = 10.0 / 6371.0;

// Appends the thin layers of the interval from normalised radius rho_top down to rho_bot, with
// the slowness r / v at a normalised radius given by slowness(rho). An interval reaching the
// centre (rho_bot = 0) ends in a layer of constant velocity.
void append_thin_layers(double rho_top, double rho_bot,
                        const std::function<double(double)>& slowness,
                        std::vector<SlownessLayer>& out);

// Slowness at normalised radius rho of a velocity linear in radius between two samples (their
// normalised radii and slownesses), the law of sampled models between their samples.
double linear_velocity_slowness(double rho, double rho_top, double eta_top, double rho_bot,
                                double eta_bot);

} // namespace tw
