#include "drive_statistics.h"

#include <algorithm>
#include <limits>

#include "nvme_decode.h"

namespace kestrine {

namespace {

constexpr Counter128 kCounterMax{std::numeric_limits<std::uint64_t>::max(),
                                 std::numeric_limits<std::uint64_t>::max()};
// One NVMe data unit: a thousand units of 512 bytes.
constexpr std::uint32_t kNvmeDataUnitBytes = 512'000;

bool WholePage(std::span<const Byte> block) {
  return block.size() >= kLogPageSize;
}

bool AllFf(std::span<const Byte> block) {
  return std::all_of(block.begin(), block.begin() + kLogPageSize, [](Byte b) { return b == 0xFF; });
}

// A statistics page whose header says revision 1 and the page's number.
bool GoodStatisticsHeader(std::span<const Byte> block, Byte page) {
  using namespace device_statistics;
  return WholePage(block) && !AllFf(block) && ReadLe16(block, kRevision) == kRevisionValue &&
         block[kPageNumber] == page;
}

std::optional<int> SignedTemperature(Byte byte, Byte none) {
  if (byte == none) return std::nullopt;
  return static_cast<int>(static_cast<std::int8_t>(byte));
}

// A 128-bit counter held as 64 bits; the largest 64-bit value where it does not fit.
std::uint64_t Saturated64(Counter128 value) {
  return value.high != 0 ? std::numeric_limits<std::uint64_t>::max() : value.low;
}

template <typename T>
void FillIfEmpty(std::optional<T>& field, const std::optional<T>& value) {
  if (!field) field = value;
}

}  // namespace

Counter128 MultiplyCounter(Counter128 value, std::uint32_t factor) {
  // Four 32-bit limbs, least significant first, each product and carry within 64 bits.
  const std::array<std::uint64_t, 4> limbs = {value.low & 0xFFFFFFFF, value.low >> 32,
                                              value.high & 0xFFFFFFFF, value.high >> 32};
  std::array<std::uint64_t, 4> product{};
  std::uint64_t carry = 0;
  for (std::size_t i = 0; i < limbs.size(); ++i) {
    const std::uint64_t part = limbs[i] * factor + carry;
    product[i] = part & 0xFFFFFFFF;
    carry = part >> 32;
  }
  if (carry != 0) return kCounterMax;
  return Counter128{product[0] | (product[1] << 32), product[2] | (product[3] << 32)};
}

std::optional<std::uint16_t> LogPageCount(std::span<const Byte> directory, Byte log) {
  if (!WholePage(directory) ||
      ReadLe16(directory, log_directory::kVersion) != log_directory::kVersionValue) {
    return std::nullopt;
  }
  return ReadLe16(directory, log_directory::PageCountOffset(log));
}

std::optional<std::vector<Byte>> DeviceStatisticsPageList(std::span<const Byte> block) {
  using namespace device_statistics;
  if (!GoodStatisticsHeader(block, kPageList)) return std::nullopt;
  const std::size_t count = block[kListCount];
  if (kListFirst + count > kLogPageSize) return std::nullopt;
  return std::vector<Byte>(block.begin() + kListFirst, block.begin() + kListFirst + count);
}

std::optional<DeviceStatisticsPage> DecodeDeviceStatisticsPage(std::span<const Byte> block,
                                                               Byte page) {
  using namespace device_statistics;
  if (!GoodStatisticsHeader(block, page)) return std::nullopt;
  DeviceStatisticsPage decoded;
  // Entry 0 is the header.
  for (std::size_t entry = 1; entry < DeviceStatisticsPage::kEntries; ++entry) {
    const std::size_t at = entry * kEntrySize;
    const Byte flags = block[at + kEntryFlags];
    if ((flags & kFlagSupported) == 0 || (flags & kFlagValid) == 0) continue;
    decoded.values_[entry] = ReadLe64(block, at) & kValueMask;
  }
  return decoded;
}

std::optional<std::uint64_t> DeviceStatisticsPage::Value(std::size_t offset) const {
  const std::size_t entry = offset / device_statistics::kEntrySize;
  if (offset % device_statistics::kEntrySize != 0 || entry >= kEntries) return std::nullopt;
  return values_[entry];
}

std::optional<int> DeviceStatisticsPage::Temperature(std::size_t offset) const {
  const std::optional<std::uint64_t> value = Value(offset);
  if (!value) return std::nullopt;
  return SignedTemperature(static_cast<Byte>(*value & 0xFF), sct_status::kNoTemperature);
}

std::optional<SctTemperatures> DecodeSctStatus(std::span<const Byte> block) {
  using namespace sct_status;
  if (!WholePage(block)) return std::nullopt;
  SctTemperatures status;
  status.format_version = ReadLe16(block, kFormatVersion);
  if (status.format_version < kFirstFormatVersion || status.format_version > kLastFormatVersion) {
    return std::nullopt;
  }
  status.current = SignedTemperature(block[kCurrentTemperature], kNoTemperature);
  status.power_cycle_lowest = SignedTemperature(block[kPowerCycleLowest], kNoTemperature);
  status.power_cycle_highest = SignedTemperature(block[kPowerCycleHighest], kNoTemperature);
  status.lifetime_lowest = SignedTemperature(block[kLifetimeLowest], kNoTemperature);
  status.lifetime_highest = SignedTemperature(block[kLifetimeHighest], kNoTemperature);
  return status;
}

DriveStatistics AtaStatisticsFromLogs(const AtaLogBlocks& logs, std::uint32_t logical_sector_size) {
  using namespace device_statistics;
  DriveStatistics statistics;
  auto page = [](const std::optional<Sector>& block, Byte number) {
    return block ? DecodeDeviceStatisticsPage(*block, number) : std::nullopt;
  };
  auto bytes = [&](const std::optional<std::uint64_t>& sectors) -> std::optional<Counter128> {
    if (!sectors) return std::nullopt;
    return MultiplyCounter(Counter128{*sectors, 0}, logical_sector_size);
  };
  if (const auto general = page(logs.general, kGeneralPage)) {
    statistics.power_cycles = general->Value(kPowerOnResets);
    statistics.power_on_hours = general->Value(kPowerOnHours);
    statistics.bytes_written = bytes(general->Value(kLogicalSectorsWritten));
    statistics.bytes_read = bytes(general->Value(kLogicalSectorsRead));
  }
  if (const auto temperature = page(logs.temperature, kTemperaturePage)) {
    statistics.temperature = temperature->Temperature(kCurrentTemperature);
    statistics.average_short_term_temperature =
        temperature->Temperature(kAverageShortTermTemperature);
    statistics.average_long_term_temperature =
        temperature->Temperature(kAverageLongTermTemperature);
    statistics.lifetime_highest_temperature = temperature->Temperature(kHighestTemperature);
    statistics.lifetime_lowest_temperature = temperature->Temperature(kLowestTemperature);
    statistics.minutes_over_warning = temperature->Value(kTimeOverTemperature);
    statistics.warning_temperature = temperature->Temperature(kMaxOperatingTemperature);
    statistics.minutes_under_minimum = temperature->Value(kTimeUnderTemperature);
    statistics.lowest_operating_temperature = temperature->Temperature(kMinOperatingTemperature);
  }
  if (const auto solid_state = page(logs.solid_state, kSolidStatePage)) {
    const std::optional<std::uint64_t> used = solid_state->Value(kPercentageUsed);
    if (used) statistics.percentage_used = static_cast<int>(*used & 0xFF);
  }
  if (const auto sct = logs.sct_status ? DecodeSctStatus(*logs.sct_status) : std::nullopt) {
    FillIfEmpty(statistics.temperature, sct->current);
    FillIfEmpty(statistics.lifetime_lowest_temperature, sct->lifetime_lowest);
    FillIfEmpty(statistics.lifetime_highest_temperature, sct->lifetime_highest);
    statistics.power_cycle_lowest_temperature = sct->power_cycle_lowest;
    statistics.power_cycle_highest_temperature = sct->power_cycle_highest;
  }
  return statistics;
}

DriveStatistics NvmeStatisticsFromBlocks(std::span<const Byte, nvme_controller::kSize> controller,
                                         std::span<const Byte, nvme_health::kSize> health) {
  using namespace nvme_health;
  DriveStatistics statistics;
  statistics.bytes_written =
      MultiplyCounter(ReadLe128(health, kDataUnitsWritten), kNvmeDataUnitBytes);
  statistics.bytes_read = MultiplyCounter(ReadLe128(health, kDataUnitsRead), kNvmeDataUnitBytes);
  statistics.power_on_hours = Saturated64(ReadLe128(health, kPowerOnHours));
  statistics.power_cycles = Saturated64(ReadLe128(health, kPowerCycles));
  statistics.percentage_used = health[kPercentageUsed];
  statistics.available_spare = health[kAvailableSpare];
  statistics.available_spare_threshold = health[kAvailableSpareThreshold];
  statistics.temperature = NvmeCelsius(ReadLe16(health, kCompositeTemperature));
  for (std::size_t i = 0; i < kNvmeTemperatureSensors; ++i) {
    statistics.sensor_temperatures[i] = NvmeCelsius(ReadLe16(health, kTemperatureSensor1 + 2 * i));
  }
  statistics.minutes_over_warning = ReadLe32(health, kWarningTemperatureTime);
  statistics.minutes_over_critical = ReadLe32(health, kCriticalTemperatureTime);
  statistics.warning_temperature =
      NvmeCelsius(ReadLe16(controller, nvme_controller::kWarningTemperature));
  statistics.critical_temperature =
      NvmeCelsius(ReadLe16(controller, nvme_controller::kCriticalTemperature));
  return statistics;
}

}  // namespace kestrine
