#pragma once
// Instrument correction: a trace in counts becomes ground displacement, velocity or
// acceleration, or the seismogram of a standard instrument, optionally filtered.
#include <memory>
#include <span>

#include "dsp/complex_arith.hpp"
#include "records/records.hpp"
#include "text/messages.hpp"

namespace tw {

// Smallest power of two, starting from 2, that is not less than n (2^30 at most).
int ipow(int n);

// Transform length for a trace of n samples: ipow(2n), never less than 4. x must hold
// coinst2_length(n) + 2 reals and cx coinst2_length(n) / 2 + 1 values.
int coinst2_length(int n);

// What the correction makes of the trace (ityp). 1 and 3 .. 11 give the seismogram of a standard
// instrument (Benioff, -, Wood-Anderson, long period, WWSSN short and long period, long period,
// STS-1, Benioff, ASRO, STS-2), 2 the ground displacement in the 17 s to 23 s period band; 12 .. 19
// have no response. Any value of the underlying type may be passed: the unknown ones are refused.
enum CorrectionOption : int {
    kNoCorrection = 0, // 0 or below
    kFirstStandardInstrument = 1,
    kPeriodBand17To23 = 2,
    kWoodAnderson = 3,
    kLastStandardInstrument = 11,
    kGroundDisplacement = 20,
    kGroundVelocity = 21,
    kGroundAcceleration = 22,
};

// The filter applied after the correction (ifilt): sixth-order Butterworth filters with their
// phase or zero-phase, corners fl (low) and fh (high) in Hz, and the band-pass of order np.
enum FilterOption : int {
    kNoFilter = 0, // 0 or below
    kBandPassWithPhase = 1,
    kBandPassZeroPhase = 2,
    kLowPassWithPhase = 3, // at fl
    kLowPassZeroPhase = 4,
    kHighPassWithPhase = 5, // at fh
    kHighPassZeroPhase = 6,
    kBandPassOfOrder = 7,
};

class CorrectionMemo;

// The instrument correction. The estimators correct the same window several times (Wood-Anderson,
// ground motion, energy, ramp), so the object keeps the last window's spectrum and the responses
// and filters it evaluated, and hands them out again for the same samples and records: the very
// values computed before, so no result changes by a digit. One object serves a run; its messages
// go to the sink given at construction.
class InstrumentCorrection {
  public:
    explicit InstrumentCorrection(MessageSink& messages);
    ~InstrumentCorrection();
    InstrumentCorrection(const InstrumentCorrection&) = delete;
    InstrumentCorrection& operator=(const InstrumentCorrection&) = delete;

    // On success (ierr 0) x(1..n) is the corrected trace, x(n+1..N) the rest of the periodic
    // result and cx the corrected spectrum; an empty cx asks for no spectrum. ierr 1: option or
    // response unknown (message said, returns at once); ierr 2: the transform failed, or n < 1 or
    // the arrays are too short for the transform (then x is left untouched).
    void coinst2(const InstrumentResponse& instr, int n, float dt, CorrectionOption ityp,
                 FilterOption ifilt, std::span<float> x, std::span<cfloat> cx, int np, float fl,
                 float fh, int& ierr);

  private:
    MessageSink* messages_;
    std::unique_ptr<CorrectionMemo> memo_;
};

} // namespace tw
