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

}  // namespace kestrine
