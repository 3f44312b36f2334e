// A drive's power mode as it can be learnt without waking the drive: from the system (a device it
// holds suspended) or from the drive's answer to CHECK POWER MODE. A read that nobody asked for
// (the ten-minute re-read, kestrine-cli --no-wake) leaves a drive that is asleep alone.
#pragma once

#include <cstdint>

#include "bytes.h"

namespace kestrine {

enum class PowerMode : std::uint8_t {
  Unknown,    // not asked (NVMe, no family yet) or no answer: the drive is read
  Active,     // active or idle: the drive is read
  Standby,    // CHECK POWER MODE says standby: the platters are not spinning
  Suspended,  // the system holds the device suspended; opening it would resume it
};

constexpr bool Asleep(PowerMode mode) {
  return mode == PowerMode::Standby || mode == PowerMode::Suspended;
}

// "active", "standby", "suspended"; "unknown" for Unknown.
constexpr const char* PowerModeName(PowerMode mode) {
  switch (mode) {
    case PowerMode::Active:
      return "active";
    case PowerMode::Standby:
      return "standby";
    case PowerMode::Suspended:
      return "suspended";
    case PowerMode::Unknown:
      break;
  }
  return "unknown";
}

// The sector count register after CHECK POWER MODE (ACS-3 7.3): 00h standby (Standby_z), 01h
// Standby_y, 40h NV cache power mode with the spindle spun down, 41h the same spun up, 80h to
// 83h idle, FFh active or idle. Any other value tells nothing, and the drive is read.
constexpr PowerMode PowerModeFromCount(Byte count) {
  switch (count) {
    case 0x00:
    case 0x01:
    case 0x40:
      return PowerMode::Standby;
    case 0x41:
    case 0x80:
    case 0x81:
    case 0x82:
    case 0x83:
    case 0xFF:
      return PowerMode::Active;
    default:
      return PowerMode::Unknown;
  }
}

}  // namespace kestrine
