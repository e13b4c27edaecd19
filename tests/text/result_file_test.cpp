#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <random>
#include <set>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/run_program.hpp"
#include "text/result_file.hpp"

using tw::testing::lines_of;
using tw::testing::slurp;
using tw::testing::TempDir;

TEST(ResultFile, HeaderOnlyWhenCreated) {
    TempDir dir;
    const auto path = (dir / "wood.wave").string();
    tw::append_result(path, {"# ", "# "}, {" A"});
    tw::append_result(path, {"# ", "# "}, {" B", " C"});
    EXPECT_EQ(slurp(path), "# \n# \n A\n B\n C\n");
}

TEST(ResultFile, FailureNamesTheFileAndTheReason) {
    TempDir dir;
    const auto path = (dir / "missing-folder" / "ground.wave").string();
    try {
        tw::append_result(path, {}, {"x"});
        FAIL() << "no error";
    } catch (const tw::OutputError& e) {
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos);
    }
}

// Processes that start appending at once to a file none of them finds: the one that creates it
// puts its header first, no other line comes before the header, and no scratch file is left.
TEST(ResultFile, RacingCreatorsLeaveOneHeaderFirst) {
    constexpr int kWriters = 8;
    constexpr int kLines = 4000;
    for (int round = 0; round < 10; ++round) {
        TempDir dir;
        const auto path = (dir / "ground.wave").string();
        int barrier[2];
        ASSERT_EQ(::pipe(barrier), 0);
        std::vector<pid_t> children;
        for (int i = 0; i < kWriters; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(barrier[1]);
                char go = 0;
                while (::read(barrier[0], &go, 1) > 0) {
                }
                // Many lines, as a save file has: the text takes a while to assemble.
                tw::append_result(path, {"# ", "#Stat"},
                                  std::vector<std::string>(kLines, " line " + std::to_string(i)));
                ::_exit(0);
            }
            children.push_back(pid);
        }
        ::close(barrier[0]);
        ::close(barrier[1]);
        for (const pid_t pid : children) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        const auto lines = tw::testing::lines_of(slurp(path));
        ASSERT_EQ(lines.size(), 2u + kWriters * kLines);
        EXPECT_EQ(lines[0], "# ");
        EXPECT_EQ(lines[1], "#Stat");
        const auto torn = std::count_if(lines.begin() + 2, lines.end(), [](const std::string& l) {
            return l.rfind(" line ", 0) != 0;
        });
        EXPECT_EQ(torn, 0);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

namespace {

namespace fs = std::filesystem;

// Runs `body` in a child process whose files may not grow beyond `limit` bytes: a full disk
// without privileges (SIGXFSZ ignored, a write beyond the limit fails with EFBIG). The child's
// exit status: 0 when body returned, 3 for an OutputError naming "File too large", 4 for another.
int in_child_limited(rlim_t limit, const std::function<void()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{limit, limit};
        if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(5);
        try {
            body();
        } catch (const tw::OutputError& e) {
            ::_exit(std::string(e.what()).find("File too large") != std::string::npos ? 3 : 4);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> names_in(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(ResultFile, AppendCutShortByAFullDiskIsCutBackWhole) {
    TempDir dir;
    const auto path = (dir / "wood.wave").string();
    tw::append_result(path, {"# ", "# "}, {" SY01 HHZ  XX   WAS  39.943"});
    const std::string before = slurp(path);
    // Room for ten more bytes: the next line would be torn after them.
    EXPECT_EQ(
        in_child_limited(before.size() + 10,
                         [&] {
                             tw::append_result(path, {"# ", "# "}, {" SY02 HHZ  XX   WAS  40.001"});
                         }),
        3);
    EXPECT_EQ(slurp(path), before);
    // The next run's line starts on a line of its own.
    tw::append_result(path, {"# ", "# "}, {" SY03 HHZ  XX   WAS  41.000"});
    EXPECT_EQ(slurp(path), before + " SY03 HHZ  XX   WAS  41.000\n");
}

// A line torn by a run killed in its append (or by a writer outside the project) is ended
// before the next append, which keeps its own lines whole.
TEST(ResultFile, AFileEndingInsideALineGetsItsEndBeforeTheAppend) {
    TempDir dir;
    const auto path = (dir / "wood.wave").string();
    tw::append_result(path, {"# "}, {" SY01 HHZ  XX   WAS  39.943"});
    {
        std::ofstream torn(path, std::ios::app);
        torn << " SY02 HHZ  XX   WAS ";
    }
    tw::append_result(path, {"# "}, {" SY03 HHZ  XX   WAS  41.000"});
    EXPECT_EQ(slurp(path), "# \n SY01 HHZ  XX   WAS  39.943\n SY02 HHZ  XX   WAS \n"
                           " SY03 HHZ  XX   WAS  41.000\n");
}

// A result file kept elsewhere through a link: the first run creates the file the link names.
TEST(ResultFile, ALinkToAFileNotYetThereIsFollowed) {
    TempDir dir;
    std::filesystem::create_directory(dir / "store");
    std::filesystem::create_symlink("store/wood.wave", dir / "wood.wave");
    const auto path = (dir / "wood.wave").string();
    tw::append_result(path, {"# "}, {" SY01 HHZ  XX   WAS  39.943"});
    tw::append_result(path, {"# "}, {" SY02 HHZ  XX   WAS  40.001"});
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "wood.wave"));
    EXPECT_EQ(slurp((dir / "store" / "wood.wave").string()),
              "# \n SY01 HHZ  XX   WAS  39.943\n SY02 HHZ  XX   WAS  40.001\n");
}

TEST(ResultFile, NewFileOnAFullDiskLeavesNothingBehind) {
    TempDir dir;
    const auto path = (dir / "ground.wave").string();
    const std::vector<std::string> lines(100, " a line of a save file");
    EXPECT_EQ(in_child_limited(500, [&] { tw::append_result(path, {"# "}, lines); }), 3);
    EXPECT_TRUE(names_in(dir.path()).empty());
    // The same where the file system offers no unnamed files: the scratch file goes too.
    std::string text;
    for (const auto& line : lines)
        text += line + "\n";
    EXPECT_EQ(in_child_limited(500, [&] { tw::detail::create_named(path, text); }), 3);
    EXPECT_TRUE(names_in(dir.path()).empty());
    EXPECT_TRUE(tw::detail::create_named(path, text));
    EXPECT_FALSE(tw::detail::create_named(path, text)) << "the file exists";
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"ground.wave"});
    EXPECT_EQ(slurp(path), text);
}

// A run killed while it creates a file, at any moment, leaves either nothing or the whole file.
TEST(ResultFile, RunKilledWhileCreatingLeavesNothingNamed) {
    const std::vector<std::string> lines(200000, " 123456  0.12345");
    std::mt19937 gen(5);
    for (int round = 0; round < 40; ++round) {
        TempDir dir;
        const auto path = (dir / "S.HHZ.wood").string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            tw::append_result(path, {}, lines);
            ::_exit(0);
        }
        if (round % 2 == 0) {
            // Killed as soon as anything appears in the folder (or the run ends).
            while (names_in(dir.path()).empty() && ::waitpid(pid, nullptr, WNOHANG) == 0) {
            }
        } else {
            ::usleep(std::uniform_int_distribution<unsigned>(0, 20000)(gen));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const auto names = names_in(dir.path());
        ASSERT_TRUE(names.empty() || names == std::vector<std::string>{"S.HHZ.wood"})
            << names.front() << " left behind in round " << round;
        if (!names.empty()) {
            EXPECT_EQ(lines_of(slurp(path)).size(), lines.size());
        }
    }
}

TEST(ResultFile, StaleScratchFilesOfGoneRunsAreRemovedOthersKept) {
    TempDir dir;
    const auto path = (dir / "wood.wave").string();
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const auto old_file = [&](const std::string& name, bool old) {
        std::ofstream(dir / name) << "x\n";
        if (old)
            fs::last_write_time(dir / name,
                                fs::file_time_type::clock::now() - std::chrono::hours(1));
    };
    const std::string stale = "wood.wave." + std::to_string(gone) + ".new";
    const std::string running = "wood.wave." + std::to_string(::getppid()) + ".new";
    const std::string fresh = "ground.wave." + std::to_string(gone) + ".new";
    old_file(stale, true);
    old_file(running, true);             // its writer is alive
    old_file(fresh, false);              // another file's, and just written
    old_file("wood.wave.12x.new", true); // not a scratch name
    old_file("wood.wave.new", true);
    tw::detail::remove_stale_scratch(path, std::chrono::minutes(10));
    const auto sorted = [](std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(names_in(dir.path()), sorted({fresh, running, "wood.wave.12x.new", "wood.wave.new"}));
    // The stale scratch of the result file itself goes when the file is next created.
    old_file(stale, true);
    EXPECT_TRUE(tw::detail::create_named(path, " A\n"));
    EXPECT_EQ(names_in(dir.path()),
              sorted({fresh, running, "wood.wave", "wood.wave.12x.new", "wood.wave.new"}));
}

// Writers appending at once while some of them hit the end of their room in the middle of a
// line: each failed append is cut back under the lock, so no other writer's line is lost and no
// line is torn.
TEST(ResultFile, ConcurrentWritersLoseNothingWhenOthersFailMidLine) {
    constexpr int kWriters = 4, kLinesEach = 400, kLimited = 12;
    TempDir dir;
    const auto path = (dir / "wood.wave").string();
    tw::append_result(path, {"# ", "# "}, {});
    const std::string filler(150, 'f');
    int barrier[2];
    ASSERT_EQ(::pipe(barrier), 0);
    std::vector<pid_t> children;
    const auto start = [&](const std::function<void()>& body) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(barrier[1]);
            char go = 0;
            while (::read(barrier[0], &go, 1) > 0) {
            }
            body();
            ::_exit(0);
        }
        children.push_back(pid);
    };
    for (int w = 0; w < kWriters; ++w)
        start([&, w] {
            for (int k = 0; k < kLinesEach; ++k)
                tw::append_result(path, {}, {" w" + std::to_string(w) + " " + std::to_string(k)});
        });
    for (int l = 0; l < kLimited; ++l)
        start([&, l] {
            // Room ending somewhere in the file the others are writing.
            const rlim_t room = 2000 + 1500 * static_cast<rlim_t>(l);
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit lim{room, room};
            ::setrlimit(RLIMIT_FSIZE, &lim);
            for (int k = 0; k < 200; ++k) {
                try {
                    tw::append_result(path, {}, {" l" + std::to_string(l) + " " + filler});
                } catch (const tw::OutputError&) {
                }
            }
        });
    ::close(barrier[0]);
    ::close(barrier[1]);
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const std::string text = slurp(path);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const auto lines = lines_of(text);
    std::set<std::string> seen;
    int limited = 0;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.rfind(" l", 0) == 0) {
            ++limited;
            EXPECT_EQ(line.size(), 4 + filler.size() + (line[3] == ' ' ? 0 : 1)) << line;
            EXPECT_EQ(line.substr(line.size() - filler.size()), filler) << line;
        } else {
            EXPECT_TRUE(seen.insert(line).second) << "twice: " << line;
        }
    }
    EXPECT_GT(limited, 0);
    for (int w = 0; w < kWriters; ++w)
        for (int k = 0; k < kLinesEach; ++k)
            EXPECT_EQ(seen.count(" w" + std::to_string(w) + " " + std::to_string(k)), 1u)
                << "lost: w" << w << " " << k;
}
