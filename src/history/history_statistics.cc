#include "history_statistics.h"

#include <array>

namespace kestrine {

namespace {

constexpr std::array<const char*, kLastStatisticsItem - kStatisticsItemBase> kNames = {
    "Data written (bytes)",        "Data read (bytes)",
    "Endurance used (%)",          "Power-on hours",
    "Available spare (%)",         "Highest temperature, lifetime",
    "Lowest temperature, lifetime"};

}  // namespace

void AddStatisticsItems(const DriveStatistics& statistics, std::vector<HistoryItem>& items) {
  const auto raw = [&](int id, const std::optional<Counter128>& value) {
    if (value) items.push_back({id, std::nullopt, std::nullopt, std::nullopt, *value});
  };
  const auto current = [&](int id, const auto& value) {
    if (value) {
      items.push_back(
          {id, static_cast<std::int64_t>(*value), std::nullopt, std::nullopt, std::nullopt});
    }
  };
  raw(kBytesWrittenItem, statistics.bytes_written);
  raw(kBytesReadItem, statistics.bytes_read);
  current(kPercentageUsedItem, statistics.percentage_used);
  // Hours beyond what the history's integers hold are not kept.
  if (statistics.power_on_hours && *statistics.power_on_hours <= (std::uint64_t{1} << 62))
    current(kPowerOnHoursItem, statistics.power_on_hours);
  current(kAvailableSpareItem, statistics.available_spare);
  current(kHighestTemperatureItem, statistics.lifetime_highest_temperature);
  current(kLowestTemperatureItem, statistics.lifetime_lowest_temperature);
}

bool IsStatisticsItem(int id) {
  return id > kStatisticsItemBase && id <= kLastStatisticsItem;
}

std::optional<std::string> StatisticsItemName(int id) {
  if (!IsStatisticsItem(id)) return std::nullopt;
  return kNames[static_cast<std::size_t>(id - kStatisticsItemBase - 1)];
}

std::optional<WearProjection> HistoryWearOut(const DriveHistory& history) {
  std::vector<WearPoint> points;
  std::optional<std::int64_t> value;
  for (const ItemChange& change : history.item_changes) {
    if (change.item.id != kPercentageUsedItem || change.point >= history.points.size()) continue;
    value = change.item.current;
    if (value) {
      points.push_back({history.points[change.point].time, static_cast<double>(*value)});
    }
  }
  // The value stood until the last reading.
  if (value && !history.points.empty() && history.points.back().time > points.back().time)
    points.push_back({history.points.back().time, static_cast<double>(*value)});
  return ProjectWearOut(points);
}

}  // namespace kestrine
