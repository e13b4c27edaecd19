// The local-magnitude relations against values worked out by hand from their published forms.
#include "commands/mag/relations.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace tw::mag {
namespace {

MlRelation relation(MlRelationKind kind, double a = 0, double b = 0, double c = 0) {
    return MlRelation{kind, a, b, c};
}

TEST(MlRelations, TheAnalysersAmplitudeIsForMagnification2080) {
    EXPECT_DOUBLE_EQ(unit_magnification_nm(2.08), 1000.0);
    EXPECT_DOUBLE_EQ(unit_magnification_nm(20.8), 10000.0);
}

TEST(MlRelations, Iaspei2013ByHand) {
    const MlRelation iaspei = relation(MlRelationKind::iaspei_2013);
    // 2.08 mm -> 1000 nm: 3 + 1.11 x 2 + 0.00189 x 100 - 2.09 = 3.319
    EXPECT_NEAR(local_magnitude(iaspei, 2.08, 100.0), 3.319, 1e-12);
    // 20.8 mm -> 10^4 nm at 10 km: 4 + 1.11 + 0.0189 - 2.09 = 3.0389
    EXPECT_NEAR(local_magnitude(iaspei, 20.8, 10.0), 3.0389, 1e-12);
    // SY01 HHN of the example: 48.007 mm at 15.621 km
    // log10(23080.29) = 4.363241, 1.11 log10(15.621) = 1.325017, 0.00189 x 15.621 = 0.029524
    EXPECT_NEAR(local_magnitude(iaspei, 48.007, 15.621), 3.627782, 1e-6);
}

TEST(MlRelations, HuttonBoore1987ByHand) {
    const MlRelation hb = relation(MlRelationKind::hutton_boore_1987);
    // 2.08 mm at magnification 2080 is 2.8 mm at 2800: log10(2.8) + 0 + 0 + 3 at 100 km
    EXPECT_NEAR(local_magnitude(hb, 2.08, 100.0), 3.447158, 1e-6);
    // at 10 km: 0.447158 - 1.110 + 0.00189 x (-90) + 3 = 2.167058
    EXPECT_NEAR(local_magnitude(hb, 2.08, 10.0), 2.167058, 1e-6);
    // The two standard relations differ by a constant: the IASPEI one is 0.128158 lower.
    const MlRelation iaspei = relation(MlRelationKind::iaspei_2013);
    for (double r : {5.0, 50.0, 300.0})
        EXPECT_NEAR(local_magnitude(iaspei, 3.0, r) - local_magnitude(hb, 3.0, r), -0.128158, 1e-6)
            << r;
}

TEST(MlRelations, UserRelationTakesNanometres) {
    const MlRelation user = relation(MlRelationKind::user, 1.0, 0.001, -1.5);
    // 1000 nm at 100 km: 3 + 2 + 0.1 - 1.5
    EXPECT_NEAR(local_magnitude(user, 2.08, 100.0), 3.6, 1e-12);
    // With the IASPEI coefficients it is the IASPEI relation.
    const MlRelation same = relation(MlRelationKind::user, 1.11, 0.00189, -2.09);
    EXPECT_NEAR(local_magnitude(same, 7.5, 42.0),
                local_magnitude(relation(MlRelationKind::iaspei_2013), 7.5, 42.0), 1e-12);
    EXPECT_EQ(user.formula(),
              "ML = log10(A) + 1 log10(R) + 0.001 R - 1.5, A in nm (unit magnification), R in km");
}

TEST(MlRelations, AnalyserFormReproducesEveryRelation) {
    // c_mm = -2.09 + 6 - log10(2080) for IASPEI
    EXPECT_NEAR(analyser_form(relation(MlRelationKind::iaspei_2013)).c_mm, 0.591937, 1e-6);
    for (const MlRelation& r :
         {relation(MlRelationKind::iaspei_2013), relation(MlRelationKind::hutton_boore_1987),
          relation(MlRelationKind::user, 0.9, 0.003, -1.0)}) {
        const AnalyserForm f = analyser_form(r);
        for (double a_mm : {0.01, 1.0, 250.0})
            for (double r_km : {3.0, 60.0, 600.0})
                EXPECT_NEAR(local_magnitude(r, a_mm, r_km),
                            std::log10(a_mm) + f.a * std::log10(r_km) + f.b * r_km + f.c_mm, 1e-12)
                    << r.name() << " " << a_mm << " " << r_km;
    }
}

} // namespace
} // namespace tw::mag
