#pragma once
// The result files of a run: their names, the lines a run writes first when it creates one, and
// where every field of their lines stands. The estimators' formatters place their fields by these
// columns and tesk_mag cuts them by the same ones, so a column is defined in this one place.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "text/columns.hpp"

namespace tw {

inline constexpr const char* kWoodFile = "wood.wave";
inline constexpr const char* kGroundFile = "ground.wave";
inline constexpr const char* kShakeFile = "shake.wave";
inline constexpr const char* kEnergyFile = "energy.wave";
inline constexpr const char* kRampFile = "ramp.wave";

// Every result file, in the order a reader of a run's results takes them.
inline constexpr std::array<std::string_view, 5> kResultFiles = {kWoodFile, kGroundFile, kShakeFile,
                                                                 kEnergyFile, kRampFile};

// The lines a file starts with when a run creates it.
inline const std::vector<std::string> kWoodHeader{"# ", "# "};
inline const std::vector<std::string> kGroundHeader{
    "# ", "#Stat Com  Nt  Val  Azi Dip  Year Doy Hr Mn Sc    Ms         Amax    Freq(hz)    Lat  "
          "    Lon     Dist(km)"};
// The third threshold is 0.20 g although the header labels its column "25%".
inline const std::vector<std::string> kShakeHeader{
    "# ", "#Stat Com  Nt  Val  Azi Dip  Year Doy Hr Mn Sc    Ms      5%    10%    25%    50%    "
          "Lat      Lon     Dist(km)"};
inline const std::vector<std::string> kEnergyHeader{"# ", "# "};
inline const std::vector<std::string> kRampHeader{
    "#", "#Stat Com Nt    Val    Rdist Year Doy Hr Mn Sc    Ms   S(s)   W(s)   L(s)   T(s)   Mw  "
         "dMw           Mo          dMo         g0         g1           g2          dg2"};

// The date of a line: year, day of year, hour, minute, second and units of 100 microseconds.
struct DateColumns {
    Column year, doy, hour, minute, second, tenth_ms;
};

// "wood.wave": a blank, the station code and the channel run together, the label, then the
// amplitude, period, peak offset and logarithm, each number written in this field with its blanks
// taken off and separated by one blank.
namespace wood_line_layout {
inline constexpr std::string_view kLabel = " WAS ";
inline constexpr Column kNumber{1, 10, 3};
} // namespace wood_line_layout

// Columns 1-53 of the "ground.wave" and "shake.wave" lines.
namespace ground_start_layout {
inline constexpr Column kStation{2, 4};
inline constexpr Column kChannel{7, 3};
inline constexpr Column kNetwork{12, 2};
inline constexpr Column kKind{16, 4}; // "PGA", "PGV", "PGD" or "SHAK", from column 16
inline constexpr Column kAzimuth{20, 4, 0};
inline constexpr Column kDip{25, 4, 0};
inline constexpr DateColumns kDate{{30, 4}, {35, 3}, {39, 2}, {42, 2}, {45, 2}, {48, 5}};
} // namespace ground_start_layout

// The rest of a 106-column "ground.wave" line.
namespace ground_line_layout {
inline constexpr std::array<std::string_view, 3> kKinds = {"PGA", "PGV", "PGD"};
inline constexpr Column kAmplitude{54, 12, 5};
inline constexpr Column kFrequency{66, 12, 5};
inline constexpr Column kLatitude{78, 7, 3};
inline constexpr Column kLongitude{86, 8, 3};
inline constexpr Column kDistance{95, 12, 5};
inline constexpr int kWidth = kDistance.last();
} // namespace ground_line_layout

// The rest of a 110-column "shake.wave" line: seconds above 0.05, 0.10, 0.20 and 0.50 g.
namespace shake_line_layout {
inline constexpr std::string_view kKind = "SHAK";
inline constexpr std::array<Column, 4> kDurations = {Column{54, 7, 3}, Column{61, 7, 3},
                                                     Column{68, 7, 3}, Column{75, 7, 3}};
inline constexpr Column kLatitude{82, 7, 3};
inline constexpr Column kLongitude{90, 8, 3};
inline constexpr Column kDistance{99, 12, 5};
inline constexpr int kWidth = kDistance.last();
} // namespace shake_line_layout

// Columns 1-34 of the three-component lines ("energy.wave", "ramp.wave").
namespace group_start_layout {
inline constexpr Column kStation{2, 4};
inline constexpr Column kBand{7, 2}; // band and instrument letters
inline constexpr Column kNetwork{11, 2};
inline constexpr Column kLabel{16, 4}; // "EMAG" or "RAMP"
inline constexpr Column kMagnitude{22, 5, 2};
inline constexpr Column kDistance{28, 7, 2};
} // namespace group_start_layout

// The rest of a 65-column "energy.wave" line.
namespace energy_line_layout {
inline constexpr std::string_view kLabel = "EMAG";
inline constexpr Column kEnergy{36, 15, 5};
inline constexpr Column kIntegral{51, 15, 5};
inline constexpr int kWidth = kIntegral.last();
} // namespace energy_line_layout

// The rest of a 191-column "ramp.wave" line, 211 with the clipping text.
namespace ramp_line_layout {
inline constexpr std::string_view kLabel = "RAMP";
inline constexpr DateColumns kDate{{36, 4}, {41, 3}, {45, 2}, {48, 2}, {51, 2}, {54, 5}};
// Window start, end, step and the length used, in seconds.
inline constexpr std::array<Column, 4> kWindows = {Column{60, 6, 2}, Column{67, 6, 2},
                                                   Column{74, 6, 2}, Column{81, 6, 2}};
inline constexpr Column kMagnitudeError{88, 4, 2};
inline constexpr Column kMoment{93, 12, 5};
inline constexpr Column kMomentError{106, 12, 5};
inline constexpr Column kChi{119, 10, 5};
inline constexpr Column kExplained{130, 10, 5};
inline constexpr Column kG0{141, 12, 5};
inline constexpr Column kG1{154, 12, 5};
inline constexpr Column kG2{167, 12, 5};
inline constexpr Column kG2Error{180, 12, 5};
inline constexpr int kWidth = kG2Error.last();
inline constexpr Column kClipping{193, 19};
inline constexpr std::string_view kClippingText = " possible clipping";
} // namespace ramp_line_layout

} // namespace tw
