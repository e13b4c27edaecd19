#pragma once
// A station file opened for one lookup and read line by line from the top.
#include <cstddef>
#include <fstream>
#include <string>

#include "records/status.hpp"

namespace tw {

class StationFile {
  public:
    // Characters kept of a line; the station files use fewer than 100 columns, the pick file 256.
    static constexpr std::size_t kMaxLineLength = 1024;

    explicit StationFile(const std::string& path) : in_(path, std::ios::binary) {}
    bool is_open() const { return in_.is_open(); }
    // True when the file is open; otherwise the lookup status becomes "cannot open".
    bool opened(int& ierr) const {
        if (!is_open()) ierr = status::kCannotOpen;
        return is_open();
    }

    // The next line without its line end ("\n" or "\r\n"), cut to kMaxLineLength characters.
    // False at the end of the file or on a read error.
    bool next_line(std::string& line);

    // Reads past n lines; false when the file ends first.
    bool skip_lines(long long n);

  private:
    std::ifstream in_;
};

} // namespace tw
