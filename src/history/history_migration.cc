// Filling the tables a newer schema added from the rows an older program wrote.
#include <string>
#include <unordered_map>

#include "history_rows_shared.h"

namespace kestrine {

using namespace rows;

int FillVersion2(sqlite3* db) {
  Statement readings(db, "SELECT id, drive, time, changed, temperature FROM reading ORDER BY id");
  DayRows days(db);
  std::unordered_map<std::int64_t, std::optional<int>> temperatures;  // by drive
  int result = readings.Step();
  for (; result == SQLITE_ROW; result = readings.Step()) {
    const std::int64_t drive_id = readings.Integer(1).value_or(0);
    std::optional<int>& temperature = temperatures[drive_id];
    if (readings.Integer(3).value_or(0) & kChangedTemperature)
      temperature = SmallInteger(readings.Integer(4));
    if (const int added = days.Add(drive_id, readings.Integer(0).value_or(0),
                                   readings.Integer(2).value_or(0), temperature);
        added != SQLITE_OK) {
      return added;
    }
  }
  return result == SQLITE_DONE ? SQLITE_OK : result;
}

int FillVersion3(sqlite3* db) {
  const std::string fill =
      "INSERT INTO highest SELECT drive, id, raw FROM latest_item WHERE " + WatchedCountersTerm();
  return sqlite3_exec(db, fill.c_str(), nullptr, nullptr, nullptr);
}

int FillVersion4(sqlite3* db) {
  const std::string fill =
      "CREATE INDEX item_watched ON item (id, reading) WHERE " + WatchedItemsTerm() +
      "; INSERT OR IGNORE INTO highest SELECT drive, id, raw FROM latest_item WHERE " +
      WatchedCountersTerm();
  return sqlite3_exec(db, fill.c_str(), nullptr, nullptr, nullptr);
}

}  // namespace kestrine
