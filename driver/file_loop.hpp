#pragma once
#include "driver/run_config.hpp"
#include "text/messages.hpp"

namespace tw {

// Processes the data files in ascending order of their names, appending the result lines to
// the files in the current directory. Every message goes to `messages`.
void run_files(const RunConfig& config, MessageSink& messages);

} // namespace tw
