#include <gtest/gtest.h>

#include <cmath>

#include "driver/geometry.hpp"

using tw::azimth;

TEST(Geometry, SamePointGivesZeroDistanceAndAzimuths180) {
    float delta = -1, azim = -1, bazim = -1;
    azimth(47.7f, 12.8f, 47.7f, 12.8f, delta, azim, bazim);
    EXPECT_NEAR(delta, 0.0f, 1e-3f);
    EXPECT_FLOAT_EQ(azim, 180.0f);
    EXPECT_FLOAT_EQ(bazim, 180.0f);
}

TEST(Geometry, DueNorthOnTheSameMeridian) {
    float delta = 0, azim = 0, bazim = 0;
    azimth(10.0f, 20.0f, 12.0f, 20.0f, delta, azim, bazim);
    EXPECT_TRUE(std::fabs(azim) < 1e-3f || std::fabs(azim - 360.0f) < 1e-3f) << azim;
    EXPECT_NEAR(bazim, 180.0f, 1e-3f);
    EXPECT_NEAR(delta, 2.0f, 0.02f); // geocentric latitudes differ slightly from geographic ones
}

TEST(Geometry, OneDegreeAlongTheEquator) {
    float delta = 0, azim = 0, bazim = 0;
    azimth(0.0f, 0.0f, 0.0f, 1.0f, delta, azim, bazim);
    EXPECT_NEAR(delta, 1.0f, 1e-5f);
    EXPECT_NEAR(azim, 90.0f, 1e-3f);
    EXPECT_NEAR(bazim, 270.0f, 1e-3f);
    EXPECT_NEAR(delta * tw::km_per_degree(), 111.195f, 1e-3f);
}
