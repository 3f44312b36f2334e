#include "test_paths.h"

#include <gtest/gtest.h>

#include "captured_drive.h"
#include "errors.h"

namespace kestrine::testing {

std::vector<std::string> CapturedNames() {
  return CapturedDriveNames(CapturedDir());
}

DriveImage CapturedImage(const std::string& name) {
  auto image = LoadCapturedDrive(CapturedDir(), name);
  EXPECT_TRUE(image.has_value()) << name;
  return image.value_or(DriveImage{});
}

}  // namespace kestrine::testing
