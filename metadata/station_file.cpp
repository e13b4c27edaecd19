#include "metadata/station_file.hpp"

#include <limits>

namespace tw {

bool StationFile::next_line(std::string& line) {
    line.clear();
    if (!in_.is_open() || in_.rdbuf() == nullptr) return false;
    // getline takes the characters a buffer at a time; it fails only when no character was
    // left, and a last line without its line end is still a line.
    if (!std::getline(in_, line)) return false;
    if (line.size() > kMaxLineLength) line.resize(kMaxLineLength);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool StationFile::skip_lines(long long n) {
    if (!in_.is_open()) return false;
    for (long long i = 0; i < n; ++i) {
        in_.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        if (in_.gcount() == 0) return false; // nothing left: the file ended first
    }
    return true;
}

} // namespace tw
