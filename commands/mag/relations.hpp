#pragma once
// Local-magnitude relations: the magnitude from a Wood-Anderson amplitude and the hypocentral
// distance. The analyser writes the amplitude in mm of a Wood-Anderson seismograph of
// magnification 2080; each relation converts it to its own amplitude measure.
#include <string>

namespace tw::mag {

// The analyser's Wood-Anderson magnification.
inline constexpr double kAnalyserMagnification = 2080.0;

enum class MlRelationKind {
    iaspei_2013,       // ML = log10(A) + 1.11 log10(R) + 0.00189 R - 2.09, A in nm (unit magnif.)
    hutton_boore_1987, // ML = log10(A) + 1.110 log10(R/100) + 0.00189 (R - 100) + 3.0, A in mm
                       // on a Wood-Anderson of magnification 2800
    user,              // ML = log10(A) + a log10(R) + b R + c, A in nm (unit magnification)
};

struct MlRelation {
    MlRelationKind kind = MlRelationKind::iaspei_2013;
    double a = 0.0, b = 0.0, c = 0.0; // the user relation's coefficients

    // Short name for the summary and the QuakeML method ("IASPEI 2013", ...).
    std::string name() const;
    // The formula as text, with its units.
    std::string formula() const;
};

// Amplitude in nm of a unit-magnification Wood-Anderson record: A_mm / 2080 * 1e6.
double unit_magnification_nm(double analyser_mm);

// The relation's magnitude for the analyser's amplitude (mm) at hypocentral distance r_km.
double local_magnitude(const MlRelation& relation, double analyser_mm, double r_km);

// Every relation reads ML = log10(A_mm) + a log10(R) + b R + c_mm with A_mm the analyser's
// amplitude: these coefficients draw the relation's amplitude-distance curve.
struct AnalyserForm {
    double a = 0.0, b = 0.0, c_mm = 0.0;
};
AnalyserForm analyser_form(const MlRelation& relation);

} // namespace tw::mag
