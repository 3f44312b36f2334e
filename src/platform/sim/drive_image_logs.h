// Writing an ATA drive image's logs field by field: the Device Statistics pages with their page
// list, the SCT status, the log directory that lists them, and the IDENTIFY words that say the
// drive has the general-purpose logging feature set and the SCT command transport. Tests and
// benchmarks author a drive's statistics with these, never by offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "bytes.h"
#include "sim_bay.h"

namespace kestrine {

// Sets one statistic: `value` in bits 55-0 of the entry at `offset` of Device Statistics page
// `page`, with the supported flag and, where `valid`, the valid flag. Writes the page's header
// and adds the page to page 00h's list the first time.
void SetDeviceStatistic(DriveImage& image, Byte page, std::size_t offset, std::uint64_t value,
                        bool valid = true);

// The SCT status (format version 3) with its temperatures; an absent one reads 80h.
struct SctStatusValues {
  std::optional<int> current{};
  std::optional<int> power_cycle_lowest{};
  std::optional<int> power_cycle_highest{};
  std::optional<int> lifetime_lowest{};
  std::optional<int> lifetime_highest{};
};
void SetSctStatus(DriveImage& image, const SctStatusValues& values);

// Words 84 and 87 with bit 5 (and valid), and word 206 bit 0 where the image has an SCT status.
// Then the log directory (log 00h): version 1 and the page count of every log the image holds.
// Run it after the last log edit, before SealDriveImage.
void SealDriveLogs(DriveImage& image);

}  // namespace kestrine
