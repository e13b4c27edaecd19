#include "metadata/line_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "records/status.hpp"

namespace tw {

namespace {

constexpr std::size_t kBufferBytes = 65536;

} // namespace

PathKind metadata_path_kind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return PathKind::kMissing;
    return S_ISREG(info.st_mode) ? PathKind::kRegularFile : PathKind::kNotRegular;
}

LineReader::LineReader(const std::string& path) {
    // Opening does not wait for a FIFO's writer; what the descriptor names is then checked, so a
    // path swapped for something else after a look at it is still refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    buffer_ = std::make_unique_for_overwrite<char[]>(kBufferBytes);
}

LineReader::~LineReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool LineReader::opened(int& ierr) const {
    if (!is_open()) ierr = status::kCannotOpen;
    return is_open();
}

bool LineReader::refill() {
    if (at_end_ || fd_ < 0) return false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.get(), kBufferBytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // The end, or a read error, which ends the file as well.
            at_end_ = true;
            return false;
        }
        begin_ = 0;
        end_ = static_cast<std::size_t>(n);
        bytes_read_ += end_;
        return true;
    }
}

bool LineReader::next_line(std::string& line, bool& too_long) {
    line.clear();
    too_long = false;
    // One character more than a line may hold is kept, so that a carriage return before the
    // line feed of a line of full length is recognised.
    constexpr std::size_t kKept = kMaxLineLength + 1;
    std::size_t length = 0;
    bool any = false;
    for (;;) {
        if (begin_ == end_ && !refill()) break;
        any = true;
        const char* start = buffer_.get() + begin_;
        const std::size_t available = end_ - begin_;
        const auto* feed = static_cast<const char*>(std::memchr(start, '\n', available));
        const std::size_t taken = feed ? static_cast<std::size_t>(feed - start) : available;
        if (line.size() < kKept) line.append(start, std::min(taken, kKept - line.size()));
        length += taken;
        begin_ += taken;
        if (feed) {
            ++begin_;
            break;
        }
    }
    if (!any) return false;
    too_long = length > kKept || (length == kKept && line.back() != '\r');
    if (line.size() > kMaxLineLength) line.resize(kMaxLineLength);
    if (!too_long && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

bool LineReader::skip_lines(long long n) {
    for (long long i = 0; i < n; ++i) {
        bool any = false;
        for (;;) {
            if (begin_ == end_ && !refill()) break;
            any = true;
            const char* start = buffer_.get() + begin_;
            const auto* feed = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
            if (feed) {
                begin_ += static_cast<std::size_t>(feed - start) + 1;
                break;
            }
            begin_ = end_;
        }
        if (!any) return false; // nothing left: the file ended first
    }
    return true;
}

} // namespace tw
