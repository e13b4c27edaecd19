#include "traveltime/tau_layer.hpp"

#include <algorithm>
#include <cmath>

namespace tw {

namespace {

// Antiderivatives in eta of the tau and X integrands divided by b: F' = sqrt(eta^2-p^2)/eta,
// G' = p / (eta sqrt(eta^2-p^2)).
double tau_primitive(double eta, double p) {
    if (eta <= p) return 0.0; // the turning point
    const double q = std::sqrt(std::max(eta * eta - p * p, 0.0));
    return q - p * std::acos(std::clamp(p / eta, -1.0, 1.0));
}

double x_primitive(double eta, double p) {
    if (eta <= p) return 0.0;
    return std::acos(std::clamp(p / eta, -1.0, 1.0));
}

} // namespace

double SlownessLayer::gradient() const {
    if (reaches_centre()) return 1.0;
    const double dz = z_top - z_bot;
    if (dz <= 0.0) return 0.0;
    return std::log(eta_top / eta_bot) / dz;
}

double SlownessLayer::eta_at(double z) const {
    return eta_top * std::exp(gradient() * (z - z_top));
}

TauX layer_tau(const SlownessLayer& layer, double p, double z_end) {
    TauX out;
    const double dz = layer.z_top - z_end;
    if (dz <= 0.0) return out;
    const double b = layer.gradient();
    const double eta1 = layer.eta_top;
    if (eta1 <= p) return out; // the ray cannot enter the layer
    const double eta_end =
        (layer.reaches_centre() && std::isinf(z_end)) ? 0.0 : layer.eta_at(z_end);

    if (std::fabs(b) < 1e-9) {
        // Constant slowness in flattened depth: straight lines.
        const double q = std::sqrt(eta1 * eta1 - p * p);
        out.tau = q * dz;
        out.x = p / q * dz;
        return out;
    }
    if (b > 0.0) {
        // Slowness decreasing downward: the ray turns where eta = p if that lies in range.
        const double eta2 = std::max(eta_end, p);
        out.tau = (tau_primitive(eta1, p) - tau_primitive(eta2, p)) / b;
        out.x = (x_primitive(eta1, p) - x_primitive(eta2, p)) / b;
        return out;
    }
    // Slowness increasing downward (low-velocity zone): the ray crosses the whole part.
    out.tau = (tau_primitive(eta1, p) - tau_primitive(eta_end, p)) / b;
    out.x = (x_primitive(eta1, p) - x_primitive(eta_end, p)) / b;
    return out;
}

} // namespace tw
