#include "history_summary.h"

#include <algorithm>
#include <map>

#include "attribute_catalogue.h"
#include "nvme_decode.h"

namespace kestrine {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t DayOf(std::int64_t time) {
  return time - ((time % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
}

// Howard Hinnant's days-to-civil: the date of a day counted from 1970-01-01.
void CivilDate(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto of_era = static_cast<unsigned>(days - era * 146097);
  const unsigned year_of_era = (of_era - of_era / 1460 + of_era / 36524 - of_era / 146096) / 365;
  const unsigned day_of_year = of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const unsigned shifted_month = (5 * day_of_year + 2) / 153;
  day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
  month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
  year = static_cast<std::int64_t>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0);
}

std::string TwoDigits(std::int64_t value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace

std::vector<int> WatchedItems() {
  return {5,
          196,
          197,
          198,
          199,
          kNvmeItemBase + kNvmeCriticalWarningId,
          kNvmeItemBase + kNvmeMediaErrorsId};
}

std::string HistoryItemName(int id) {
  if (id >= kNvmeItemBase) {
    for (const NvmeHealthField& field : kNvmeHealthFields) {
      if (kNvmeItemBase + field.id == id) return field.name;
    }
    return "NVMe field " + std::to_string(id - kNvmeItemBase);
  }
  if (id < 0 || id > 255) return "Item " + std::to_string(id);
  return LookupAttributeName(static_cast<Byte>(id)).name;
}

std::string UtcDayText(std::int64_t time) {
  std::int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilDate(DayOf(time) / kSecondsPerDay, year, month, day);
  return std::to_string(year) + "-" + TwoDigits(month) + "-" + TwoDigits(day);
}

std::string UtcTimeText(std::int64_t time) {
  const std::int64_t seconds = time - DayOf(time);
  return UtcDayText(time) + " " + TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) +
         ":" + TwoDigits(seconds % 60);
}

DriveSummary Summarize(const DriveHistory& history) {
  DriveSummary summary;
  summary.readings = history.points.size();
  if (history.points.empty()) return summary;
  summary.first = history.points.front().time;
  summary.last = history.points.back().time;

  std::uint32_t condition = 0;
  struct DayTotals {
    int minimum = 0, maximum = 0;
    double sum = 0;
    int count = 0;
  };
  std::map<std::int64_t, DayTotals> days;
  for (std::size_t i = 0; i < history.points.size(); ++i) {
    const HistoryPoint& point = history.points[i];
    if (i == 0 || point.condition != condition) {
      summary.conditions.push_back({point.time, history.texts[point.condition]});
      condition = point.condition;
    }
    if (point.temperature) {
      DayTotals& totals = days[DayOf(point.time)];
      const int value = *point.temperature;
      totals.minimum = totals.count == 0 ? value : std::min(totals.minimum, value);
      totals.maximum = totals.count == 0 ? value : std::max(totals.maximum, value);
      totals.sum += value;
      ++totals.count;
    }
  }
  for (const auto& [day, totals] : days)
    summary.days.push_back({day, totals.minimum, totals.maximum, totals.sum / totals.count});

  const std::vector<int> watched = WatchedItems();
  std::map<int, CounterChanges> counters;
  for (const ItemChange& change : history.item_changes) {
    if (std::ranges::find(watched, change.item.id) == watched.end() || !change.item.raw) continue;
    CounterChanges& counter = counters[change.item.id];
    counter.id = change.item.id;
    const std::int64_t time = history.points[change.point].time;
    if (counter.changes.empty() || counter.changes.back().value != *change.item.raw)
      counter.changes.push_back({time, *change.item.raw});
  }
  for (auto& [id, counter] : counters) summary.counters.push_back(std::move(counter));
  return summary;
}

}  // namespace kestrine
