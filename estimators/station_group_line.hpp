#pragma once
// The opening columns shared by the three-component result lines (EMAG, RAMP): blank, station,
// blank, band and instrument letters, blank, network between blanks, blank, the line's label.
#include <string_view>

#include "records/records.hpp"
#include "text/format.hpp"

namespace tw {

inline FixedLine station_group_line(std::string_view station, const TraceHeader& head,
                                    std::string_view label) {
    FixedLine line;
    line.blanks(1).a(station, 4).blanks(1).a(head.chan.prefix(2), 2).blanks(1);
    line.blanks(1).a(head.network.prefix(2), 2).blanks(1).blanks(1).text(label);
    return line;
}

} // namespace tw
