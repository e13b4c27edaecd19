#pragma once
// Appending result and save lines so that concurrent runs never tear or mix them.
#include <stdexcept>
#include <string>
#include <vector>

namespace tw {

// A result file could not be opened or written; the message names the file and the reason.
class OutputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Appends `lines` (each gets a newline) to the file at `path` in one write on a descriptor opened
// for appending. When this call creates the file, it appears with the `header` lines and `lines`
// already in it, so only the run that created a file ever writes its header and no other run's
// line can come before it. Throws OutputError on failure.
void append_result(const std::string& path, const std::vector<std::string>& header,
                   const std::vector<std::string>& lines);

} // namespace tw
