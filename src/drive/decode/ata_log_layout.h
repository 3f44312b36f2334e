// The layouts of the ATA logs a drive's statistics are read from: the log directory (log 00h),
// the Device Statistics log (log 04h) and its pages, and the SCT status (log E0h). Every page is
// 512 bytes, little-endian. Read by the decoders, written by the simulated drives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bytes.h"

namespace kestrine {

inline constexpr std::size_t kLogPageSize = 512;

// The log directory: word 0 the version, word n the number of pages of log address n.
namespace log_directory {
inline constexpr std::size_t kVersion = 0;  // u16
inline constexpr std::uint16_t kVersionValue = 1;
constexpr std::size_t PageCountOffset(Byte log) {
  return 2 * std::size_t{log};
}
}  // namespace log_directory

// The Device Statistics log: page 00h lists the pages the drive has; every page starts with an
// 8-byte header, and each statistic after it is one 8-byte entry.
namespace device_statistics {
inline constexpr std::size_t kRevision = 0;    // u16, kRevisionValue
inline constexpr std::size_t kPageNumber = 2;  // u8, the page's own number
inline constexpr std::uint16_t kRevisionValue = 1;
inline constexpr std::size_t kEntrySize = 8;
// Page 00h: the number of pages listed, then one byte each.
inline constexpr std::size_t kListCount = 8;
inline constexpr std::size_t kListFirst = 9;
// An entry's flags in its byte 7 (bits 63-56 of the entry); the value in bits 55-0.
inline constexpr std::size_t kEntryFlags = 7;
inline constexpr Byte kFlagSupported = 0x80;
inline constexpr Byte kFlagValid = 0x40;
inline constexpr std::uint64_t kValueMask = 0x00FFFFFFFFFFFFFF;

// The pages read.
inline constexpr Byte kPageList = 0x00;
inline constexpr Byte kGeneralPage = 0x01;
inline constexpr Byte kTemperaturePage = 0x05;
inline constexpr Byte kSolidStatePage = 0x07;

// General Statistics (page 01h), the offsets of their entries.
inline constexpr std::size_t kPowerOnResets = 0x08;          // 32 bits
inline constexpr std::size_t kPowerOnHours = 0x10;           // 32 bits
inline constexpr std::size_t kLogicalSectorsWritten = 0x18;  // 48 bits
inline constexpr std::size_t kLogicalSectorsRead = 0x28;     // 48 bits
// Temperature Statistics (page 05h): signed degrees Celsius in the entry's low byte, and times
// in minutes.
inline constexpr std::size_t kCurrentTemperature = 0x08;
inline constexpr std::size_t kAverageShortTermTemperature = 0x10;
inline constexpr std::size_t kAverageLongTermTemperature = 0x18;
inline constexpr std::size_t kHighestTemperature = 0x20;
inline constexpr std::size_t kLowestTemperature = 0x28;
inline constexpr std::size_t kTimeOverTemperature = 0x50;  // 32 bits
inline constexpr std::size_t kMaxOperatingTemperature = 0x58;
inline constexpr std::size_t kTimeUnderTemperature = 0x60;  // 32 bits
inline constexpr std::size_t kMinOperatingTemperature = 0x68;
// Solid State Device Statistics (page 07h).
inline constexpr std::size_t kPercentageUsed = 0x08;  // 8 bits
}  // namespace device_statistics

// The SCT status (log E0h): signed temperatures in degrees Celsius, 80h where none is known.
namespace sct_status {
inline constexpr std::size_t kFormatVersion = 0;  // u16, 2 or 3
inline constexpr std::uint16_t kFirstFormatVersion = 2;
inline constexpr std::uint16_t kLastFormatVersion = 3;
inline constexpr std::size_t kCurrentTemperature = 200;
inline constexpr std::size_t kPowerCycleLowest = 201;
inline constexpr std::size_t kPowerCycleHighest = 202;
inline constexpr std::size_t kLifetimeLowest = 203;
inline constexpr std::size_t kLifetimeHighest = 204;
inline constexpr Byte kNoTemperature = 0x80;
}  // namespace sct_status

static_assert(device_statistics::kMinOperatingTemperature + device_statistics::kEntrySize <=
              kLogPageSize);

}  // namespace kestrine
