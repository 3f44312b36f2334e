// What a drive's history says, as the text, JSON and HTML outputs show it: the first and last
// reading, when the condition changed, how the watched counters went, and the temperature per
// day.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history_record.h"
#include "wear_projection.h"

namespace kestrine {

// The counters whose rise is told (watched_counters.h; NVMe media errors), in history item ids.
std::vector<int> WatchedCounterItems();
// The items whose raw value counts damage: the watched counters and the NVMe critical-warning
// bits, in id order.
std::vector<int> WatchedItems();
// An item's name as the views show it ("Reallocated Sectors Count", "Media Errors").
std::string HistoryItemName(int id);

struct TimedValue {
  std::int64_t time = 0;
  Counter128 value;
  bool operator==(const TimedValue&) const = default;
};

struct ConditionChange {
  std::int64_t time = 0;
  std::string condition;  // empty: not decided
  bool operator==(const ConditionChange&) const = default;
};

struct CounterChanges {
  int id = 0;
  std::vector<TimedValue> changes;  // the raw value at the first reading, then each change
  bool operator==(const CounterChanges&) const = default;
};

struct DayTemperature {
  std::int64_t day = 0;  // the day's start, seconds since 1970 UTC
  int minimum = 0;
  int maximum = 0;
  double average = 0;
  bool operator==(const DayTemperature&) const = default;
};

struct DriveSummary {
  std::size_t readings = 0;
  std::int64_t first = 0;
  std::int64_t last = 0;
  std::vector<ConditionChange> conditions;  // the first reading's, then each change
  std::vector<CounterChanges> counters;     // the watched items the drive has, by id
  std::vector<DayTemperature> days;         // days with a temperature, in order
  bool operator==(const DriveSummary&) const = default;
};

DriveSummary Summarize(const DriveHistory& history);

// A drive and the summary of its readings in the time asked for, as the history's tables keep it
// without the readings themselves.
struct DriveOverview {
  HistoryDrive drive;
  std::string latest_path;  // where the drive was read last, in or out of the time range
  DriveSummary summary;
  // Where the history holds 30 days or more of the drive's endurance used (HistoryWearOut).
  std::optional<WearProjection> wear_out;
};

inline constexpr std::int64_t kSecondsPerDay = 86400;

// The first second of the UTC day of `time` (a time too far in the past for that is its own).
std::int64_t DayOf(std::int64_t time);
// The first second of the week of `time`, which begins on a Monday (UTC).
std::int64_t WeekOf(std::int64_t time);

// "2026-12-07 19:30:00" (UTC) and "2026-12-07".
std::string UtcTimeText(std::int64_t time);
std::string UtcDayText(std::int64_t time);

// A time in UTC given as "2026-12-07", "2026-12-07 19:30", "2026-12-07T19:30:00" or with a
// final 'Z'; a day alone is its first second, or with `end_of_day` its last. nullopt for
// anything else.
std::optional<std::int64_t> ParseUtcTime(std::string_view text, bool end_of_day);

}  // namespace kestrine
