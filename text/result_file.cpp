#include "text/result_file.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string_view>

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

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
    throw OutputError(what + " " + path + ": " + std::strerror(error));
}

// Writes all of `text`; on failure returns the error number and leaves in `done` how much of
// it went out. 0 on success.
int write_all(int fd, std::string_view text, std::size_t& done) {
    done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return ENOSPC;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

// The lock every writer of a result or save file holds from before its append until a failed
// append has been cut back. Runs of this project therefore never append to a file between
// another run's append and its cut, and the length taken before an append is still where that
// append began when it is cut. Writers outside the project that do not take the lock are not
// covered. A file system without locks still gets the append, unlocked.
class AppendLock {
  public:
    explicit AppendLock(int fd) : fd_(fd) {
        int r = 0;
        while ((r = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
        }
        held_ = r == 0;
    }
    ~AppendLock() {
        if (held_) ::flock(fd_, LOCK_UN);
    }
    AppendLock(const AppendLock&) = delete;
    AppendLock& operator=(const AppendLock&) = delete;

  private:
    int fd_;
    bool held_ = false;
};

// Whether the file of `size` bytes at `path` ends inside a line: one that a run killed in its
// append, or a writer outside the project, left without its end. Unreadable: taken as whole.
bool ends_inside_a_line(const std::string& path, off_t size) {
    if (size <= 0) return false;
    Descriptor in(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    char last = '\n';
    return in.get() >= 0 && ::pread(in.get(), &last, 1, size - 1) == 1 && last != '\n';
}

// Appends `text`; a failed append is cut back to the length the file had before it, so that a
// full disk never leaves a torn line for the next run to glue its own onto. The cut is made only
// while the file ends where the failed append left it (always so under the lock; without it,
// another writer may have appended after, and its line must not be lost).
void append_whole(int fd, const std::string& text, const std::string& path) {
    const AppendLock lock(fd);
    struct stat before {};
    const bool regular = ::fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
    // A torn line is ended first, so that this append's lines stay whole and apart from it.
    const bool torn = regular && ends_inside_a_line(path, before.st_size);
    std::size_t done = 0;
    const int error = write_all(fd, torn ? "\n" + text : text, done);
    if (error == 0) return;
    struct stat after {};
    if (regular && done > 0 && ::fstat(fd, &after) == 0 &&
        after.st_size == before.st_size + static_cast<off_t>(done)) {
        while (::ftruncate(fd, before.st_size) != 0 && errno == EINTR) {
        }
    }
    fail("cannot write", path, error);
}

// Writes `text` to a new file at `path`, failing if the name exists: false with errno set when
// it cannot be opened. A failed write removes the file again.
bool write_new(const std::string& path, const std::string& text, const std::string& shown) {
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0) return false;
    std::size_t done = 0;
    if (const int error = write_all(fd.get(), text, done); error != 0) {
        ::unlink(path.c_str());
        fail("cannot write", shown, error);
    }
    if (::close(fd.release()) != 0) {
        const int error = errno;
        ::unlink(path.c_str());
        fail("cannot close", shown, error);
    }
    return true;
}

std::string folder_of(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? std::string(".") : folder;
}

enum class Linked { created, exists, unsupported };

// Links an unnamed file into place under `path`, through its /proc entry (which needs no
// privilege), else by its descriptor.
Linked link_unnamed(int fd, const std::string& path) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return Linked::created;
    if (errno == EEXIST) return Linked::exists;
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return Linked::created;
    if (errno == EEXIST) return Linked::exists;
    return Linked::unsupported;
}

// Creates the file complete in an unnamed file of its folder, then links it into place: until
// the link it has no name, so a run killed on the way leaves nothing behind. Unsupported where
// the file system offers no unnamed files (or no links to them).
Linked create_unnamed(const std::string& path, const std::string& text) {
    Descriptor fd(::open(folder_of(path).c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, 0644));
    if (fd.get() < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) return Linked::unsupported;
        fail("cannot create", path, errno);
    }
    std::size_t done = 0;
    if (const int error = write_all(fd.get(), text, done); error != 0)
        fail("cannot write", path, error); // the unnamed file goes with its descriptor
    return link_unnamed(fd.get(), path);
}

} // namespace

namespace detail {

std::string scratch_name(const std::string& path, long pid) {
    return path + "." + std::to_string(pid) + ".new";
}

void remove_stale_scratch(const std::string& path, std::chrono::seconds age) {
    namespace fs = std::filesystem;
    const fs::path result(path);
    const std::string prefix = result.filename().string() + ".";
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(folder_of(path), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".new") != 0)
            continue;
        const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        if (digits.empty() || digits.size() > 9 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // Only a file whose writer is gone and which nobody touched for a while: a live writer,
        // here or (with the same number) elsewhere, is never robbed of its scratch file.
        const long pid = std::stol(digits);
        const bool writer_gone =
            pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        std::error_code time_error;
        const auto written = fs::last_write_time(it->path(), time_error);
        if (writer_gone && !time_error && now - written > age) fs::remove(it->path(), time_error);
    }
}

bool create_named(const std::string& path, const std::string& text) {
    remove_stale_scratch(path, std::chrono::minutes(10));
    const std::string scratch = scratch_name(path, ::getpid());
    ::unlink(scratch.c_str()); // left over by an earlier process of the same number
    if (!write_new(scratch, text, path)) fail("cannot create", path, errno);
    const int linked = ::link(scratch.c_str(), path.c_str());
    const int link_errno = errno;
    ::unlink(scratch.c_str());
    if (linked == 0) return true;
    if (link_errno == EEXIST) return false;
    // A file system without hard links: create the name itself, header and lines in one write.
    if (write_new(path, text, path)) return true;
    if (errno == EEXIST) return false;
    fail("cannot create", path, errno);
}

} // namespace detail

namespace {

// Creates the file with the header and the first lines already in it, so that another run never
// sees it without its header and never appends ahead of it. False when the file exists.
bool create_complete(const std::string& path, const std::string& text) {
    switch (create_unnamed(path, text)) {
    case Linked::created:
        return true;
    case Linked::exists:
        return false;
    case Linked::unsupported:
        break;
    }
    return detail::create_named(path, text);
}

// Where a new file named `path` is made: at the name itself, or, where the name is a link to a
// file not yet there, at the end of the link (as opening the name to create it would).
std::string creation_path(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path at(path);
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(at, ec)); ++hops) {
        const fs::path target = fs::read_symlink(at, ec);
        if (ec) break;
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    return at.string();
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
        if (create_complete(creation_path(path), text + body)) return;
    }
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (fd.get() < 0) fail("cannot open", path, errno);
    append_whole(fd.get(), body, path);
    if (::close(fd.release()) != 0) fail("cannot close", path, errno);
}

} // namespace tw
