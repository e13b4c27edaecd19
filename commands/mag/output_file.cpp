#include "commands/mag/output_file.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tw::mag {

bool write_whole_file(const std::string& path, std::string_view content, std::string& why) {
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) {
        why = path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
    const int write_errno = errno;
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        why = path + ": " + std::strerror(written ? errno : write_errno);
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        why = path + ": " + std::strerror(errno);
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace tw::mag
