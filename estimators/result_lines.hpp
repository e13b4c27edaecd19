#pragma once
// The one formatter of each kind of line in the result files. The driver's writer appends these
// lines; the files' names, headers and columns are those of text/result_layouts, which a command
// that reads the same files uses too.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "estimators/energy.hpp"
#include "estimators/ground.hpp"
#include "estimators/ramp.hpp"
#include "records/records.hpp"
#include "text/result_layouts.hpp"
#include "time/int_time.hpp"

namespace tw {

// "wood.wave": blank, station and channel run together, " WAS ", then amplitude (mm), period
// (s), peak offset imax - 1 and log10(amplitude / period), each number without its leading
// blanks and separated by one blank. A number that does not fit 10 columns with 3 decimals is
// ten asterisks; so is the logarithm of a zero amplitude or period.
std::string wood_line(const TraceHeader& head, const PeakPeriod& peak);

// One 106-column "ground.wave" line; kind is "PGA", "PGV" or "PGD", amax the peak already in
// millimetre units.
std::string ground_line(const TraceHeader& head, std::string_view kind, float amax, float per,
                        const ext_time& when, float rdist);

// The PGA, PGV and PGD lines of a measurement, each dated at its peak; rdist in km.
std::array<std::string, 3> ground_lines(const TraceHeader& head, const GroundMotion& motion,
                                        float rdist);

// The 110-column "shake.wave" line dated `when`.
std::string shake_line(const TraceHeader& head, const std::array<float, 4>& shake,
                       const ext_time& when, float rdist);

// The shake line of a measurement, dated at the displacement peak.
std::string shake_line(const TraceHeader& head, const GroundMotion& motion, float rdist);

// Time of a peak: stime plus imax sample intervals, the product formed in double precision and
// fractions of a microsecond dropped.
int_time peak_time(const int_time& stime, int imax, float dt);

// "energy.wave": station group, " EMAG ", magnitude, distance, energy and integral.
std::string energy_line(const TraceHeader& head, const EnergyEstimate& estimate);

// "ramp.wave": station group, " RAMP ", magnitude, distance, start time of the last trace, the
// four window lengths and the fit; " possible clipping" after it for clipped data.
std::string ramp_line(const TraceHeader& head, const RampEstimate& estimate, bool clipped);

} // namespace tw
