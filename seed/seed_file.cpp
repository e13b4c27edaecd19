#include "seed/seed_file.hpp"

#include <string>
#include <utility>

namespace tw {

namespace {

std::string_view without_trailing_blanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

SeedFile::SeedFile(SeedFile&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)), rejected_name_(other.rejected_name_) {}

SeedFile& SeedFile::operator=(SeedFile&& other) noexcept {
    if (this != &other) {
        close();
        stream_ = std::exchange(other.stream_, nullptr);
        rejected_name_ = other.rejected_name_;
    }
    return *this;
}

int SeedFile::close() {
    if (!stream_) return 0;
    return std::fclose(std::exchange(stream_, nullptr));
}

SeedFile ifopen(std::string_view path, std::string_view mode) {
    path = without_trailing_blanks(path);
    if (path.size() >= 1024) {
        std::fprintf(stderr, "ifopen: path too long (%d)\n", static_cast<int>(path.size()));
        std::fflush(stderr);
        return SeedFile::refused_name();
    }
    mode = without_trailing_blanks(mode);
    if (mode.size() >= 4) {
        std::fprintf(stderr, "ifopen: type too long (%d)\n", static_cast<int>(mode.size()));
        std::fflush(stderr);
        return SeedFile::refused_name();
    }
    return SeedFile(std::fopen(std::string(path).c_str(), std::string(mode).c_str()));
}

int ifclose(SeedFile& file) {
    return file.close();
}

} // namespace tw
