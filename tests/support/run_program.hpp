#pragma once
// Runs one of the project's programs as a child process and captures what it prints.
#include <sys/wait.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tw::testing {

struct ProgramResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs `program args...` in `dir` (the current directory when empty).
inline ProgramResult run_program(const std::string& program, const std::vector<std::string>& args,
                                 const std::filesystem::path& dir = {}) {
    const auto err_file = std::filesystem::temp_directory_path() /
                          ("tw_stderr_" + std::to_string(::getpid()) + "_" +
                           std::to_string(reinterpret_cast<std::uintptr_t>(&args)));
    std::string command;
    if (!dir.empty()) command += "cd " + shell_quote(dir.string()) + " && ";
    command += shell_quote(program);
    for (const auto& a : args)
        command += " " + shell_quote(a);
    command += " 2>" + shell_quote(err_file.string()) + " </dev/null";
    ProgramResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        result.out.append(buf, n);
    const int raw = ::pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.err = slurp(err_file);
    std::filesystem::remove(err_file);
    return result;
}

// The lines of a text, without their newlines.
inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A fresh empty folder below the system's temporary folder, removed with the object.
class TempDir {
  public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tw_test_XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

} // namespace tw::testing
