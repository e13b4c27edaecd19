#pragma once
// Units of ground motion as station documents name them ("M/S", "m/s", "M/S**2", "NM/S", ...)
// and the unit texts of the station files.
#include <optional>
#include <string_view>

namespace tw::meta {

// The quantity a channel records; the value is the files' unit code.
enum class Motion { displacement = 0, velocity = 1, acceleration = 2 };

struct GroundUnit {
    Motion motion = Motion::velocity;
    double metres = 1.0; // length of the unit's metre part: 1e-9 for NM/S
};

// The unit of a name, case and blanks ignored; nothing for anything that is no ground motion
// (PA, V, COUNTS, C, ...).
std::optional<GroundUnit> ground_unit(std::string_view name);

// "(DU/M)   ", "(DU/MS-1)", "(DU/MS-2)".
std::string_view unit_text(Motion motion);

// Power of i*omega that turns a response to `from` into one to `to`: H_to = H_from (i w)^k.
inline int motion_power(Motion from, Motion to) {
    return static_cast<int>(from) - static_cast<int>(to);
}

} // namespace tw::meta
