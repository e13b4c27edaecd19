#pragma once
// The records that the driver hands to every stage: the trace header `head`, pick records,
// and the shared records `instr`, `sens` and `filter`.
#include <array>
#include <complex>
#include <cstdint>

#include "text/fixed_text.hpp"
#include "time/int_time.hpp"

namespace tw {

inline constexpr int kMaxPolesZeros = 60;
inline constexpr int kMaxSamples = 65536;
inline constexpr int kMaxPicks = 100;
inline constexpr int kMaxDataFiles = 75;

// Everything known about the trace being processed. One instance is reused for every file:
// a stage that does not overwrite a member leaves the previous file's value.
struct TraceHeader {
    FixedText<6> stat;     // station code; the first 4 characters are the key
    FixedText<3> location; // never filled
    FixedText<4> chan;     // channel code; the first 3 characters are the key
    FixedText<3> network;
    int_time stime{};   // time of the first sample
    int_time endtime{}; // time just after the last sample
    int32_t npts = 0;
    // Samples per second as the data records give it (a whole number, or a fraction such as 0.1
    // for one sample every 10 s); positive for every trace the intake accepts.
    double sample_rate = 0.0;
    double slew = 0.0;   // last slew between records, microseconds
    double thresh = 0.0; // slew tolerance, microseconds
    float slat = 0.0f, slon = 0.0f, sele = 0.0f;
    float azi = 0.0f, dip = 0.0f;
    int32_t unit_code = 0; // 0 displacement, 1 velocity, 2 acceleration, 999 unknown
    float gs = 0.0f;
    int32_t np = 0, nz = 0;
    std::array<std::complex<float>, kMaxPolesZeros> poles{}; // poles 1..np, then zeros
    float fp_sens = 0.0f, fp_lc = 0.0f, fp_hc = 0.0f;
    std::array<char, 32> label{}; // written into save records; nothing fills it

    // The sample interval in seconds, in the single precision of the processing; for a whole
    // number of samples per second the same value as 1.0f / rate.
    float sample_interval() const { return static_cast<float>(1.0 / sample_rate); }
};

struct PickRecord {
    FixedText<6> stat;
    FixedText<4> chan;
    int_time pdate{};
    FixedText<4> pid;
    int32_t num = 0;
    char qual = ' ';
    char fmotion = ' ';
};

// Pole-zero response of the recording instrument (`instr`).
struct InstrumentResponse {
    int32_t unit_code = 999;
    float norm = 1.0f; // normalisation factor
    float gs = 0.0f;
    int32_t np = 0, nz = 0;
    std::array<std::complex<float>, kMaxPolesZeros> poles{}; // poles 1..np, zeros np+1..np+nz

    void reset() { *this = InstrumentResponse{}; }
};

// Sensitivity and corner frequencies (`sens`).
struct Sensitivity {
    int32_t unit_code = 999;
    float fp_sens = 0.0f, fp_lc = 0.0f, fp_hc = 0.0f;

    void reset() { *this = Sensitivity{}; }
};

// Band-pass of the ramp estimator from -f (`filter`); applied only when np is non-zero.
struct FilterSpec {
    int32_t np = 0;
    float fl = 0.0f, fh = 0.0f;
};

} // namespace tw
