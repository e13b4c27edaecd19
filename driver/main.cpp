#include <cstdio>
#include <string>
#include <vector>

#include "driver/command_line.hpp"
#include "driver/file_loop.hpp"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    tw::RunConfig config;
    if (auto status = tw::read_command_line(args, config)) {
        std::fflush(stdout);
        return *status;
    }
    tw::run_files(config);
    std::fflush(stdout);
    return 0;
}
