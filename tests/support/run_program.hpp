#pragma once
// Runs one of the project's programs as a child process and captures what it prints.
#include <sys/wait.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/files.hpp"

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

// Runs `program args...` in `dir` (the current directory when empty).
inline ProgramResult run_program(const std::string& program, const std::vector<std::string>& args,
                                 const std::filesystem::path& dir = {}) {
    const auto err_file = std::filesystem::temp_directory_path() /
                          ("tw_stderr_" + std::to_string(::getpid()) + "_" +
                           std::to_string(reinterpret_cast<std::uintptr_t>(&args)));
    // Built by appending: a literal followed by + on a temporary trips GCC 12's -Wrestrict at -O3.
    std::string command;
    if (!dir.empty()) {
        command += "cd ";
        command += shell_quote(dir.string());
        command += " && ";
    }
    command += shell_quote(program);
    for (const auto& a : args) {
        command += ' ';
        command += shell_quote(a);
    }
    command += " 2>";
    command += shell_quote(err_file.string());
    command += " </dev/null";
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

} // namespace tw::testing
