// Windows drive paths on Linux: "\\.\PHYSICALDRIVEn" names the n-th SCSI disk in the kernel's
// naming order (0 sda, 25 sdz, 26 sdaa, ...).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "drive_path.h"

namespace kestrine {

// The kernel's name of the SCSI disk with the given index: "sd" and the index written in the
// letters a-z as a bijective base-26 number (0 "sda", 25 "sdz", 26 "sdaa", 701 "sdzz").
std::string ScsiDiskName(std::uint32_t index);

}  // namespace kestrine
