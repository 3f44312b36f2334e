#include "statistics_read.h"

#include "drive_statistics.h"
#include "identify_layout.h"
#include "log_reads.h"

namespace kestrine {

namespace {

// Word 106: bits 15-14 01b when valid; bit 12 when words 117-118 give the logical sector's
// length in words.
constexpr std::uint16_t kLongLogicalSector = 1 << 12;
constexpr std::size_t kLogicalSectorWords = 117;  // two words, the low one first
constexpr std::uint32_t kDefaultSectorBytes = 512;
// No drive has logical sectors anywhere near this long: a longer one is taken for a bad word.
constexpr std::uint64_t kLongestSectorBytes = std::uint64_t{1} << 20;

// The statistics hold only what the drive gave: an empty set is no statistics.
std::optional<DriveStatistics> AnyStatistics(const DriveStatistics& statistics) {
  if (statistics == DriveStatistics{}) return std::nullopt;
  return statistics;
}

}  // namespace

std::uint32_t AtaLogicalSectorSize(std::span<const Byte, 512> identify) {
  const std::uint16_t word = ReadLe16(identify, 2 * identify_word::kSectorSize);
  if ((word & kWordValidMask) != kWordValid || (word & kLongLogicalSector) == 0) {
    return kDefaultSectorBytes;
  }
  const std::uint64_t words =
      ReadLe16(identify, 2 * kLogicalSectorWords) |
      (std::uint64_t{ReadLe16(identify, 2 * (kLogicalSectorWords + 1))} << 16);
  const std::uint64_t bytes = 2 * words;
  if (bytes < kDefaultSectorBytes || bytes > kLongestSectorBytes ||
      bytes % kDefaultSectorBytes != 0) {
    return kDefaultSectorBytes;
  }
  return static_cast<std::uint32_t>(bytes);
}

void ReadStatisticsInto(SmartDrv& drive_layer, DeviceHandle handle, DriveReading& reading) {
  const SmartTables& tables = drive_layer.Tables();
  const Byte slot = reading.slot;
  switch (reading.family) {
    case CommandFamily::Ata:
    case CommandFamily::Sat:
      reading.statistics =
          AnyStatistics(AtaStatisticsFromLogs(ReadAtaStatisticsLogs(drive_layer, handle, slot),
                                              AtaLogicalSectorSize(tables.IdentifySector[slot])));
      return;
    case CommandFamily::Nvme:
      if (!tables.HealthRead[slot]) return;
      reading.statistics = AnyStatistics(
          NvmeStatisticsFromBlocks(tables.NvmeController[slot], tables.NvmeHealth[slot]));
      return;
    case CommandFamily::Scsi:  // a SAS disk's counters are its items
    case CommandFamily::None:
      break;
  }
}

}  // namespace kestrine
