#pragma once
// Everything tesk_mag derives from one run folder: the result lines, the traces of the save
// files, and the station and network magnitudes.
#include <filesystem>
#include <string>
#include <vector>

#include "commands/mag/event.hpp"
#include "commands/mag/result_lines.hpp"
#include "commands/mag/save_files.hpp"
#include "commands/mag/station_magnitudes.hpp"

namespace tw::mag {

struct Analysis {
    std::filesystem::path dir;
    Event event;
    MagnitudeOptions options;
    RunResults run;   // rows completed with network, coordinates, distances and times
    TraceSpans spans; // from the save files of the run folder
    MagnitudeSet ml, me, mw;
    std::vector<std::string> problems; // input that was left out, and why
};

// Reads the run folder and forms the magnitudes. The result files are only read.
Analysis analyse(const std::filesystem::path& dir, const Event& event,
                 const std::string& coord_file, const MagnitudeOptions& options);

} // namespace tw::mag
