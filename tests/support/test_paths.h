// Where the tests find the captured drives and the repository's own files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "sim_bay.h"

namespace kestrine::testing {

inline std::filesystem::path SharedDir() {
  return KESTRINE_SHARED_DIR;
}
inline std::filesystem::path CapturedDir() {
  return SharedDir() / "captured-drives";
}
inline std::filesystem::path SourceDir() {
  return KESTRINE_SOURCE_DIR;
}

// A captured drive's snapshot file, as libatasmart's `skdump --save` wrote it.
inline std::string CapturedBlob(const std::string& name) {
  return (CapturedDir() / "skdump-format" / (name + ".blob")).string();
}

// The captured drives' names; empty (and the test should skip) when the folder is absent.
std::vector<std::string> CapturedNames();

// A captured drive's image; fails the test when it cannot be read.
DriveImage CapturedImage(const std::string& name);

}  // namespace kestrine::testing

// Skips the test when the captured drives are not beside the repository.
#define KESTRINE_REQUIRE_CAPTURED()                                                   \
  do {                                                                                \
    if (::kestrine::testing::CapturedNames().empty())                                 \
      GTEST_SKIP() << "no captured drives at " << ::kestrine::testing::CapturedDir(); \
  } while (0)
