// Helpers of the capture-file tests: a temporary folder removed with its files at the end of the
// test, and a capture's runs as (start, levels) pairs for whole comparisons.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "Capture.h"

namespace hdmi::test {

class TempDir {
  public:
    explicit TempDir(const std::string& prefix = "hdmi-test") {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (std::filesystem::path(path_) / name).string(); }
    // Writes `content` to a file of the folder and returns its path.
    std::string Write(const std::string& name, const std::string& content) const {
        std::ofstream(File(name), std::ios::binary) << content;
        return File(name);
    }

  private:
    std::string path_;
};

inline std::vector<std::pair<int64_t, host::Levels>> Runs(const host::Capture& capture) {
    std::vector<std::pair<int64_t, host::Levels>> runs;
    for (size_t i = 0; i < capture.RunCount(); ++i)
        runs.emplace_back(capture.RunStart(i), capture.RunLevels(i));
    return runs;
}

inline host::Levels High(std::initializer_list<int> channels) {
    host::Levels levels;
    for (int channel : channels) levels.Set(channel, true);
    return levels;
}

}  // namespace hdmi::test
