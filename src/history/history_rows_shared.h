// What the files of the history's rows share (writing, reading, migration): the conversions of
// columns, the drive's row and latest items, and the day rows. Used by history_rows_*.cc and
// history_migration.cc only.
#pragma once

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "history_record.h"
#include "history_schema.h"
#include "history_summary.h"
#include "sqlite_handle.h"

namespace kestrine::rows {

using ItemMap = std::map<int, HistoryItem>;

std::optional<std::int64_t> Wide(const std::optional<int>& value);

// A stored raw value; a negative integer, a BLOB of another size or any other type is none.
std::optional<Counter128> RawColumn(const Statement& row, int column);

HistoryItem ItemOf(const Statement& row, int id_column);

std::optional<int> SmallInteger(const std::optional<std::int64_t>& value);

// The self-test of a row's three columns (status, code, hours): none without a status.
std::optional<HistorySelfTest> SelfTestOf(const Statement& row, int status_column);

// What a drive's row holds: its firmware and family, and its latest reading (the items come from
// latest_item).
struct Latest {
  std::int64_t drive = 0;
  std::optional<std::string> firmware, family;
  HistoryReading reading;
};

int FindDrive(sqlite3* db, const std::string& model, const std::string& serial,
              std::optional<Latest>& latest);

int LatestItems(sqlite3* db, std::int64_t drive_id, ItemMap& items);

// Each watched counter's highest raw value (the table `highest`).
int HighestItems(sqlite3* db, std::int64_t drive_id, ItemMap& items);

inline bool Below(const Counter128& a, const Counter128& b) {
  return a.high != b.high ? a.high < b.high : a.low < b.low;
}

// Adds a reading to its drive's day row: `temperature` is the one in effect at the reading.
class DayRows {
 public:
  explicit DayRows(sqlite3* db)
      : upsert_(db,
                "INSERT INTO day VALUES (?1, ?2, 1, ?3, ?3, ?4, ?4, ?5, ?6, ?7, ?5, ?5) "
                "ON CONFLICT (drive, day) DO UPDATE SET readings = readings + 1, "
                "opening_temperature = CASE WHEN excluded.first_reading < first_reading THEN "
                "excluded.opening_temperature ELSE opening_temperature END, "
                "first_reading = min(first_reading, excluded.first_reading), "
                "last_reading = max(last_reading, excluded.last_reading), "
                "first_time = min(first_time, excluded.first_time), "
                "last_time = max(last_time, excluded.last_time), "
                "temperatures = temperatures + excluded.temperatures, "
                "temperature_sum = temperature_sum + excluded.temperature_sum, "
                "temperature_min = coalesce(min(temperature_min, excluded.temperature_min), "
                "temperature_min, excluded.temperature_min), "
                "temperature_max = coalesce(max(temperature_max, excluded.temperature_max), "
                "temperature_max, excluded.temperature_max)") {}

  int Add(std::int64_t drive_id, std::int64_t reading_id, std::int64_t time,
          std::optional<int> temperature) {
    upsert_.Bind(1, drive_id);
    upsert_.Bind(2, DayOf(time));
    upsert_.Bind(3, reading_id);
    upsert_.Bind(4, time);
    upsert_.Bind(5, Wide(temperature));
    upsert_.Bind(6, std::int64_t{temperature ? 1 : 0});
    upsert_.Bind(7, std::int64_t{temperature.value_or(0)});
    const int result = upsert_.Run();
    return result == SQLITE_DONE ? SQLITE_OK : result;
  }

 private:
  Statement upsert_;
};

}  // namespace kestrine::rows
