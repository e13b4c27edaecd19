#pragma once
// What is known about each station of a run: its coordinates (from the coordinate file, else
// from its ground-motion lines) and its network code (from any line that writes one).
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "commands/mag/event.hpp"
#include "commands/mag/result_lines.hpp"
#include "commands/mag/save_files.hpp"

namespace tw::mag {

struct Coordinates {
    double latitude = 0.0, longitude = 0.0;
};

class StationDirectory {
  public:
    // `coord_file` may be empty (no coordinate file given).
    StationDirectory(std::string coord_file, const RunResults& run, const TraceSpans& spans);

    std::optional<Coordinates> coordinates(const std::string& station) const;
    // The network code written for the station, empty when no line or save file has one.
    std::string network(const std::string& station) const;
    // Hypocentral distance from the event, when the event's hypocentre and the station's
    // coordinates are known and the distance is above 0.
    std::optional<double> hypocentral_km(const Event& event, const std::string& station) const;

  private:
    std::string coord_file_;
    std::map<std::string, Coordinates> from_lines_;
    std::map<std::string, std::string> networks_;
    mutable std::map<std::string, std::optional<Coordinates>> cache_;
};

// Fills the columns that come from outside the line itself: the network of Wood-Anderson lines,
// the station coordinates of lines that do not write them, the hypocentral distance computed
// from the event, and the time of the Wood-Anderson peak when a save file dates it.
void complete_rows(RunResults& run, const Event& event, const StationDirectory& stations,
                   const TraceSpans& spans);

// The text of a computed number: `decimals` decimals, no exponent.
std::string fixed_text(double value, int decimals);

} // namespace tw::mag
