#include "text/result_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tw {
namespace {

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

[[noreturn]] void fail(const std::string& what, const std::string& path) {
    throw OutputError(what + " " + path + ": " + std::strerror(errno));
}

void write_all(int fd, const std::string& text, const std::string& path) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("cannot write", path);
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

void append_result(const std::string& path, const std::vector<std::string>& header,
                   const std::vector<std::string>& lines) {
    std::string text;
    int raw = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (raw >= 0) {
        for (const auto& line : header)
            text += line + '\n';
    } else if (errno == EEXIST) {
        raw = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        if (raw < 0) fail("cannot open", path);
    } else {
        fail("cannot create", path);
    }
    Descriptor fd(raw);
    for (const auto& line : lines)
        text += line + '\n';
    write_all(fd.get(), text, path);
    if (::close(fd.release()) != 0) fail("cannot close", path);
}

} // namespace tw
