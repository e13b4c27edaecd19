#pragma once
// Wood-Anderson amplitude (-w): peak and period of the synthetic torsion-seismograph trace,
// one "WAS" line per trace in "wood.wave".
#include <complex>
#include <span>
#include <string>

#include "dsp/complex_arith.hpp"
#include "estimators/amaxper.hpp"
#include "records/records.hpp"

namespace tw {

inline constexpr const char* kWoodFile = "wood.wave";

// Turns the trace in counts, x(1..npts), into the Wood-Anderson seismogram in millimetres
// (instrument correction option 3, no filter), measures its peak and appends the WAS line.
// x and cx need the room the instrument correction asks for (coinst2_length(npts) + 2 reals,
// half that many complex values plus one); x holds the synthetic trace on return. ierr is the
// status of the correction; when it is not 0 nothing is written.
void est_wood(const TraceHeader& head, const InstrumentResponse& instr, std::span<float> x,
              std::span<cfloat> cx, int& ierr);

// The result line: blank, station and channel run together, " WAS ", then amplitude (mm),
// period (s), peak offset imax - 1 and log10(amplitude / period), each number without its
// leading blanks and separated by one blank. A number that does not fit 10 columns with 3
// decimals is ten asterisks; so is the logarithm of a zero amplitude or period.
std::string wood_line(const TraceHeader& head, const PeakPeriod& peak);

// Appends the line to "wood.wave" in the current directory; a new file starts with two "# "
// lines. Throws OutputError when the file cannot be written.
void write_wood(const TraceHeader& head, const PeakPeriod& peak);

} // namespace tw
