#pragma once
#include "driver/run_config.hpp"

namespace tw {

// Processes the data files in ascending order of their names.
void run_files(const RunConfig& config);

} // namespace tw
