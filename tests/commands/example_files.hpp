#pragma once
// Access to the committed example event for the tests.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.hpp"

namespace tw::testing {

inline std::filesystem::path example_dir() {
    return std::filesystem::path(TW_SOURCE_DIR) / "examples" / "event";
}

inline std::vector<std::string> read_lines(const std::filesystem::path& p) {
    return lines_of(slurp(p));
}

// One line of the truth file.
struct TruthLine {
    std::string station, channel;
    double epicentral_km = 0, hypocentral_km = 0;
    double pgv = 0, pga = 0, pgd = 0, wa = 0; // mm/s, mm/s2, mm, mm
};

inline std::vector<TruthLine> read_truth(const std::filesystem::path& p) {
    std::vector<TruthLine> out;
    for (const auto& line : read_lines(p)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream in(line);
        TruthLine t;
        in >> t.station >> t.channel >> t.epicentral_km >> t.hypocentral_km >> t.pgv >> t.pga >>
            t.pgd >> t.wa;
        if (in) out.push_back(t);
    }
    return out;
}

} // namespace tw::testing
