#include "history_entry.h"

#include <algorithm>
#include <limits>

#include "drive_key.h"
#include "history_statistics.h"

namespace kestrine {

namespace {

std::optional<std::int64_t> Wide(const std::optional<int>& value) {
  if (!value) return std::nullopt;
  return *value;
}

std::optional<int> Narrow(const std::optional<std::int64_t>& value) {
  if (!value || *value < std::numeric_limits<int>::min() ||
      *value > std::numeric_limits<int>::max())
    return std::nullopt;
  return static_cast<int>(*value);
}

// How the history names a family, and where it keeps the family's items. A reading no family
// answered is kept as ATA.
struct StoredFamily {
  std::string_view name;
  int item_base;
  int last_id;  // the highest item id of the family
};

StoredFamily StoredFamilyOf(const FamilyPart& part) {
  return std::visit(
      PerFamily{
          [](const NoFamilyPart&) {
            return StoredFamily{"ATA", 0, 255};
          },
          [](const AtaPart&) {
            return StoredFamily{"ATA", 0, 255};
          },
          [](const NvmePart&) {
            return StoredFamily{"NVMe", kNvmeItemBase, std::numeric_limits<int>::max()};
          },
          [](const ScsiPart&) {
            return StoredFamily{"SAS", kScsiItemBase, 0xFF};
          },
      },
      part);
}

// An empty part of the family the history names; ATA for a name it does not know.
FamilyPart StoredPart(std::string_view name) {
  for (FamilyPart part : {FamilyPart(NvmePart{}), FamilyPart(ScsiPart{})}) {
    if (StoredFamilyOf(part).name == name) return part;
  }
  return AtaPart{};
}

}  // namespace

std::optional<HistoryEntry> HistoryEntryOf(const DriveReading& reading, std::int64_t time,
                                           std::string program, std::string path) {
  if (!reading.parts.identity) return std::nullopt;
  const StoredFamily family = StoredFamilyOf(reading.part);
  HistoryEntry entry;
  DriveKey key = KeyOf(reading, path);
  entry.drive = {std::move(key.model), std::move(key.serial), reading.identity.firmware,
                 std::string(family.name)};
  HistoryReading& kept = entry.reading;
  kept.time = time;
  kept.program = std::move(program);
  kept.path = std::move(path);
  if (const char* condition = kStoredConditions[static_cast<std::size_t>(reading.condition)])
    kept.condition = condition;
  kept.temperature = reading.temperature_celsius;
  kept.health = reading.parts.health;
  for (const HealthItem& item : reading.items) {
    kept.items.push_back({family.item_base + item.id, Wide(item.current), Wide(item.worst),
                          Wide(item.threshold), item.raw});
  }
  if (reading.statistics) AddStatisticsItems(*reading.statistics, kept.items);
  if (reading.last_self_test) {
    kept.self_test =
        HistorySelfTest{reading.last_self_test->code, reading.last_self_test->status,
                        static_cast<std::int64_t>(reading.last_self_test->power_on_hours)};
  }
  return entry;
}

DriveReading PreviousReadingOf(const HistoryEntry& entry) {
  const HistoryReading& kept = entry.reading;
  DriveReading reading;
  reading.part = StoredPart(entry.drive.family);
  const StoredFamily family = StoredFamilyOf(reading.part);
  reading.family = std::visit(PerFamily{
                                  [](const NoFamilyPart&) { return CommandFamily::None; },
                                  [](const AtaPart&) { return CommandFamily::Ata; },
                                  [](const NvmePart&) { return CommandFamily::Nvme; },
                                  [](const ScsiPart&) { return CommandFamily::Scsi; },
                              },
                              reading.part);
  reading.identity.model = entry.drive.model;
  reading.identity.serial = entry.drive.serial;  // its key
  reading.identity.firmware = entry.drive.firmware;
  reading.parts.identity = true;
  reading.parts.health = !kept.items.empty();
  for (std::size_t i = 1; i < kStoredConditions.size(); ++i) {
    if (kept.condition == kStoredConditions[i]) reading.condition = static_cast<Condition>(i);
  }
  reading.temperature_celsius = kept.temperature;
  for (const HistoryItem& item : kept.items) {
    if (IsStatisticsItem(item.id)) continue;  // not a health item
    const int id = item.id - family.item_base;
    if (id < 0 || id > family.last_id) continue;
    HealthItem health;
    health.id = id;
    health.current = Narrow(item.current);
    health.worst = Narrow(item.worst);
    health.threshold = Narrow(item.threshold);
    health.raw = item.raw.value_or(Counter128{});
    reading.items.push_back(std::move(health));
  }
  // The history keeps the latest self-test, not the log: the log counts as read, with no entries.
  reading.parts.self_test_log = true;
  if (kept.self_test) {
    SelfTestLogEntry& entry = reading.last_self_test.emplace();
    entry.code = static_cast<Byte>(kept.self_test->code);
    entry.status = static_cast<Byte>(kept.self_test->status);
    entry.power_on_hours =
        static_cast<std::uint64_t>(std::max<std::int64_t>(kept.self_test->hours, 0));
  }
  return reading;
}

}  // namespace kestrine
