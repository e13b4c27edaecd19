#pragma once
// Data files for the reader tests: anonymous streams and named files that remove themselves.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "seed/seed_file.hpp"

namespace tw::test {

inline SeedFile stream_of(const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::rewind(f);
    return SeedFile(f);
}

class TempFile {
  public:
    TempFile(const std::vector<uint8_t>& bytes, const std::string& name)
        : path_(std::filesystem::temp_directory_path() /
                ("tw_seed_" + std::to_string(::getpid()) + "_" + name)) {
        std::ofstream out(path_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    std::string path() const { return path_.string(); }

  private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::vector<uint8_t> concat(std::vector<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace tw::test
