// The layouts of the blocks a drive returns: the S.M.A.R.T. data block's status bytes, the
// attribute and threshold entries, and the self-test log. Read by the views, written by the
// simulated drives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "bytes.h"

namespace kestrine {

// Attribute and threshold entries: 30 of 12 bytes from byte 2 of their blocks.
namespace smart_entry {
inline constexpr std::size_t kFirst = 2;
inline constexpr std::size_t kSize = 12;
inline constexpr std::size_t kCount = 30;
inline constexpr std::size_t kEntriesSize = kCount * kSize;  // 360, bytes 2 to 361
// Attribute entry.
inline constexpr std::size_t kId = 0;
inline constexpr std::size_t kFlags = 1;  // 16 bits
inline constexpr std::size_t kCurrent = 3;
inline constexpr std::size_t kWorst = 4;
inline constexpr std::size_t kRaw = 5;  // 6 bytes; the views read its low two
inline constexpr std::size_t kRawSize = 6;
// Threshold entry.
inline constexpr std::size_t kThreshold = 1;
static_assert(kFirst + kCount * kSize == 362);
}  // namespace smart_entry

// Status and capability fields of the S.M.A.R.T. data block.
namespace smart_data {
inline constexpr std::size_t kRevision = 0;  // 16 bits
inline constexpr std::size_t kOfflineStatus = 362;
inline constexpr std::size_t kSelfTestStatus = 363;
inline constexpr std::size_t kOfflineTotalSeconds = 364;  // 16 bits
inline constexpr std::size_t kOfflineCapability = 367;
inline constexpr std::size_t kSmartCapability = 368;  // 16 bits
inline constexpr std::size_t kErrorLogging = 370;
inline constexpr std::size_t kShortPollingMinutes = 372;
inline constexpr std::size_t kExtendedPollingMinutes = 373;
inline constexpr std::size_t kConveyancePollingMinutes = 374;
inline constexpr std::size_t kExtendedPollingWord = 375;  // 16 bits, when byte 373 is 0xFF
inline constexpr Byte kPollingMinutesInWord = 0xFF;
inline constexpr std::size_t kChecksum = 511;
}  // namespace smart_data

// The extended self-test's time in minutes: byte 373, or, where that byte is FFh (a test of
// 255 minutes or more), the word at bytes 375-376.
constexpr std::uint16_t ExtendedSelfTestMinutes(std::span<const Byte, 512> smart_data) {
  using namespace smart_data;
  if (smart_data[kExtendedPollingMinutes] != kPollingMinutesInWord) {
    return smart_data[kExtendedPollingMinutes];
  }
  return ReadLe16(smart_data, kExtendedPollingWord);
}

// The self-test log (log address 6) and its 21 descriptors.
namespace self_test_log {
inline constexpr std::size_t kRevision = 0;  // 16 bits
inline constexpr std::size_t kFirstDescriptor = 2;
inline constexpr std::size_t kDescriptorSize = 24;
inline constexpr std::size_t kDescriptorCount = 21;
inline constexpr std::size_t kIndex = 508;  // the most recent descriptor, from 1; 0: empty
// Descriptor fields.
inline constexpr std::size_t kType = 0;
inline constexpr std::size_t kStatus = 1;
inline constexpr std::size_t kLifeHours = 2;  // 16 bits
inline constexpr std::size_t kCheckpoint = 4;
inline constexpr std::size_t kFailureLba = 5;  // 32 bits
static_assert(kFirstDescriptor + kDescriptorCount * kDescriptorSize == 506);
}  // namespace self_test_log

}  // namespace kestrine
