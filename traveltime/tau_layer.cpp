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

void append_thin_layers(double rho_top, double rho_bot,
                        const std::function<double(double)>& slowness,
                        std::vector<SlownessLayer>& out) {
    const int n = std::max(1, static_cast<int>(std::ceil((rho_top - rho_bot) / kThinLayerStep)));
    double rho = rho_top;
    double eta = slowness(rho);
    for (int i = 1; i <= n; ++i) {
        const double next = i == n ? rho_bot : rho_top - (rho_top - rho_bot) * i / n;
        SlownessLayer layer;
        layer.z_top = std::log(rho);
        layer.eta_top = eta;
        if (next <= 0.0) {
            layer.z_bot = -std::numeric_limits<double>::infinity();
            layer.eta_bot = 0.0;
        } else {
            layer.z_bot = std::log(next);
            layer.eta_bot = slowness(next);
        }
        out.push_back(layer);
        rho = next;
        eta = layer.eta_bot;
    }
}

double linear_velocity_slowness(double rho, double rho_top, double eta_top, double rho_bot,
                                double eta_bot) {
    if (rho_top <= rho_bot) return eta_top;
    const double v_top = rho_top / eta_top;
    const double v_bot = rho_bot / eta_bot;
    const double f = (rho_top - rho) / (rho_top - rho_bot);
    return rho / (v_top + (v_bot - v_top) * f);
}

} // namespace tw
