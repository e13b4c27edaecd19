#pragma once
// Ground motion (-g): peak ground acceleration, velocity and displacement with their periods
// and times, and the durations of shaking above four fractions of g. Three lines (PGA, PGV,
// PGD) go to "ground.wave" and one SHAK line to "shake.wave".
#include <array>
#include <span>
#include <string>

#include "dsp/complex_arith.hpp"
#include "estimators/amaxper.hpp"
#include "records/records.hpp"
#include "time/int_time.hpp"

namespace tw {

inline constexpr const char* kGroundFile = "ground.wave";
inline constexpr const char* kShakeFile = "shake.wave";
inline constexpr const char* kGroundHeader =
    "#Stat Com  Nt  Val  Azi Dip  Year Doy Hr Mn Sc    Ms         Amax    Freq(hz)    Lat      "
    "Lon     Dist(km)";
// The third threshold is 0.20 g although the header labels its column "25%".
inline constexpr const char* kShakeHeader =
    "#Stat Com  Nt  Val  Azi Dip  Year Doy Hr Mn Sc    Ms      5%    10%    25%    50%    Lat  "
    "    Lon     Dist(km)";

inline constexpr float kGravity = 9.81f;                                        // m/s^2
inline constexpr std::array<float, 4> kShakeLevels{0.05f, 0.10f, 0.20f, 0.50f}; // fractions of g

// Corrects the trace in counts, d1(1..npts), to ground velocity in m/s (zero-phase sixth-order
// high-pass at 0.1 Hz), measures velocity, acceleration, displacement and the shaking durations
// and appends the PGA, PGV, PGD and SHAK lines. rdist (km) is only written out. d1 and dw need
// the room the instrument correction asks for; d1 holds the velocity on return. ierr is the
// status of the correction; when it is not 0 nothing is written.
void est_ground(const TraceHeader& head, const InstrumentResponse& instr, std::span<float> d1,
                std::span<cfloat> dw, float rdist, int& ierr);

// Peaks in SI units (m/s^2, m/s, m) with their periods and 1-based indices, and the bracketed
// durations (s) from the first to the last acceleration sample at or above each level.
struct GroundMotion {
    PeakPeriod acc, vel, dsp;
    std::array<float, 4> shake{};
};

// Measures a corrected velocity trace. vel holds the n samples and may continue past them (the
// periodic remainder of the correction), which only the velocity's period walk reads.
// Acceleration is the backward difference (the first sample 0, the last one neither searched nor
// counted), displacement the trapezoidal integral from zero.
GroundMotion measure_ground(int n, float dt, std::span<const float> vel);

// Time of a peak: stime plus imax sample intervals, the product formed in double precision and
// fractions of a microsecond dropped.
int_time peak_time(const int_time& stime, int imax, float dt);

// One 106-column "ground.wave" line; kind is "PGA", "PGV" or "PGD", amax the peak already in
// millimetre units.
std::string ground_line(const TraceHeader& head, const char* kind, float amax, float per,
                        const ext_time& when, float rdist);

// The 110-column "shake.wave" line dated `when`.
std::string shake_line(const TraceHeader& head, const std::array<float, 4>& shake,
                       const ext_time& when, float rdist);

// Appends the PGA, PGV and PGD lines and the SHAK line (dated at the displacement peak); each
// file is created with "# " and its header line. Throws OutputError when a file cannot be
// written.
void write_ground(const TraceHeader& head, const GroundMotion& motion, float rdist);

} // namespace tw
