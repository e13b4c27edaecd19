#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/command_line.hpp"
#include "driver/file_loop.hpp"
#include "text/messages.hpp"
#include "text/result_file.hpp"

int main(int argc, char** argv) {
    // Past a file-size limit a write must fail with its reason, so that the append is cut back
    // and reported, not end the process in the middle of a line.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    tw::RunConfig config;
    tw::MessageSink& messages = tw::standard_messages();
    if (auto status = tw::read_command_line(args, config, messages)) {
        std::fflush(stdout);
        return *status;
    }
    try {
        tw::run_files(config, messages);
    } catch (const tw::OutputError& e) {
        // A result that cannot be written must not pass for a finished run.
        std::fflush(stdout);
        messages.error(std::string("  Tesk_wave - ") + e.what() + "\n");
        return 2;
    }
    std::fflush(stdout);
    return 0;
}
