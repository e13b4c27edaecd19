#pragma once
// What tesk_mag tells: the readable summary, the station-magnitude table and the one-row event
// table (CSV).
#include <string>

#include "commands/mag/analysis.hpp"

namespace tw::mag {

// The warning printed beside the ramp Mw (two lines, the second indented).
extern const char* const kRampWarning;

std::string summary(const Analysis& a);

// One row per station magnitude: type, network, station, instrument, distance, magnitude,
// residual, status (used, rejected, station only), amplitude and channels (ML).
std::string station_magnitude_csv(const Analysis& a);

// The header and one row: origin, network ML and Me with their counts and statistics, and the
// ML relation as ML = log10(A_mm) + a log10(R) + b R + c_mm for the analyser's amplitude.
std::string event_csv(const Analysis& a);

} // namespace tw::mag
