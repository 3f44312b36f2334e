// What the history keeps of a drive's statistics: each as an item of its own, above the NVMe
// fields' ids, so that it is written only when it changes, as the health items are. And the
// wear-out the kept percentage used projects.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "drive_statistics.h"
#include "history_record.h"
#include "wear_projection.h"

namespace kestrine {

// The statistics' item ids. Byte counts are kept as the raw value, the rest as the current one.
inline constexpr int kStatisticsItemBase = 0x3000;
enum StatisticsItem : int {
  kBytesWrittenItem = kStatisticsItemBase + 1,
  kBytesReadItem,
  kPercentageUsedItem,
  kPowerOnHoursItem,
  kAvailableSpareItem,
  kHighestTemperatureItem,
  kLowestTemperatureItem,
  kLastStatisticsItem = kLowestTemperatureItem,
};
static_assert(kStatisticsItemBase > kScsiItemBase + 0xFF, "above every NVMe and SCSI item's id");

// Appends the statistics the drive gave as items, in id order.
void AddStatisticsItems(const DriveStatistics& statistics, std::vector<HistoryItem>& items);

bool IsStatisticsItem(int id);
// The item's name ("Endurance used"); nullopt for an id that is not a statistic.
std::optional<std::string> StatisticsItemName(int id);

// The wear-out projected from the percentage used the history holds of the drive (read with
// kPercentageUsedItem among the items asked for): at each change and at the last reading.
std::optional<WearProjection> HistoryWearOut(const DriveHistory& history);

}  // namespace kestrine
