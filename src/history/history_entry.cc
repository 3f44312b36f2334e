#include "history_entry.h"

#include <limits>

namespace kestrine {

namespace {

// A raw value as a signed 64-bit integer; larger counters (NVMe's 128-bit ones) stop at its top.
std::int64_t Clamped(const Counter128& value) {
  constexpr auto kTop = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (value.high != 0 || value.low > kTop) return static_cast<std::int64_t>(kTop);
  return static_cast<std::int64_t>(value.low);
}

std::optional<std::int64_t> Wide(const std::optional<int>& value) {
  if (!value) return std::nullopt;
  return *value;
}

}  // namespace

std::optional<HistoryEntry> HistoryEntryOf(const DriveReading& reading, std::int64_t time,
                                           std::string program, std::string path) {
  if (!reading.parts.identity) return std::nullopt;
  const bool nvme = reading.family == CommandFamily::Nvme;
  HistoryEntry entry;
  entry.drive = {reading.identity.model, reading.identity.serial, reading.identity.firmware,
                 nvme ? "NVMe" : "ATA"};
  HistoryReading& kept = entry.reading;
  kept.time = time;
  kept.program = std::move(program);
  kept.path = std::move(path);
  if (const char* condition = kStoredConditions[static_cast<std::size_t>(reading.condition)])
    kept.condition = condition;
  kept.temperature = reading.temperature_celsius;
  for (const HealthItem& item : reading.items) {
    kept.items.push_back({nvme ? kNvmeItemBase + item.id : item.id, Wide(item.current),
                          Wide(item.worst), Wide(item.threshold), Clamped(item.raw)});
  }
  if (reading.last_self_test) {
    kept.self_test =
        HistorySelfTest{reading.last_self_test->code, reading.last_self_test->status,
                        static_cast<std::int64_t>(reading.last_self_test->power_on_hours)};
  }
  return entry;
}

}  // namespace kestrine
