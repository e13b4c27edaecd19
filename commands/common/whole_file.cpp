#include "commands/common/whole_file.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tw {

WholeFile::WholeFile(std::string path) : path_(std::move(path)) {
    // A hidden name in the same folder, so that the rename never crosses file systems.
    const std::size_t slash = path_.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path_.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
    std::vector<char> name(folder.begin(), folder.end());
    const std::string tail = "." + base + ".XXXXXX";
    name.insert(name.end(), tail.begin(), tail.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        fail("cannot create a file in its folder");
        return;
    }
    temporary_ = name.data();
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        ::close(fd);
        fail("cannot open");
    }
}

WholeFile::~WholeFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!committed_ && !temporary_.empty()) std::remove(temporary_.c_str());
}

void WholeFile::fail(const std::string& what) {
    if (error_.empty()) error_ = path_ + ": " + what + " (" + std::strerror(errno) + ")";
}

void WholeFile::write(std::string_view bytes) {
    if (!ok() || file_ == nullptr) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) fail("cannot write");
}

bool WholeFile::finish() {
    if (file_ == nullptr) return ok();
    if (ok() && std::fflush(file_) != 0) fail("cannot write");
    if (ok() && ::fsync(::fileno(file_)) != 0) fail("cannot write");
    if (std::fclose(file_) != 0) fail("cannot write");
    file_ = nullptr;
    // The new file gets the permissions a newly created file would have.
    if (ok()) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        if (::chmod(temporary_.c_str(), 0666 & ~mask) != 0) fail("cannot set permissions");
    }
    return ok();
}

bool WholeFile::commit() {
    if (!finish()) return false;
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        fail("cannot rename the finished file into place");
        return false;
    }
    committed_ = true;
    return true;
}

} // namespace tw
