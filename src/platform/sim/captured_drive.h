// Drive images from the three block files of a captured drive (NAME.identify.bin,
// NAME.smart.bin, NAME.thresholds.bin).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "sim_bay.h"

namespace kestrine {

// nullopt when a file is missing or is not exactly 512 bytes.
std::optional<DriveImage> LoadCapturedDrive(const std::filesystem::path& directory,
                                            const std::string& name);

// The names of the captured drives in a directory, sorted.
std::vector<std::string> CapturedDriveNames(const std::filesystem::path& directory);

}  // namespace kestrine
