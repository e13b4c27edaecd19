#include "commands/meta/ground_units.hpp"

#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace tw::meta {

namespace {

struct Length {
    std::string_view name;
    double metres;
};

// Length part of a unit name, upper case.
constexpr std::array<Length, 16> kLengths{{{"M", 1.0},
                                           {"METER", 1.0},
                                           {"METERS", 1.0},
                                           {"METRE", 1.0},
                                           {"METRES", 1.0},
                                           {"CM", 1e-2},
                                           {"MM", 1e-3},
                                           {"UM", 1e-6},
                                           {"MICROMETER", 1e-6},
                                           {"MICROMETERS", 1e-6},
                                           {"MICRON", 1e-6},
                                           {"MICRONS", 1e-6},
                                           {"NM", 1e-9},
                                           {"NANOMETER", 1e-9},
                                           {"NANOMETERS", 1e-9},
                                           {"NANOMETRES", 1e-9}}};

struct Per {
    std::string_view name;
    Motion motion;
};

// What follows the length: per second, per second squared, in the spellings that occur.
constexpr std::array<Per, 23> kPers{
    {{"", Motion::displacement},          {"/S", Motion::velocity},
     {"/SEC", Motion::velocity},          {"/SECOND", Motion::velocity},
     {"PERSECOND", Motion::velocity},     {"S-1", Motion::velocity},
     {"S**-1", Motion::velocity},         {"*S**-1", Motion::velocity},
     {"/S**2", Motion::acceleration},     {"/S^2", Motion::acceleration},
     {"/S2", Motion::acceleration},       {"/S/S", Motion::acceleration},
     {"/(S**2)", Motion::acceleration},   {"/SEC**2", Motion::acceleration},
     {"/SEC^2", Motion::acceleration},    {"/SEC2", Motion::acceleration},
     {"/SEC/SEC", Motion::acceleration},  {"/SECOND**2", Motion::acceleration},
     {"/SECOND^2", Motion::acceleration}, {"PERSECONDSQUARED", Motion::acceleration},
     {"S-2", Motion::acceleration},       {"S**-2", Motion::acceleration},
     {"*S**-2", Motion::acceleration}}};

} // namespace

std::optional<GroundUnit> ground_unit(std::string_view name) {
    std::string s;
    for (const char c : name)
        if (!std::isspace(static_cast<unsigned char>(c)))
            s += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Length& length : kLengths) {
        if (s.size() < length.name.size() || s.compare(0, length.name.size(), length.name) != 0)
            continue;
        const std::string_view rest = std::string_view(s).substr(length.name.size());
        for (const Per& per : kPers)
            if (rest == per.name) return GroundUnit{per.motion, length.metres};
    }
    return std::nullopt;
}

std::string_view unit_text(Motion motion) {
    switch (motion) {
    case Motion::displacement:
        return "(DU/M)   ";
    case Motion::velocity:
        return "(DU/MS-1)";
    case Motion::acceleration:
        return "(DU/MS-2)";
    }
    return "(DU/MS-1)";
}

} // namespace tw::meta
