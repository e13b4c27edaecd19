#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/run_program.hpp"
#include "text/result_file.hpp"

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
