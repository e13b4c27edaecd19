#pragma once
#include <span>

namespace tw {

// Index order (0-based) of increasing key; equal keys keep their order.
void r4sort(int n, std::span<const float> keys, std::span<int> order);

} // namespace tw
