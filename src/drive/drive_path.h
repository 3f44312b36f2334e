// The drive number a device path names, resolved as the platform resolves "\\.\PHYSICALDRIVEn".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrine {

// After any number of leading "\\.\", "PHYSICALDRIVE" in any letter case and a decimal number
// without leading zeros (Windows has "PhysicalDrive1", never "PhysicalDrive01"), at most nine
// digits. Anything else names no drive.
std::optional<std::uint32_t> PhysicalDriveNumber(std::string_view path);

}  // namespace kestrine
