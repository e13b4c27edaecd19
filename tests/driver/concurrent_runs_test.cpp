// Several runs of the example event started at the same moment in one results folder, as an
// operator's scripts do after an earthquake: no result line may be torn, mixed with another or
// lost, and each file keeps the single header of the run that created it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

using namespace tw::testing;

namespace {

constexpr int kRuns = 8;
const std::string kExample = std::string(TW_SOURCE_DIR) + "/examples/event/";

std::vector<std::string> example_args() {
    std::istringstream event(slurp(kExample + "synth.event"));
    std::string origin, lat, lon, depth;
    event >> origin >> lat >> lon >> depth;
    std::vector<std::string> args{"-w",
                                  "-g",
                                  "-e",
                                  "-r",
                                  "-l",
                                  lat,
                                  lon,
                                  "-t",
                                  origin,
                                  "-d",
                                  depth,
                                  "-coord",
                                  kExample + "synth.stat",
                                  "-resp",
                                  kExample + "synth.resp",
                                  "-sens",
                                  kExample + "synth.sens",
                                  "-pick",
                                  kExample + "synth.pick",
                                  "-model",
                                  std::string(TW_BINARY_DIR) + "/traveltime/iasp91"};
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(kExample))
        if (entry.path().extension() == ".mseed") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    args.insert(args.end(), files.begin(), files.end());
    return args;
}

// Starts `count` runs in `dir`, all held at one barrier until every child exists, and returns
// their exit statuses.
std::vector<int> run_together(int count, const std::filesystem::path& dir) {
    const auto args = example_args();
    std::vector<char*> argv{const_cast<char*>(TESK_WAVE)};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    int barrier[2];
    if (::pipe(barrier) != 0) return {};
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(barrier[1]);
            char go = 0;
            while (::read(barrier[0], &go, 1) > 0) {
            } // returns 0 once the parent closes its end
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            if (::chdir(dir.c_str()) != 0) ::_exit(126);
            ::execv(TESK_WAVE, argv.data());
            ::_exit(127);
        }
        if (pid > 0) children.push_back(pid);
    }
    ::close(barrier[0]);
    ::close(barrier[1]); // every child starts now
    std::vector<int> statuses;
    for (const pid_t pid : children) {
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        statuses.push_back(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1);
    }
    return statuses;
}

struct ResultFile {
    std::vector<std::string> header;  // the leading '#' lines
    std::map<std::string, int> lines; // every other line and how often it occurs
    int count = 0;
    int stray_headers = 0; // '#' lines after the first result line
};

ResultFile read_result(const std::filesystem::path& path) {
    ResultFile file;
    for (const auto& line : lines_of(slurp(path))) {
        if (!line.empty() && line[0] == '#') {
            if (file.count == 0)
                file.header.push_back(line);
            else
                ++file.stray_headers;
            continue;
        }
        ++file.lines[line];
        ++file.count;
    }
    return file;
}

} // namespace

TEST(ConcurrentRuns, EightRunsInOneFolderKeepEveryLineWhole) {
    TempDir single, shared;
    ASSERT_EQ(run_together(1, single.path()), std::vector<int>(1, 0));
    ASSERT_EQ(run_together(kRuns, shared.path()), std::vector<int>(kRuns, 0));

    // A torn or mixed line is none of the lines one run writes alone.
    for (const char* name :
         {"wood.wave", "ground.wave", "shake.wave", "energy.wave", "ramp.wave"}) {
        SCOPED_TRACE(name);
        const ResultFile one = read_result(single / name);
        const ResultFile many = read_result(shared / name);
        ASSERT_GT(one.count, 0);
        EXPECT_FALSE(one.header.empty());
        EXPECT_EQ(many.header, one.header);
        EXPECT_EQ(many.stray_headers, 0);
        EXPECT_EQ(many.count, kRuns * one.count);
        for (const auto& [line, n] : many.lines) {
            const auto it = one.lines.find(line);
            const int expected = it == one.lines.end() ? 0 : kRuns * it->second;
            EXPECT_EQ(n, expected) << line;
        }
    }
}
