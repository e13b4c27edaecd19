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

// Writes `text` to a new file at `path`, failing if the name exists.
bool write_new(const std::string& path, const std::string& text, const std::string& shown) {
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0) return false;
    write_all(fd.get(), text, shown);
    if (::close(fd.release()) != 0) fail("cannot close", shown);
    return true;
}

// Creates the file with the header and the first lines already in it: they are written under a
// name of this process's own, then linked to the result name, which fails if another run made
// the file first. Another run therefore never sees the file without its header, and never
// appends ahead of it. False when the file exists.
bool create_complete(const std::string& path, const std::string& text) {
    const std::string scratch = path + "." + std::to_string(::getpid()) + ".new";
    ::unlink(scratch.c_str()); // left over by an earlier process of the same number
    if (!write_new(scratch, text, path)) fail("cannot create", path);
    const int linked = ::link(scratch.c_str(), path.c_str());
    const int link_errno = errno;
    ::unlink(scratch.c_str());
    if (linked == 0) return true;
    if (link_errno == EEXIST) return false;
    // A file system without hard links: create the name itself, header and lines in one write.
    if (write_new(path, text, path)) return true;
    if (errno == EEXIST) return false;
    fail("cannot create", path);
}

} // namespace

void append_result(const std::string& path, const std::vector<std::string>& header,
                   const std::vector<std::string>& lines) {
    std::string body;
    for (const auto& line : lines)
        body += line + '\n';
    if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT) {
        std::string text;
        for (const auto& line : header)
            text += line + '\n';
        if (create_complete(path, text + body)) return;
    }
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (fd.get() < 0) fail("cannot open", path);
    write_all(fd.get(), body, path);
    if (::close(fd.release()) != 0) fail("cannot close", path);
}

} // namespace tw
