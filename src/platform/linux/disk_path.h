// Windows drive paths on Linux: "\\.\PHYSICALDRIVEn" names the n-th SCSI disk in the kernel's
// naming order (0 sda, 25 sdz, 26 sdaa, ...), except for the numbers 192 to 255, which name the
// first namespace device of NVMe controllers 0 to 63 (192 nvme0n1, 193 nvme1n1, ...; which
// namespace ID that is, the port asks the kernel). Drive numbers are
// one byte in the window, so the SCSI disks keep 0 to 191 (sda to sdgj) where they always were.
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

// The kernel's name of the disk a drive number names ("sda", "nvme0n1").
struct DiskName {
  std::string name;
  bool nvme = false;
};
DiskName DiskNameForDrive(std::uint32_t number);

}  // namespace kestrine
