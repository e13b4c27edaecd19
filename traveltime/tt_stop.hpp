#pragma once
// The one place where the travel-time layer ends the process.
#include <string>

namespace tw {

// Exit statuses of the travel-time layer.
enum TravelTimeStop : int {
    kTableUnreadable = 2, // a model file is missing or unreadable
    kSourceTooDeep = 3,   // the source lies below the deepest model sample
    kSlownessTooLarge = 4 // the source slowness lies beyond the up-going tables
};

// Writes the message (to standard error for unreadable tables, standard output otherwise) and
// ends the process with the status.
[[noreturn]] void travel_time_stop(int status, const std::string& message);

} // namespace tw
