#pragma once
// The fixtures in tests/data/. A fixture that is missing fails the test that asked for it, with
// the path in the message: a clone that lost its data must not pass by skipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace tw::testing {

// The path of `relative` below tests/data/; records a failure when the file is not there.
inline std::string test_data(const std::string& relative) {
    const std::string path = std::string(TW_TEST_DATA) + "/" + relative;
    if (!std::filesystem::exists(path)) ADD_FAILURE() << "missing test fixture: " << path;
    return path;
}

// Every file ending in `extension` in the folder `relative` below tests/data/, sorted by name;
// records a failure when the folder is missing or holds no such file.
inline std::vector<std::string> test_data_files(const std::string& relative,
                                                const std::string& extension) {
    std::vector<std::string> files;
    const std::filesystem::path dir = test_data(relative);
    if (std::filesystem::is_directory(dir))
        for (const auto& e : std::filesystem::directory_iterator(dir))
            if (e.path().extension() == extension) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    if (files.empty()) ADD_FAILURE() << "no " << extension << " fixture in " << dir.string();
    return files;
}

} // namespace tw::testing
