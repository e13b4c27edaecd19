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
#include "text/fields.hpp"

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

struct Field {
    int first, last; // 1-based columns
    enum Kind { Real, Integer } kind;
};

// Columns 1-53 of ground and shake lines: identity, orientation and the date.
const std::vector<Field> kLineStart{{20, 23, Field::Real},    {25, 28, Field::Real},
                                    {30, 33, Field::Integer}, {35, 37, Field::Integer},
                                    {39, 40, Field::Integer}, {42, 43, Field::Integer},
                                    {45, 46, Field::Integer}, {48, 52, Field::Integer}};

std::vector<Field> with_start(std::vector<Field> rest) {
    rest.insert(rest.begin(), kLineStart.begin(), kLineStart.end());
    return rest;
}

struct Layout {
    std::size_t width;          // 0: free-format line
    std::string label;          // the label at columns 15..., one of several for ground
    std::vector<Field> numbers; // fixed columns
};

const std::map<std::string, Layout> kLayouts{
    {"ground.wave",
     {106, " PG",
      with_start({{54, 65, Field::Real},
                  {66, 77, Field::Real},
                  {78, 84, Field::Real},
                  {86, 93, Field::Real},
                  {95, 106, Field::Real}})}},
    {"shake.wave",
     {110, " SHAK",
      with_start({{54, 60, Field::Real},
                  {61, 67, Field::Real},
                  {68, 74, Field::Real},
                  {75, 81, Field::Real},
                  {82, 88, Field::Real},
                  {90, 97, Field::Real},
                  {99, 110, Field::Real}})}},
    {"energy.wave",
     {65,
      " EMAG ",
      {{22, 26, Field::Real},
       {28, 34, Field::Real},
       {36, 50, Field::Real},
       {51, 65, Field::Real}}}},
    {"ramp.wave",
     {191,
      " RAMP ",
      {{22, 26, Field::Real},    {28, 34, Field::Real},    {36, 39, Field::Integer},
       {41, 43, Field::Integer}, {45, 46, Field::Integer}, {48, 49, Field::Integer},
       {51, 52, Field::Integer}, {54, 58, Field::Integer}, {60, 65, Field::Real},
       {67, 72, Field::Real},    {74, 79, Field::Real},    {81, 86, Field::Real},
       {88, 91, Field::Real},    {93, 104, Field::Real},   {106, 117, Field::Real},
       {119, 128, Field::Real},  {130, 139, Field::Real},  {141, 152, Field::Real},
       {154, 165, Field::Real},  {167, 178, Field::Real},  {180, 191, Field::Real}}}},
    {"wood.wave", {0, " WAS ", {}}},
};

// Empty when the line reads with its file's columns, else what is wrong.
std::string check_line(const std::string& line, const Layout& layout) {
    if (layout.width == 0) { // station+channel, WAS, amplitude, period, sample, magnitude
        std::istringstream in(line);
        std::vector<std::string> tokens;
        for (std::string t; in >> t;)
            tokens.push_back(t);
        if (tokens.size() != 6 || tokens[1] != "WAS") return "not a WAS line";
        for (std::size_t i = 2; i < 6; ++i)
            if (!tw::read_real(tokens[i]) && tokens[i].find_first_not_of('*') != std::string::npos)
                return "field " + std::to_string(i + 1) + " is no number";
        return {};
    }
    if (line.size() != layout.width) return "width " + std::to_string(line.size());
    if (line.compare(14, layout.label.size(), layout.label) != 0) return "label";
    for (const Field& f : layout.numbers) {
        const std::string text = tw::column(line, f.first, f.last);
        const bool ok = f.kind == Field::Real ? tw::read_real(text).has_value()
                                              : tw::read_int(text).has_value();
        if (!ok) return "columns " + std::to_string(f.first) + "-" + std::to_string(f.last);
    }
    return {};
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

    for (const auto& [name, layout] : kLayouts) {
        SCOPED_TRACE(name);
        const ResultFile one = read_result(single / name);
        const ResultFile many = read_result(shared / name);
        ASSERT_GT(one.count, 0);
        EXPECT_FALSE(one.header.empty());
        EXPECT_EQ(many.header, one.header);
        EXPECT_EQ(many.stray_headers, 0);
        EXPECT_EQ(many.count, kRuns * one.count);
        for (const auto& [line, n] : many.lines) {
            EXPECT_EQ(check_line(line, layout), "") << line;
            const auto it = one.lines.find(line);
            const int expected = it == one.lines.end() ? 0 : kRuns * it->second;
            EXPECT_EQ(n, expected) << line;
        }
    }
}
