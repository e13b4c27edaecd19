#pragma once
#include <optional>
#include <string>
#include <vector>

#include "driver/run_config.hpp"
#include "text/messages.hpp"

namespace tw {

// Reads the argument list (without the program name). Returns the exit status when the run ends
// here (usage text, help, no data files, an undecodable value), nothing when processing goes on.
// The usage text and the verbose echo of the options go to `messages`.
std::optional<int> read_command_line(const std::vector<std::string>& args, RunConfig& config,
                                     MessageSink& messages);

// Index list that puts the file names in ascending byte order of their blank-padded texts.
std::vector<int> sort_c(const std::vector<std::string>& names);

// Writes the banner of the selected computations (verbose runs).
void write_banner(const RunConfig& config, MessageSink& messages);

} // namespace tw
