// Drive paths: "\\.\PHYSICALDRIVEn" names the n-th physical drive, and the number such a path
// names is resolved as the platform resolves it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrine {

// The prefix of the Windows device namespace, "\\.\".
inline constexpr char kDeviceNamespacePrefix[] = "\\\\.\\";

// A drive's path up to its number, "\\.\PHYSICALDRIVE".
inline constexpr char kPhysicalDrivePrefix[] = "\\\\.\\PHYSICALDRIVE";

// "\\.\PHYSICALDRIVE" followed by the number in decimal.
std::string DriveDevicePath(int number);

// After any number of leading "\\.\", "PHYSICALDRIVE" in any letter case and a decimal number
// without leading zeros (Windows has "PhysicalDrive1", never "PhysicalDrive01"), at most nine
// digits. Anything else names no drive.
std::optional<std::uint32_t> PhysicalDriveNumber(std::string_view path);

// On Linux, drive numbers 0 to 191 are the SCSI disks in the kernel's naming order (0 sda, 25
// sdz, 26 sdaa, ...) and 192 to 255 the first namespace of NVMe controllers 0 to 63.
inline constexpr std::uint32_t kFirstNvmeDrive = 192;
inline constexpr std::uint32_t kNvmeDriveCount = 64;

// The drive number of a Linux disk's device path: "/dev/sda" 0, "/dev/sdaa" 26, "/dev/nvme1n1"
// 193. nullopt for any other text, a partition or a path beyond those numbers among them.
std::optional<std::uint32_t> DriveNumberOfDiskPath(std::string_view path);

}  // namespace kestrine
