#pragma once
// Analysis windows: cutting a trace to a time window and checking it against the event.
#include <cstdint>
#include <vector>

#include "records/records.hpp"
#include "time/int_time.hpp"

namespace tw {

// Cuts the trace to [t1, t2]: 998 when t1 lies before the data, 999 when the data end before t2
// or the window holds no sample. The samples move to the start of `idata`.
void extra_window(TraceHeader& head, std::vector<int32_t>& idata, const int_time& t1,
                  const int_time& t2, int& ierr);

// 998 when the data begin after the earliest arrival (distance / 4.5 km/s), 999 when they end
// before the latest (distance / 2.5 km/s up to 100 km, distance / 2.0 km/s beyond).
void check_window(const int_time& begin, const int_time& end, const int_time& origin,
                  float distance, int& ierr);

} // namespace tw
