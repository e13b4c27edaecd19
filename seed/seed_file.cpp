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
    : stream_(std::exchange(other.stream_, nullptr)), messages_(other.messages_),
      rejected_name_(other.rejected_name_) {}

SeedFile& SeedFile::operator=(SeedFile&& other) noexcept {
    if (this != &other) {
        close();
        stream_ = std::exchange(other.stream_, nullptr);
        messages_ = other.messages_;
        rejected_name_ = other.rejected_name_;
    }
    return *this;
}

int SeedFile::close() {
    if (!stream_) return 0;
    return std::fclose(std::exchange(stream_, nullptr));
}

SeedFile ifopen(std::string_view path, std::string_view mode, MessageSink& messages) {
    path = without_trailing_blanks(path);
    if (path.size() >= 1024) {
        messages.error("ifopen: path too long (" + std::to_string(path.size()) + ")\n");
        return SeedFile::refused_name(messages);
    }
    mode = without_trailing_blanks(mode);
    if (mode.size() >= 4) {
        messages.error("ifopen: type too long (" + std::to_string(mode.size()) + ")\n");
        return SeedFile::refused_name(messages);
    }
    return SeedFile(std::fopen(std::string(path).c_str(), std::string(mode).c_str()), messages);
}

int ifclose(SeedFile& file) {
    return file.close();
}

} // namespace tw
