#pragma once
// tesk_mag's command line.
#include <optional>
#include <string>
#include <vector>

#include "commands/mag/event.hpp"
#include "commands/mag/station_magnitudes.hpp"

namespace tw::mag {

struct MagOptions {
    std::string dir = ".";
    Event event;
    std::string coord_file;
    MagnitudeOptions magnitude;
    std::string quakeml, id_prefix, csv, json, magcsv, eventcsv;
};

extern const char* const kUsage;

// Reads the arguments (without the program name). Returns the exit status when the command ends
// here (help, version, a usage error with its message written), nothing when it goes on.
std::optional<int> read_mag_options(const std::vector<std::string>& args, MagOptions& options);

} // namespace tw::mag
