#pragma once
// Instrument correction: a trace in counts becomes ground displacement, velocity or
// acceleration, or the seismogram of a standard instrument, optionally filtered.
#include <span>

#include "dsp/complex_arith.hpp"
#include "records/records.hpp"

namespace tw {

// Smallest power of two, starting from 2, that is not less than n (2^30 at most).
int ipow(int n);

// Transform length for a trace of n samples: ipow(2n), never less than 4. x must hold
// coinst2_length(n) + 2 reals and cx coinst2_length(n) / 2 + 1 values.
int coinst2_length(int n);

// Correction options (ityp): 0 or below none; 1 and 3 .. 11 a standard instrument's seismogram
// (Benioff, -, Wood-Anderson, long period, WWSSN short and long period, long period, STS-1,
// Benioff, ASRO, STS-2); 2 ground displacement in the 17 s to 23 s period band; 20, 21, 22 ground
// displacement, velocity, acceleration. Filter options (ifilt): 0 or below none; 1/2 Butterworth
// band-pass fl..fh with/without phase; 3/4 low-pass at fl; 5/6 high-pass at fh; 7 Butterworth
// band-pass of order np. Corner frequencies in Hz.
//
// On success (ierr 0) x(1..n) is the corrected trace, x(n+1..N) the rest of the periodic result
// and cx the corrected spectrum. ierr 1: option or response unknown (message printed, returns at
// once); ierr 2: the transform failed, or n < 1 or the arrays are too short for the transform
// (then x is left untouched).
void coinst2(const InstrumentResponse& instr, int n, float dt, int ityp, int ifilt,
             std::span<float> x, std::span<cfloat> cx, int np, float fl, float fh, int& ierr);

} // namespace tw
