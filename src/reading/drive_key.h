// How the history and the watch tell one drive from another: its model and serial number. Some
// drives (USB bridges, cheap SSDs) give a serial of spaces only; two of one model would be one
// drive, each alerting the other at every reading. Such a drive is told apart by its world wide
// name (ATA IDENTIFY words 108-111; NVMe EUI-64, else NGUID), else by the path it was read at.
#pragma once

#include <compare>
#include <string>
#include <string_view>

#include "reading.h"

namespace kestrine {

struct DriveKey {
  std::string model;
  // The drive's serial as it gives it; for a blank one "WWN " and 16 hexadecimal digits, "EUI64 "
  // and 16, "NGUID " and 32, or "at " and the path.
  std::string serial;
  auto operator<=>(const DriveKey&) const = default;
};

// The key of the drive of `reading`, read at `path`.
DriveKey KeyOf(const DriveReading& reading, std::string_view path);

}  // namespace kestrine
