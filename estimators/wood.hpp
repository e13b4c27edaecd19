#pragma once
// Wood-Anderson amplitude (-w): peak and period of the synthetic torsion-seismograph trace.
#include <span>

#include "dsp/coinst2.hpp"
#include "dsp/complex_arith.hpp"
#include "estimators/amaxper.hpp"
#include "records/records.hpp"

namespace tw {

// Turns the trace in counts, x(1..npts), into the Wood-Anderson seismogram in millimetres
// (no filter) and returns its peak. x needs the room the correction asks for
// (coinst2_length(npts) + 2 reals), cx half that many complex values plus one or none (the
// corrected spectrum is then not wanted); x holds the synthetic trace on return. ierr is the status
// of the correction; the peak means nothing unless it is 0.
PeakPeriod est_wood(InstrumentCorrection& correction, const TraceHeader& head,
                    const InstrumentResponse& instr, std::span<float> x, std::span<cfloat> cx,
                    int& ierr);

} // namespace tw
