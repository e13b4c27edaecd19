#include <gtest/gtest.h>

#include <sys/stat.h>

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
