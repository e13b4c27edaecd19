#pragma once
// -h, --help and --version, answered the same way by every command: -h and --help print the usage
// text on standard output, --version prints "<command> <version>"; both end with status 0.
#include <cstdio>
#include <optional>
#include <string_view>

#include "tw_version.hpp"

namespace tw {

// The exit status when an argument asks for help or the version, nothing otherwise.
inline std::optional<int> answer_help_or_version(int argc, char** argv, const char* command,
                                                 void (*print_usage)()) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            print_usage();
            std::fflush(stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("%s %s\n", command, kVersion);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace tw
