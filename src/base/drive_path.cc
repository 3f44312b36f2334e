#include "drive_path.h"

namespace kestrine {

namespace {

constexpr std::string_view kDevicePrefix = kDeviceNamespacePrefix;
constexpr std::string_view kDriveName =
    std::string_view(kPhysicalDrivePrefix).substr(kDevicePrefix.size());
static_assert(std::string_view(kPhysicalDrivePrefix).starts_with(kDevicePrefix));
constexpr std::size_t kMaxDigits = 9;  // keeps the number inside 32 bits

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::string DriveDevicePath(int number) {
  return kPhysicalDrivePrefix + std::to_string(number);
}

std::optional<std::uint32_t> PhysicalDriveNumber(std::string_view path) {
  while (path.starts_with(kDevicePrefix)) path.remove_prefix(kDevicePrefix.size());
  if (path.size() < kDriveName.size()) return std::nullopt;
  for (std::size_t i = 0; i < kDriveName.size(); ++i) {
    if (Upper(path[i]) != kDriveName[i]) return std::nullopt;
  }
  path.remove_prefix(kDriveName.size());
  if (path.empty() || path.size() > kMaxDigits) return std::nullopt;
  if (path.size() > 1 && path[0] == '0') return std::nullopt;
  std::uint32_t number = 0;
  for (char c : path) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return number;
}

std::optional<std::uint32_t> DriveNumberOfDiskPath(std::string_view path) {
  constexpr std::string_view kDev = "/dev/";
  if (!path.starts_with(kDev)) return std::nullopt;
  path.remove_prefix(kDev.size());
  // At most three letters: "sdgj" (191) is the last SCSI disk a drive number names.
  if (path.starts_with("sd") && path.size() > 2 && path.size() <= 5) {
    std::uint32_t value = 0;
    for (const char c : path.substr(2)) {
      if (c < 'a' || c > 'z') return std::nullopt;
      value = value * 26 + static_cast<std::uint32_t>(c - 'a' + 1);  // bijective base 26
    }
    if (value - 1 < kFirstNvmeDrive) return value - 1;
    return std::nullopt;
  }
  if (path.starts_with("nvme") && path.ends_with("n1") && path.size() > 6 && path.size() <= 8) {
    const std::string_view digits = path.substr(4, path.size() - 6);
    if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
    std::uint32_t controller = 0;
    for (const char c : digits) {
      if (c < '0' || c > '9') return std::nullopt;
      controller = controller * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (controller < kNvmeDriveCount) return kFirstNvmeDrive + controller;
  }
  return std::nullopt;
}

}  // namespace kestrine
