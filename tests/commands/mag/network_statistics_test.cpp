// Network magnitudes: median, rejection by scaled median absolute deviation, statistics.
#include "commands/mag/network_statistics.hpp"

#include <gtest/gtest.h>

namespace tw::mag {
namespace {

TEST(NetworkStatistics, MedianMeanAndSampleDeviation) {
    EXPECT_DOUBLE_EQ(median({3.0, 1.0, 2.0}), 2.0);
    EXPECT_DOUBLE_EQ(median({4.0, 1.0, 3.0, 2.0}), 2.5);
    const Statistics s = statistics({3.0, 4.0, 5.0});
    EXPECT_EQ(s.count, 3);
    EXPECT_DOUBLE_EQ(s.mean, 4.0);
    EXPECT_DOUBLE_EQ(s.median, 4.0);
    ASSERT_TRUE(s.std_dev.has_value());
    EXPECT_DOUBLE_EQ(*s.std_dev, 1.0);
    // one value has no standard deviation
    EXPECT_FALSE(statistics({3.3}).std_dev.has_value());
}

TEST(NetworkStatistics, OutlierFurtherThanThreeScaledMadsIsRejected) {
    // median 4, deviations 2 1 0 1 5, MAD 1: the limit is 3 x 1.4826
    const auto net = network_magnitude({2.0, 3.0, 4.0, 5.0, 9.0});
    ASSERT_TRUE(net.has_value());
    EXPECT_DOUBLE_EQ(net->all_median, 4.0);
    EXPECT_DOUBLE_EQ(net->scaled_mad, 1.4826);
    EXPECT_DOUBLE_EQ(net->reject_distance, 3.0 * 1.4826);
    EXPECT_EQ(net->rejected, (std::vector<bool>{false, false, false, false, true}));
    EXPECT_EQ(net->kept.count, 4);
    EXPECT_DOUBLE_EQ(net->value, 3.5);
    EXPECT_DOUBLE_EQ(net->kept.mean, 3.5);
    EXPECT_NEAR(*net->kept.std_dev, 1.290994, 1e-6);
}

TEST(NetworkStatistics, SmallScatterRejectsNothingWithinThreeTenths) {
    // The MAD of stations agreeing to the hundredth is 0; the scaled MAD is taken as 0.1.
    auto net = network_magnitude({3.0, 3.0, 3.0, 3.29});
    EXPECT_EQ(net->rejected, (std::vector<bool>{false, false, false, false}));
    EXPECT_DOUBLE_EQ(net->reject_distance, 0.3);
    net = network_magnitude({3.0, 3.0, 3.0, 3.31});
    EXPECT_EQ(net->rejected, (std::vector<bool>{false, false, false, true}));
    EXPECT_DOUBLE_EQ(net->value, 3.0);
    // MAD 0.05 -> scaled 0.0741, below the floor: 4.5 is 0.925 away and goes
    net = network_magnitude({3.5, 3.6, 3.55, 4.5});
    EXPECT_EQ(net->rejected, (std::vector<bool>{false, false, false, true}));
    EXPECT_DOUBLE_EQ(net->value, 3.55);
}

TEST(NetworkStatistics, OneStationAndNone) {
    const auto one = network_magnitude({2.7});
    ASSERT_TRUE(one.has_value());
    EXPECT_DOUBLE_EQ(one->value, 2.7);
    EXPECT_EQ(one->kept.count, 1);
    EXPECT_FALSE(one->kept.std_dev.has_value());
    EXPECT_FALSE(network_magnitude({}).has_value());
}

} // namespace
} // namespace tw::mag
