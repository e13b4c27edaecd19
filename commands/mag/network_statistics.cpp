#include "commands/mag/network_statistics.hpp"

#include <algorithm>
#include <cmath>

namespace tw::mag {

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

Statistics statistics(std::vector<double> values) {
    Statistics s;
    s.count = static_cast<int>(values.size());
    if (values.empty()) return s;
    double sum = 0.0;
    for (double v : values)
        sum += v;
    s.mean = sum / static_cast<double>(values.size());
    s.median = median(values);
    if (values.size() >= 2) {
        double squares = 0.0;
        for (double v : values)
            squares += (v - s.mean) * (v - s.mean);
        s.std_dev = std::sqrt(squares / static_cast<double>(values.size() - 1));
    }
    return s;
}

std::optional<NetworkMagnitude> network_magnitude(const std::vector<double>& station_values) {
    if (station_values.empty()) return std::nullopt;
    NetworkMagnitude net;
    net.all_median = median(station_values);
    std::vector<double> deviations;
    for (double v : station_values)
        deviations.push_back(std::fabs(v - net.all_median));
    net.scaled_mad = kMadScale * median(deviations);
    net.reject_distance = kRejectMads * std::max(net.scaled_mad, kMinScaledMad);
    std::vector<double> kept;
    for (std::size_t i = 0; i < station_values.size(); ++i) {
        const bool out = deviations[i] > net.reject_distance;
        net.rejected.push_back(out);
        if (!out) kept.push_back(station_values[i]);
    }
    net.kept = statistics(kept);
    net.value = net.kept.median;
    return net;
}

} // namespace tw::mag
