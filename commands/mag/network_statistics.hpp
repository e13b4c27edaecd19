#pragma once
// A network magnitude from station magnitudes: the median, with stations that lie too far from
// it rejected.
#include <cstddef>
#include <optional>
#include <vector>

namespace tw::mag {

// Scaled median absolute deviation: 1.4826 x MAD estimates the standard deviation of normally
// distributed values.
inline constexpr double kMadScale = 1.4826;
// A station further than this many scaled MADs from the median is rejected ...
inline constexpr double kRejectMads = 3.0;
// ... with the scaled MAD taken as at least 0.1 units, so that nothing within 0.3 of the median
// is rejected: the MAD of a few stations agreeing to the written 0.01 is near 0 and would
// reject differences well inside the usual scatter of station magnitudes.
inline constexpr double kMinScaledMad = 0.1;

struct Statistics {
    int count = 0;
    double mean = 0.0, median = 0.0;
    std::optional<double> std_dev; // sample standard deviation, from 2 values on
};

Statistics statistics(std::vector<double> values);

// The median of the values (sorted copy); 0 for no value.
double median(std::vector<double> values);

struct NetworkMagnitude {
    double value = 0.0;           // median of the kept stations
    Statistics kept;              // of the kept stations
    double all_median = 0.0;      // median of every station, the centre of the rejection
    double scaled_mad = 0.0;      // kMadScale x MAD of every station
    double reject_distance = 0.0; // stations further than this from all_median are rejected
    std::vector<bool> rejected;   // per input value
};

// Nothing for an empty list.
std::optional<NetworkMagnitude> network_magnitude(const std::vector<double>& station_values);

} // namespace tw::mag
