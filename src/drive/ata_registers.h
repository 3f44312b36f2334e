// ATA command and register values shared by the three transports and the drive's side.
#pragma once

#include "bytes.h"

namespace kestrine {

inline constexpr Byte kSmartCommand = 0xB0;
inline constexpr Byte kIdentifyDeviceCommand = 0xEC;
// The signature a S.M.A.R.T. command carries in LBA mid and LBA high.
inline constexpr Byte kSmartCylLow = 0x4F;
inline constexpr Byte kSmartCylHigh = 0xC2;

// S.M.A.R.T. subcommands (features register) and the log address of the self-test log.
inline constexpr Byte kSmartReadData = 0xD0;
inline constexpr Byte kSmartReadThresholds = 0xD1;
inline constexpr Byte kSmartExecuteOfflineImmediate = 0xD4;
inline constexpr Byte kSmartReadLog = 0xD5;
inline constexpr Byte kSelfTestLogAddress = 6;

// EXECUTE OFF-LINE IMMEDIATE subcommands (sector number register).
inline constexpr Byte kOfflineDataCollection = 0;
inline constexpr Byte kShortSelfTestOffline = 1;
inline constexpr Byte kExtendedSelfTestOffline = 2;
inline constexpr Byte kAbortOfflineTest = 127;

// The device/head byte that selects a drive by the low bit of its number: 0xA0 for even
// numbers, 0xB0 for odd ones (the SAT command's device byte and the legacy drive/head register).
constexpr Byte DriveSelectByte(Byte drive_number) {
  return static_cast<Byte>(0xA0 | ((drive_number & 1) << 4));
}
static_assert(DriveSelectByte(0) == 0xA0 && DriveSelectByte(3) == 0xB0);

}  // namespace kestrine
