#pragma once
// Writes a whole output file at once: into a temporary file beside it, then renamed over it, so
// a reader never sees a half-written file and a failure leaves an existing file as it was.
#include <string>
#include <string_view>

namespace tw::mag {

// False with `why` set when the file cannot be written.
bool write_whole_file(const std::string& path, std::string_view content, std::string& why);

} // namespace tw::mag
