// Tabulated travel times against exact ray theory of the same model (tests/traveltime/
// exact_rays.hpp): every arrival of P, S, PcP, ScS and the core phases from sources down to
// 700 km at distances to 180 degrees, within 5 ms. The IASP91 tables are the ones this build
// made from its polynomial model; the sampled models are tabulated here.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"
#include "tests/support/test_data.hpp"
#include "tests/traveltime/built_tables.hpp"
#include "tests/traveltime/exact_rays.hpp"
#include "traveltime/earth_model.hpp"
#include "traveltime/tabulate.hpp"
#include "traveltime/travel_times.hpp"

namespace {

namespace rays = tw::testing::rays;

constexpr double kLimit = 0.005; // s

bool in_family(const std::string& name, const std::string& family) {
    if (family == "P" || family == "S")
        return name == family || name == family + "g" || name == family + "b" ||
               name == family + "n";
    if (family == "PKP" || family == "SKS")
        return name == family + "ab" || name == family + "bc" || name == family + "ac";
    if (family == "PKIKP") return name == "PKPdf";
    if (family == "SKIKS") return name == "SKSdf";
    return name == family;
}

struct Worst {
    double error = 0.0;
    std::string where;
    int checked = 0;
};

// Compares the tables of base with the exact arrivals of the model file; prints the largest
// error per phase family.
void compare(const std::string& label, const std::string& model_file, const std::string& base) {
    rays::Model model;
    ASSERT_TRUE(model.read(model_file)) << model_file;
    tw::TravelTimeCalculator calc(base);
    tw::TravelTimes tt;
    std::vector<double> dists;
    for (double d = 1.0; d < 180.0; d += 2.0)
        dists.push_back(d);
    std::map<std::string, Worst> worst;
    int missing = 0;
    for (double depth : {0.0, 10.0, 50.0, 120.0, 300.0, 500.0, 700.0}) {
        // The tables raise a source at the surface to 11 m.
        const auto exact = rays::arrivals(model, std::max(depth, 0.011), dists);
        for (std::size_t d = 0; d < dists.size(); ++d) {
            calc.ttimes(static_cast<float>(depth), static_cast<float>(dists[d]), "all", tt);
            // Of two arrivals of one name less than 5 ms apart (at the cusps of triplications)
            // the tables keep the first: the second is not compared.
            auto shadowed = [&](const rays::Arrival& a) {
                for (const rays::Arrival& b : exact[d])
                    if (&b != &a && b.family == a.family && b.time <= a.time &&
                        a.time - b.time <= 0.005)
                        return true;
                return false;
            };
            for (const rays::Arrival& a : exact[d]) {
                if (shadowed(a)) continue;
                // The nearest arrival of the family in time: two arrivals of one name less
                // than 5 ms apart are one in the tables.
                double best = -1.0;
                for (int i = 0; i < tt.n; ++i) {
                    if (!in_family(std::string(tt.phcd[i].trimmed()), a.family)) continue;
                    const double err = std::fabs(tt.tt[i] - a.time);
                    if (best < 0.0 || err < best) best = err;
                }
                char where[96];
                std::snprintf(where, sizeof where, "depth %g dist %g time %.3f p %.3f", depth,
                              dists[d], a.time, a.p);
                // Branch ends and caustics may lie a little apart in the tables.
                if ((best < 0.0 || best > 10.0 * kLimit) && a.near_end) continue;
                if (best < 0.0) {
                    ++missing;
                    ADD_FAILURE() << label << ": no " << a.family << " at " << where;
                    continue;
                }
                Worst& w = worst[a.family];
                ++w.checked;
                if (best > w.error) {
                    w.error = best;
                    w.where = where;
                }
            }
        }
    }
    for (const auto& [family, w] : worst) {
        std::printf("  %-7s %-6s max error %.4f s over %4d arrivals (%s)\n", label.c_str(),
                    family.c_str(), w.error, w.checked, w.where.c_str());
        EXPECT_LE(w.error, kLimit) << label << " " << family << " at " << w.where;
    }
    EXPECT_EQ(worst.size(), 10u) << label << ": a phase family was never compared";
    EXPECT_EQ(missing, 0);
}

// The oracle itself on a mantle of constant velocity, where rays are straight: the direct wave
// runs along the chord, the core reflection along two straight legs.
TEST(ExactRays, StraightRaysInAUniformMantle) {
    tw::testing::TempDir dir;
    const auto path = dir / "uniform.tvel";
    {
        std::ofstream out(path);
        out << "uniform\nmantle, core\n"
            << "0 10 6 3\n2891 10 6 3\n2891 8 0 10\n5150 8 0 10\n5150 11 3.5 12\n"
            << "6371 11 3.5 12\n";
    }
    rays::Model model;
    ASSERT_TRUE(model.read(path.string()));
    const double a = 6371.0, c = 6371.0 - 2891.0;
    const std::vector<double> dists = {10.0, 40.0, 70.0};
    const auto exact = rays::arrivals(model, 0.0, dists);
    for (std::size_t d = 0; d < dists.size(); ++d) {
        const double half = dists[d] * M_PI / 360.0;
        double p_time = -1.0, pcp_time = -1.0;
        for (const rays::Arrival& arr : exact[d]) {
            if (arr.family == "P" && arr.p > 0.0) p_time = arr.time;
            if (arr.family == "PcP" && arr.p > 0.0) pcp_time = arr.time;
        }
        EXPECT_NEAR(p_time, 2.0 * a * std::sin(half) / 10.0, 1e-6) << dists[d];
        EXPECT_NEAR(pcp_time, 2.0 * std::sqrt(a * a + c * c - 2.0 * a * c * std::cos(half)) / 10.0,
                    1e-6)
            << dists[d];
    }
}

// Tables of a sampled model made for one test process.
class SampledModel : public ::testing::TestWithParam<const char*> {
  protected:
    std::string base_;
    void SetUp() override {
        base_ = std::string(TW_BINARY_DIR) + "/tests/traveltime/exact_" + GetParam() + "_" +
                std::to_string(::getpid());
        tw::EarthModel model;
        ASSERT_TRUE(model.read(tw::testing::test_data(std::string("models/") + GetParam())))
            << model.error();
        std::string why;
        ASSERT_TRUE(tw::write_model_tables(model, base_, why)) << why;
    }
    void TearDown() override {
        std::remove((base_ + ".hed").c_str());
        std::remove((base_ + ".tbl").c_str());
    }
};

TEST_P(SampledModel, AgreesWithExactRayTheory) {
    compare(GetParam(), tw::testing::test_data(std::string("models/") + GetParam()), base_);
}

INSTANTIATE_TEST_SUITE_P(Models, SampledModel,
                         ::testing::Values("iasp91.tvel", "ak135.tvel", "prem.nd"),
                         [](const auto& info) {
                             std::string n = info.param;
                             return n.substr(0, n.find('.'));
                         });

TEST(BuiltTables, AgreeWithExactRayTheoryOfTheirPolynomials) {
    compare("iasp91", std::string(TW_SOURCE_DIR) + "/traveltime/models/iasp91.model",
            tw::testing::built_model_base());
}

} // namespace
