// The statistics in the history: kept as items of their own beside the health items, left out of
// the reading a new one is compared with, and the wear-out projected from the endurance used.
#include <gtest/gtest.h>

#include "history_entry.h"
#include "history_statistics.h"

namespace kestrine {
namespace {

TEST(HistoryStatistics, KeptAsItemsNotComparedAsHealth) {
  DriveReading reading;
  reading.family = CommandFamily::Nvme;
  reading.part = NvmePart{};
  reading.parts.identity = true;
  reading.identity.model = "KESTREL NV1";
  reading.identity.serial = "N1";
  reading.items.resize(1);
  reading.items[0].id = 5;
  reading.items[0].raw = {7, 0};
  DriveStatistics& statistics = reading.statistics.emplace();
  statistics.bytes_written = Counter128{5'120'000, 0};
  statistics.percentage_used = 7;
  statistics.lifetime_lowest_temperature = -5;
  const std::optional<HistoryEntry> entry = HistoryEntryOf(reading, 100, "kestrine-cli", "d0");
  ASSERT_TRUE(entry);
  const std::vector<HistoryItem> expected = {
      {kNvmeItemBase + 5, std::nullopt, std::nullopt, std::nullopt, Counter128{7, 0}},
      {kBytesWrittenItem, std::nullopt, std::nullopt, std::nullopt, Counter128{5'120'000, 0}},
      {kPercentageUsedItem, 7, std::nullopt, std::nullopt, std::nullopt},
      {kLowestTemperatureItem, -5, std::nullopt, std::nullopt, std::nullopt},
  };
  EXPECT_EQ(entry->reading.items, expected);
  const DriveReading previous = PreviousReadingOf(*entry);
  ASSERT_EQ(previous.items.size(), 1u);
  EXPECT_EQ(previous.items[0].id, 5);
}

TEST(HistoryStatistics, WearOutFromTheEnduranceUsed) {
  constexpr std::int64_t kDay = 86400;
  DriveHistory history;
  for (int day = 0; day <= 40; day += 10) {
    HistoryPoint point;
    point.time = day * kDay;
    history.points.push_back(point);
  }
  // 10 % at day 0, 12 % from day 20 to the last reading at day 40: 0.05 % a day fitted.
  const auto used = [](std::int64_t percent) {
    return HistoryItem{kPercentageUsedItem, percent, std::nullopt, std::nullopt, std::nullopt};
  };
  history.item_changes = {
      {0, used(10)},
      {2, used(12)},
      {2, {kBytesWrittenItem, std::nullopt, std::nullopt, std::nullopt, Counter128{1, 0}}}};
  const std::optional<WearProjection> wear = HistoryWearOut(history);
  ASSERT_TRUE(wear);
  EXPECT_NEAR(wear->percent_per_day, 0.05, 1e-9);
  // Less than 30 days of it gives none.
  history.points.resize(3);
  EXPECT_FALSE(HistoryWearOut(history));
}

}  // namespace
}  // namespace kestrine
