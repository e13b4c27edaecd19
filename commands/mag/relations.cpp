#include "commands/mag/relations.hpp"

#include <cmath>
#include <cstdio>

namespace tw::mag {

namespace {

// Hutton and Boore define their amplitude on a Wood-Anderson of magnification 2800.
constexpr double kHuttonBooreMagnification = 2800.0;

std::string number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

std::string signed_term(double v, const std::string& what) {
    return (v < 0 ? " - " : " + ") + number(std::fabs(v)) + what;
}

} // namespace

std::string MlRelation::name() const {
    switch (kind) {
    case MlRelationKind::iaspei_2013:
        return "IASPEI 2013";
    case MlRelationKind::hutton_boore_1987:
        return "Hutton and Boore 1987";
    case MlRelationKind::user:
        break;
    }
    return "user relation";
}

std::string MlRelation::formula() const {
    switch (kind) {
    case MlRelationKind::iaspei_2013:
        return "ML = log10(A) + 1.11 log10(R) + 0.00189 R - 2.09, A in nm (unit magnification), R "
               "in km";
    case MlRelationKind::hutton_boore_1987:
        return "ML = log10(A) + 1.110 log10(R/100) + 0.00189 (R - 100) + 3.0, A in mm "
               "(magnification 2800), R in km";
    case MlRelationKind::user:
        break;
    }
    return "ML = log10(A)" + signed_term(a, " log10(R)") + signed_term(b, " R") +
           signed_term(c, "") + ", A in nm (unit magnification), R in km";
}

double unit_magnification_nm(double analyser_mm) {
    return analyser_mm / kAnalyserMagnification * 1.0e6;
}

double local_magnitude(const MlRelation& relation, double analyser_mm, double r_km) {
    switch (relation.kind) {
    case MlRelationKind::iaspei_2013:
        return std::log10(unit_magnification_nm(analyser_mm)) + 1.11 * std::log10(r_km) +
               0.00189 * r_km - 2.09;
    case MlRelationKind::hutton_boore_1987: {
        const double a_mm = analyser_mm * kHuttonBooreMagnification / kAnalyserMagnification;
        return std::log10(a_mm) + 1.110 * std::log10(r_km / 100.0) + 0.00189 * (r_km - 100.0) + 3.0;
    }
    case MlRelationKind::user:
        break;
    }
    return std::log10(unit_magnification_nm(analyser_mm)) + relation.a * std::log10(r_km) +
           relation.b * r_km + relation.c;
}

AnalyserForm analyser_form(const MlRelation& relation) {
    // ML is log10(A_mm) plus a function of R alone; at R = 1 km and A = 1 mm only b R and c_mm
    // remain, and the coefficients of log10(R) and R are those of the relation.
    AnalyserForm form;
    switch (relation.kind) {
    case MlRelationKind::iaspei_2013:
    case MlRelationKind::hutton_boore_1987:
        form.a = 1.11;
        form.b = 0.00189;
        break;
    case MlRelationKind::user:
        form.a = relation.a;
        form.b = relation.b;
        break;
    }
    form.c_mm = local_magnitude(relation, 1.0, 1.0) - form.b;
    return form;
}

} // namespace tw::mag
