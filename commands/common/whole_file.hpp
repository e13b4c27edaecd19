#pragma once
// Output files that appear whole or not at all: the content goes to a temporary file in the
// target folder, which replaces the target by a rename only when everything was written.
#include <cstdio>
#include <string>
#include <string_view>

namespace tw {

class WholeFile {
  public:
    // Creates the temporary file beside `path`; check ok() / error().
    explicit WholeFile(std::string path);
    ~WholeFile(); // removes the temporary file unless committed
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    bool ok() const { return error_.empty(); }
    // "PATH: reason" after the first failure.
    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }

    void write(std::string_view bytes);
    // Flushes, syncs and closes the temporary file; false on failure.
    bool finish();
    // Renames the finished temporary file to the target; false on failure.
    bool commit();

  private:
    void fail(const std::string& what);

    std::string path_, temporary_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
    std::string error_;
};

} // namespace tw
