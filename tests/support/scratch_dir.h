// A folder of the test's own under the system's temporary folder, removed with everything in it
// when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace kestrine::testing {

class ScratchDir {
 public:
  // Named after the running test and a random number, so that two builds running the same test
  // at once do not share a folder.
  ScratchDir() {
    std::string name = "kestrine";
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
      name += std::string("-") + info->test_suite_name() + "-" + info->name();
    }
    // Parameterised tests' names hold a '/'.
    std::ranges::replace(name, '/', '-');
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(random()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& Path() const { return path_; }

  // The names in the folder itself, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    std::ranges::sort(names);
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace kestrine::testing
