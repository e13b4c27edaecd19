#pragma once
// Small station files written by the tests into a fresh temporary directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

#include "records/records.hpp"
#include "tests/support/test_data.hpp"
#include "time/daymo.hpp"
#include "time/int_time.hpp"

namespace tw::testing {

class TempDir {
  public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               (std::string("tw_metadata_") + info->test_suite_name() + "_" + info->name() + "_" +
                std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Writes the lines, each ended by "\n", and returns the file's path.
    std::string write(const std::string& name, const std::vector<std::string>& lines) const {
        const auto path = dir_ / name;
        std::ofstream out(path, std::ios::binary);
        for (const auto& line : lines)
            out << line << '\n';
        return path.string();
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

  private:
    std::filesystem::path dir_;
};

// The instant of a calendar date given as year and day of year.
inline int_time at(int year, int doy, int hour, int minute, int second = 0, int usec = 0) {
    ext_time et{year, doy, 0, 0, hour, minute, second, usec};
    daymo(doy, et.month, et.day, year);
    int_time out;
    f_ext_to_int(et, out);
    return out;
}

inline TraceHeader trace(std::string_view station, std::string_view channel, int_time stime) {
    TraceHeader head;
    head.stat = station;
    head.chan = channel;
    head.stime = stime;
    return head;
}

inline std::string rjob_file(const std::string& name) { return test_data("rjob/" + name); }

} // namespace tw::testing
