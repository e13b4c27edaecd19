#pragma once
// The seismic phases the tabulation knows, as chains of legs through the Earth's regions.
#include <string>
#include <vector>

#include "traveltime/earth_model.hpp"

namespace tw {

// One pass of a ray through a region: either it turns in the region or it crosses it (and is
// reflected or transmitted at its bottom). mult counts the passes (down and up).
struct Leg {
    Wave wave;
    Region region;
    bool turns;
    int mult;
};

enum class Family {
    Direct,   // the direct P or S family; a source at depth also gives the up-going branch
    Ordinary, // reflected, converted and core phases: the source's up-going leg is removed
    Depth     // surface-reflected depth phases: the source's up-going leg is added
};

enum class Naming {
    TurningDepth, // letters g, b, n after the name for rays turning in the crust and lid
    CoreBranch,   // ab / bc across a caustic, ac without one
    Fixed         // the name as it stands
};

struct PhaseSpec {
    std::string name;
    int source_type; // 1 = P, 2 = S: the leg at the source
    Family family;
    std::vector<Leg> legs;
    Naming naming;
    bool below_moho = false;     // only rays turning below the crust
    bool joins_previous = false; // tabulated in the segment of the phase before it
};

// The phases in order of priority: the tabulation drops the last ones when the tables are full.
// The df branches sit in the segment of the inner-core reflection, so that a phase list naming
// PKiKP (as "P" does) also gives PKPdf, the first arrival beyond the diffracted P.
const std::vector<PhaseSpec>& phase_catalogue();

} // namespace tw
