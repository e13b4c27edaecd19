#pragma once
// Runs a test inside a fresh empty folder, since the estimators write their result files into
// the current directory.
#include <filesystem>

#include "tests/support/run_program.hpp"

namespace tw::testing {

class InTempDir {
  public:
    InTempDir() : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir_.path());
    }
    ~InTempDir() { std::filesystem::current_path(previous_); }
    InTempDir(const InTempDir&) = delete;
    InTempDir& operator=(const InTempDir&) = delete;

  private:
    TempDir dir_;
    std::filesystem::path previous_;
};

} // namespace tw::testing
