#pragma once
// The test seam of TravelTimeCalculator: the branches of a phase list and the bookkeeping that
// shows when the tables were read and corrected.
#include <string_view>

#include "traveltime/selected_branches.hpp"
#include "traveltime/travel_times.hpp"

namespace tw {

class TravelTimeTestAccess {
  public:
    // How often the calculator read its model files.
    static int model_loads(const TravelTimeCalculator& calc) { return calc.loads_; }
    // The branches of a phase list, selected on first use.
    static SelectedBranches& branches(TravelTimeCalculator& calc, std::string_view keyword) {
        return calc.branches(FixedText<8>(keyword));
    }
};

} // namespace tw
