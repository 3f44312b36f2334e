#include "history_summary.h"

#include <algorithm>
#include <limits>
#include <map>

#include "attribute_catalogue.h"
#include "history_statistics.h"
#include "nvme_decode.h"
#include "scsi_health.h"
#include "watched_counters.h"

namespace kestrine {

namespace {

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
  std::string text = value < 10 ? "0" : "";
  return text += std::to_string(value);
}

// Howard Hinnant's days-from-civil: the day counted from 1970-01-01 of a date.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto year_of_era = static_cast<unsigned>(year - era * 400);
  const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + static_cast<std::int64_t>(day_of_era) - 719468;
}

// Reads `digits` decimal digits at `at`; false when they are not all there.
bool ReadDigits(std::string_view text, std::size_t& at, std::size_t digits, unsigned& value) {
  value = 0;
  for (std::size_t i = 0; i < digits; ++i, ++at) {
    if (at >= text.size() || text[at] < '0' || text[at] > '9') return false;
    value = value * 10 + static_cast<unsigned>(text[at] - '0');
  }
  return true;
}

}  // namespace

std::int64_t DayOf(std::int64_t time) {
  if (time < std::numeric_limits<std::int64_t>::min() + kSecondsPerDay) return time;
  return time - ((time % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
}

std::int64_t WeekOf(std::int64_t time) {
  constexpr std::int64_t kWeek = 7 * kSecondsPerDay;
  constexpr std::int64_t kMonday = 4 * kSecondsPerDay;  // 1970-01-01 was a Thursday
  const std::int64_t day = DayOf(time);
  if (day < std::numeric_limits<std::int64_t>::min() + kWeek + kMonday) return day;
  return day - ((day - kMonday) % kWeek + kWeek) % kWeek;
}

std::optional<std::int64_t> ParseUtcTime(std::string_view text, bool end_of_day) {
  if (!text.empty() && (text.back() == 'Z' || text.back() == 'z')) text.remove_suffix(1);
  std::size_t at = 0;
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  const auto expect = [&](char c) { return at < text.size() && text[at++] == c; };
  if (!ReadDigits(text, at, 4, year) || !expect('-') || !ReadDigits(text, at, 2, month) ||
      !expect('-') || !ReadDigits(text, at, 2, day)) {
    return std::nullopt;
  }
  const bool day_only = at == text.size();
  if (!day_only) {
    if (text[at] != 'T' && text[at] != 't' && text[at] != ' ') return std::nullopt;
    ++at;
    if (!ReadDigits(text, at, 2, hour) || !expect(':') || !ReadDigits(text, at, 2, minute))
      return std::nullopt;
    if (at < text.size() && (!expect(':') || !ReadDigits(text, at, 2, second))) return std::nullopt;
    if (at != text.size()) return std::nullopt;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59)
    return std::nullopt;
  const std::int64_t days = DaysFromCivil(year, month, day);
  // A date that does not exist (February 30th) comes back as another.
  if (UtcDayText(days * kSecondsPerDay) != std::string(text.substr(0, 10))) return std::nullopt;
  if (day_only && end_of_day) return days * kSecondsPerDay + kSecondsPerDay - 1;
  return days * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

std::vector<int> WatchedCounterItems() {
  std::vector<int> ids(kToldAtaCounters.begin(), kToldAtaCounters.end());
  ids.push_back(kNvmeItemBase + kNvmeMediaErrorsId);
  return ids;
}

std::vector<int> WatchedItems() {
  std::vector<int> ids = WatchedCounterItems();
  ids.push_back(kNvmeItemBase + kNvmeCriticalWarningId);
  std::ranges::sort(ids);
  return ids;
}

std::string HistoryItemName(int id) {
  if (std::optional<std::string> statistic = StatisticsItemName(id)) return *statistic;
  if (id >= kScsiItemBase) {
    const std::string_view name = ScsiItemName(id - kScsiItemBase);
    return name.empty() ? "SCSI item " + std::to_string(id - kScsiItemBase) : std::string(name);
  }
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
  DayTotals* today = nullptr;  // readings come in time order: the day is looked up when it changes
  std::int64_t today_start = 0;
  for (std::size_t i = 0; i < history.points.size(); ++i) {
    const HistoryPoint& point = history.points[i];
    if (i == 0 || point.condition != condition) {
      summary.conditions.push_back({point.time, history.texts[point.condition]});
      condition = point.condition;
    }
    if (point.temperature) {
      if (today == nullptr || point.time < today_start ||
          point.time >= today_start + kSecondsPerDay) {
        today_start = DayOf(point.time);
        today = &days[today_start];
      }
      DayTotals& totals = *today;
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
