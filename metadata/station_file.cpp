#include "metadata/station_file.hpp"

namespace tw {

bool StationFile::next_line(std::string& line) {
    line.clear();
    std::streambuf* buf = in_.rdbuf();
    if (!in_.is_open() || buf == nullptr) return false;
    bool any = false;
    for (;;) {
        const int c = buf->sbumpc();
        if (c == std::char_traits<char>::eof()) break;
        any = true;
        if (c == '\n') break;
        if (line.size() < kMaxLineLength) line += static_cast<char>(c);
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

bool StationFile::skip_lines(long long n) {
    std::string ignored;
    for (long long i = 0; i < n; ++i)
        if (!next_line(ignored)) return false;
    return true;
}

} // namespace tw
