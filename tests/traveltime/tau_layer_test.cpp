// Layer integrals against closed-form straight-ray geometry, and model reading.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "tests/support/test_data.hpp"
#include "traveltime/earth_model.hpp"
#include "traveltime/tau_layer.hpp"

namespace {

constexpr double kA = 6371.0;

// A layer of constant velocity v between radii r1 > r2: rays are straight lines.
tw::SlownessLayer uniform(double r1, double r2, double v) {
    return {std::log(r1 / kA), std::log(r2 / kA), r1 / v, r2 / v};
}

TEST(LayerTau, StraightRayThroughAUniformShell) {
    const double r1 = 6371.0, r2 = 6000.0, v = 6.0;
    const double p = 500.0; // s/rad
    const double b = p * v; // impact radius
    const tw::TauX tx = layer_tau(uniform(r1, r2, v), p);
    // Path length and swept angle of a straight line between the two radii.
    const double len = std::sqrt(r1 * r1 - b * b) - std::sqrt(r2 * r2 - b * b);
    const double angle = std::acos(b / r1) - std::acos(b / r2);
    EXPECT_NEAR(tx.tau + p * tx.x, len / v, 1e-9);
    EXPECT_NEAR(std::fabs(tx.x), std::fabs(angle), 1e-12);
}

TEST(LayerTau, RayTurningInsideAUniformShell) {
    const double r1 = 6371.0, r2 = 6000.0, v = 6.0;
    const double p = 1030.0; // turns at radius p v = 6180 km
    const tw::TauX tx = layer_tau(uniform(r1, r2, v), p);
    EXPECT_NEAR(tx.x, std::acos(p * v / r1), 1e-12);
    EXPECT_NEAR(tx.tau + p * tx.x, std::sqrt(r1 * r1 - p * v * p * v) / v, 1e-9);
}

TEST(LayerTau, BlockedRayAndPartialLayer) {
    const auto layer = uniform(6371.0, 6000.0, 6.0);
    EXPECT_EQ(layer_tau(layer, 1100.0).tau, 0.0); // p above the top slowness
    const double zmid = std::log(6200.0 / kA);
    const tw::TauX part = layer_tau(layer, 0.0, zmid);
    EXPECT_NEAR(part.tau, 171.0 / 6.0, 1e-9); // vertical ray over 171 km
}

TEST(LayerTau, CentreLayerVerticalRay) {
    tw::SlownessLayer centre{std::log(1000.0 / kA), -std::numeric_limits<double>::infinity(),
                             1000.0 / 11.0, 0.0};
    const tw::TauX tx = layer_tau(centre, 0.0);
    EXPECT_NEAR(tx.tau, 1000.0 / 11.0, 1e-9);
    // A ray grazing the centre sweeps a quarter turn on the way down.
    EXPECT_NEAR(layer_tau(centre, 1e-9).x, M_PI / 2.0, 1e-6);
}

TEST(EarthModel, PolynomialModelMatchesThePublishedChecks) {
    tw::EarthModel m;
    ASSERT_TRUE(m.read(std::string(TW_SOURCE_DIR) + "/traveltime/models/iasp91.model"))
        << m.error();
    EXPECT_NEAR(m.cmb_depth(), 2889.0, 1e-9);
    EXPECT_NEAR(m.icb_depth(), 5153.9, 1e-9);
    // Vp 8.04 just below 35 km and 8.05 at 120 km: slowness r / v of the layer tops.
    const auto& lp = m.layers(tw::Wave::P, tw::Region::Mantle);
    bool seen35 = false, seen120 = false;
    for (const auto& l : lp) {
        const double r = kA * std::exp(l.z_top);
        if (std::fabs(r - 6336.0) < 1e-6) {
            EXPECT_NEAR(r / l.eta_top, 8.04, 1e-4);
            seen35 = true;
        }
        if (std::fabs(r - 6251.0) < 1e-6) {
            EXPECT_NEAR(r / l.eta_top, 8.05, 1e-4);
            seen120 = true;
        }
    }
    EXPECT_TRUE(seen35 && seen120);
    // Discontinuities of P: 20, 35, 410, 660; S also at 210.
    EXPECT_EQ(m.mantle_discontinuities(tw::Wave::P), (std::vector<double>{20, 35, 410, 660}));
    EXPECT_EQ(m.mantle_discontinuities(tw::Wave::S), (std::vector<double>{20, 35, 210, 410, 660}));
}

TEST(EarthModel, SampledFormats) {
    tw::EarthModel prem, ak;
    ASSERT_TRUE(prem.read(tw::testing::test_data("models/prem.nd"))) << prem.error();
    EXPECT_NEAR(prem.cmb_depth(), 2891.0, 1.0);
    ASSERT_TRUE(ak.read(tw::testing::test_data("models/ak135.tvel"))) << ak.error();
    EXPECT_NEAR(ak.icb_depth(), 5153.5, 1e-9);
    tw::EarthModel missing;
    EXPECT_FALSE(missing.read("/nonexistent/model.tvel"));
    EXPECT_NE(missing.error().find("/nonexistent/model.tvel"), std::string::npos);
}

} // namespace
