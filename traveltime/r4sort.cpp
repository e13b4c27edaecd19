#include "traveltime/r4sort.hpp"

#include <algorithm>
#include <numeric>

namespace tw {

void r4sort(int n, std::span<const float> keys, std::span<int> order) {
    auto idx = order.subspan(0, static_cast<std::size_t>(n));
    std::iota(idx.begin(), idx.end(), 0);
    std::stable_sort(idx.begin(), idx.end(), [&](int a, int b) { return keys[a] < keys[b]; });
}

} // namespace tw
