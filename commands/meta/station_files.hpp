#pragma once
// The text of the three station files tesk_wave reads: coordinates, responses, sensitivities.
#include <string>
#include <vector>

#include "commands/meta/conversion.hpp"
#include "commands/meta/selection.hpp"

namespace tw::meta {

// One line per station: key, latitude, longitude, elevation.
std::string coordinate_file(const std::vector<CoordinateEntry>& stations);
// Per entry: header line, count line, zero lines, pole lines (two poles per line).
std::string response_file(const std::vector<StationEntry>& entries);
// Per entry: two lines.
std::string sensitivity_file(const std::vector<StationEntry>& entries);

// The validity limits as written: the begin at its minute, the end at the first minute not
// before it, an open end as 2599 day 366 00:00.
MinuteDate begin_limit(const StationEntry& e);
MinuteDate end_limit(const StationEntry& e);

} // namespace tw::meta
