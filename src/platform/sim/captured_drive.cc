#include "captured_drive.h"

#include <algorithm>

#include "file_reader.h"

namespace kestrine {

namespace {

bool ReadSector(const std::filesystem::path& file, Sector& sector) {
  const FileResult<std::vector<Byte>> bytes = ReadRegularFile(file, sector.size());
  if (!bytes || bytes->size() != sector.size()) return false;
  std::ranges::copy(*bytes, sector.begin());
  return true;
}

}  // namespace

std::optional<DriveImage> LoadCapturedDrive(const std::filesystem::path& directory,
                                            const std::string& name) {
  DriveImage image;
  if (!ReadSector(directory / (name + ".identify.bin"), image.identify) ||
      !ReadSector(directory / (name + ".smart.bin"), image.smart_data) ||
      !ReadSector(directory / (name + ".thresholds.bin"), image.thresholds)) {
    return std::nullopt;
  }
  image.vendor = "ATA";
  return image;
}

std::vector<std::string> CapturedDriveNames(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  std::error_code error;
  constexpr std::string_view kSuffix = ".identify.bin";
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    const std::string file = entry.path().filename().string();
    if (file.size() > kSuffix.size() && file.ends_with(kSuffix)) {
      names.push_back(file.substr(0, file.size() - kSuffix.size()));
    }
  }
  std::ranges::sort(names);
  return names;
}

}  // namespace kestrine
