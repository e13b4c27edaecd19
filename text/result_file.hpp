#pragma once
// Appending result and save lines so that concurrent runs never tear or mix them.
#include <chrono>
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
// for appending, under an exclusive lock on the file that every writer of this project takes.
// When this call creates the file, it appears with the `header` lines and `lines` already in it
// (written to an unnamed file of the folder and linked into place, so that nothing named is left
// when the run is killed or the write fails), so only the run that created a file ever writes its
// header and no other run's line can come before it. Throws OutputError on failure; a failed
// append is first cut back to the file's length before it (no torn line stays behind, and no
// line another run appended is lost).
void append_result(const std::string& path, const std::vector<std::string>& header,
                   const std::vector<std::string>& lines);

namespace detail {

// Where the file system offers no unnamed files, a new file is written under a scratch name of
// the process, `<path>.<pid>.new`, and linked into place; the scratch name is removed on success
// and on failure. False when the file exists.
std::string scratch_name(const std::string& path, long pid);
bool create_named(const std::string& path, const std::string& text);

// Removes the scratch files of `path` left by processes that are gone (killed while creating
// it) and that nobody wrote to for longer than `age`.
void remove_stale_scratch(const std::string& path, std::chrono::seconds age);

} // namespace detail

} // namespace tw
