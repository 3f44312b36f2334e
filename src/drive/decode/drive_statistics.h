// What a drive tells of its use and its temperatures beside its health table: for an ATA drive
// the Device Statistics log and the SCT status, for an NVMe drive its health log and the
// temperature thresholds of Identify Controller. The page decoders check each page before they
// read it (a page with another header, cut short or all FFh gives nothing), and keep only the
// statistics the drive marks supported and valid. DriveStatistics is the same for every family,
// built by one function per family from the blocks, so that it stands beside the reading's
// blocks and every output formats it alike.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ata_log_layout.h"
#include "bytes.h"
#include "nvme_layout.h"

namespace kestrine {

// The pages of log address `log` the log directory lists; nullopt for a directory whose version
// is not 1 or that is shorter than a page.
std::optional<std::uint16_t> LogPageCount(std::span<const Byte> directory, Byte log);

// The pages page 00h of the Device Statistics log lists, in its order; nullopt for a page with
// a bad header or a list running past the page.
std::optional<std::vector<Byte>> DeviceStatisticsPageList(std::span<const Byte> block);

// One page of the Device Statistics log, as far as the drive marks its entries supported and
// valid.
class DeviceStatisticsPage {
 public:
  // The entry at `offset` (a multiple of 8 past the header): its value (bits 55-0), or nullopt
  // where the entry is not supported, not valid, or outside the page.
  std::optional<std::uint64_t> Value(std::size_t offset) const;
  // The entry's low byte as a signed temperature; nullopt also for 80h, which names none.
  std::optional<int> Temperature(std::size_t offset) const;

 private:
  friend std::optional<DeviceStatisticsPage> DecodeDeviceStatisticsPage(std::span<const Byte>,
                                                                        Byte);
  static constexpr std::size_t kEntries = kLogPageSize / device_statistics::kEntrySize;
  std::array<std::optional<std::uint64_t>, kEntries> values_{};
};

// The page `page` of the Device Statistics log; nullopt for a block shorter than a page, all
// FFh, or whose header does not say revision 1 and that page's number.
std::optional<DeviceStatisticsPage> DecodeDeviceStatisticsPage(std::span<const Byte> block,
                                                               Byte page);

// The temperatures of the SCT status, degrees Celsius.
struct SctTemperatures {
  std::uint16_t format_version = 0;
  std::optional<int> current;
  std::optional<int> power_cycle_lowest;
  std::optional<int> power_cycle_highest;
  std::optional<int> lifetime_lowest;
  std::optional<int> lifetime_highest;
  bool operator==(const SctTemperatures&) const = default;
};

// The SCT status; nullopt for a block shorter than a page or a format version other than 2 or 3.
std::optional<SctTemperatures> DecodeSctStatus(std::span<const Byte> block);

// What an ATA drive's logs gave: each page as read, or nullopt where it was not read.
struct AtaLogBlocks {
  std::optional<Sector> directory;
  std::optional<Sector> statistics_list;  // Device Statistics page 00h
  std::optional<Sector> general;          // page 01h
  std::optional<Sector> temperature;      // page 05h
  std::optional<Sector> solid_state;      // page 07h
  std::optional<Sector> sct_status;
  bool operator==(const AtaLogBlocks&) const = default;
};

inline constexpr std::size_t kNvmeTemperatureSensors = 8;

// A drive's statistics; a field is set only where the drive gave it and marked it valid.
struct DriveStatistics {
  std::optional<Counter128> bytes_written;
  std::optional<Counter128> bytes_read;
  std::optional<std::uint64_t> power_on_hours;
  std::optional<std::uint64_t> power_cycles;  // ATA: lifetime power-on resets
  std::optional<int> percentage_used;         // may pass 100
  std::optional<int> available_spare;         // NVMe, percent
  std::optional<int> available_spare_threshold;
  // Temperatures in degrees Celsius.
  std::optional<int> temperature;
  std::optional<int> average_short_term_temperature;  // ATA
  std::optional<int> average_long_term_temperature;   // ATA
  std::optional<int> lifetime_lowest_temperature;
  std::optional<int> lifetime_highest_temperature;
  std::optional<int> power_cycle_lowest_temperature;   // ATA, SCT status
  std::optional<int> power_cycle_highest_temperature;  // ATA, SCT status
  std::optional<int> warning_temperature;           // ATA: the maximum operating one; NVMe: WCTEMP
  std::optional<int> critical_temperature;          // NVMe: CCTEMP
  std::optional<int> lowest_operating_temperature;  // ATA
  std::array<std::optional<int>, kNvmeTemperatureSensors> sensor_temperatures{};  // NVMe
  // Minutes spent above the warning (ATA: maximum operating) temperature, above the critical one
  // (NVMe) and below the minimum operating one (ATA).
  std::optional<std::uint64_t> minutes_over_warning;
  std::optional<std::uint64_t> minutes_over_critical;
  std::optional<std::uint64_t> minutes_under_minimum;
  bool operator==(const DriveStatistics&) const = default;
};

// An ATA drive's statistics from its logs; `logical_sector_size` turns the sectors written and
// read into bytes. The SCT status fills the temperatures the Device Statistics do not give.
DriveStatistics AtaStatisticsFromLogs(const AtaLogBlocks& logs, std::uint32_t logical_sector_size);

// An NVMe drive's statistics from Identify Controller and its health log: bytes written and read
// are the data units (thousands of 512-byte units) times 512,000.
DriveStatistics NvmeStatisticsFromBlocks(std::span<const Byte, nvme_controller::kSize> controller,
                                         std::span<const Byte, nvme_health::kSize> health);

// `value` times `factor`; the largest value where the product does not fit in 128 bits.
Counter128 MultiplyCounter(Counter128 value, std::uint32_t factor);

}  // namespace kestrine
