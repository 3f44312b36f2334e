// Writing a reading into the history's rows: what changed since the drive's previous reading.
#include <array>
#include <limits>

#include "history_rows.h"
#include "history_rows_shared.h"

namespace kestrine {

using namespace rows;

namespace {

// The items of a reading by id, each once (the last given wins), none without values.
ItemMap ItemsById(const std::vector<HistoryItem>& items) {
  ItemMap by_id;
  for (const HistoryItem& item : items) {
    if (!item.Empty()) by_id[item.id] = item;
  }
  return by_id;
}

std::optional<std::string> Stored(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  return StoredText(*text);
}

// A raw value as stored: an INTEGER when it fits in 63 bits, else its 16 bytes, little-endian.
void BindRaw(Statement& statement, int index, const std::optional<Counter128>& raw) {
  constexpr auto kTop = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  if (!raw) {
    statement.BindNull(index);
  } else if (raw->high == 0 && raw->low <= kTop) {
    statement.Bind(index, static_cast<std::int64_t>(raw->low));
  } else {
    std::array<Byte, 16> bytes{};
    WriteLe128(bytes, 0, *raw);
    statement.BindBlob(index, bytes.data(), static_cast<int>(bytes.size()));
  }
}

int FindOrAddDrive(sqlite3* db, const HistoryDrive& drive, const std::string& path,
                   std::optional<Latest>& latest, std::int64_t& drive_id) {
  if (const int result = FindDrive(db, drive.model, drive.serial, latest); result != SQLITE_OK)
    return result;
  if (latest) {
    drive_id = latest->drive;
    // A drive keeps its identity through a firmware update.
    if (latest->firmware != StoredText(drive.firmware) ||
        latest->family != StoredText(drive.family)) {
      Statement update(db, "UPDATE drive SET firmware = ?1, family = ?2 WHERE id = ?3");
      update.Bind(1, StoredText(drive.firmware));
      update.Bind(2, StoredText(drive.family));
      update.Bind(3, drive_id);
      if (const int result = update.Run(); result != SQLITE_DONE) return result;
    }
    return SQLITE_OK;
  }
  Statement count(db, "SELECT count(*) FROM drive WHERE path = ?1");
  count.Bind(1, StoredText(path));
  if (const int result = count.Step(); result != SQLITE_ROW) return result;
  if (count.Integer(0).value_or(0) >= kMaxDrivesPerPath) return kHistoryDrivesAtPathCapped;
  Statement add(db, "INSERT INTO drive (model, serial, firmware, family) VALUES (?1, ?2, ?3, ?4)");
  add.Bind(1, StoredText(drive.model));
  add.Bind(2, StoredText(drive.serial));
  add.Bind(3, StoredText(drive.firmware));
  add.Bind(4, StoredText(drive.family));
  if (const int result = add.Run(); result != SQLITE_DONE) return result;
  drive_id = sqlite3_last_insert_rowid(db);
  return SQLITE_OK;
}

int ChangedFields(const std::optional<Latest>& latest, const HistoryReading& reading) {
  if (!latest) return kChangedAll;
  const HistoryReading& before = latest->reading;
  int changed = 0;
  if (before.program != reading.program) changed |= kChangedProgram;
  if (before.path != reading.path) changed |= kChangedPath;
  if (before.condition != reading.condition) changed |= kChangedCondition;
  if (before.temperature != reading.temperature) changed |= kChangedTemperature;
  if (before.self_test != reading.self_test) changed |= kChangedSelfTest;
  return changed;
}

int InsertReading(sqlite3* db, std::int64_t drive_id, const HistoryReading& reading, int changed,
                  std::int64_t& reading_id) {
  Statement insert(db,
                   "INSERT INTO reading (drive, time, changed, program, path, condition, "
                   "temperature, self_test, self_test_code, self_test_hours) VALUES (?1, ?2, ?3, "
                   "?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  insert.Bind(1, drive_id);
  insert.Bind(2, reading.time);
  insert.Bind(3, std::int64_t{changed | (reading.health ? 0 : kNoHealthData)});
  if (changed & kChangedProgram) insert.Bind(4, StoredText(reading.program));
  if (changed & kChangedPath) insert.Bind(5, StoredText(reading.path));
  if (changed & kChangedCondition) insert.Bind(6, Stored(reading.condition));
  if (changed & kChangedTemperature) insert.Bind(7, Wide(reading.temperature));
  if ((changed & kChangedSelfTest) && reading.self_test) {
    insert.Bind(8, std::int64_t{reading.self_test->status});
    insert.Bind(9, std::int64_t{reading.self_test->code});
    insert.Bind(10, reading.self_test->hours);
  }
  const int result = insert.Run();
  reading_id = sqlite3_last_insert_rowid(db);
  return result == SQLITE_DONE ? SQLITE_OK : result;
}

int WriteItems(sqlite3* db, std::int64_t drive_id, std::int64_t reading_id, const ItemMap& before,
               const ItemMap& now) {
  Statement insert(db,
                   "INSERT INTO item (reading, id, current, worst, threshold, raw) VALUES (?1, "
                   "?2, ?3, ?4, ?5, ?6)");
  Statement keep(db,
                 "INSERT OR REPLACE INTO latest_item (drive, id, current, worst, threshold, raw) "
                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
  Statement forget(db, "DELETE FROM latest_item WHERE drive = ?1 AND id = ?2");
  const auto write = [](Statement& statement, std::int64_t key, const HistoryItem& item) {
    statement.Bind(1, key);
    statement.Bind(2, std::int64_t{item.id});
    statement.Bind(3, item.current);
    statement.Bind(4, item.worst);
    statement.Bind(5, item.threshold);
    BindRaw(statement, 6, item.raw);
    return statement.Run();
  };
  for (const auto& [id, item] : now) {
    const auto previous = before.find(id);
    if (previous != before.end() && previous->second == item) continue;
    if (const int result = write(insert, reading_id, item); result != SQLITE_DONE) return result;
    if (const int result = write(keep, drive_id, item); result != SQLITE_DONE) return result;
  }
  for (const auto& [id, item] : before) {
    if (now.contains(id)) continue;
    if (const int result = write(insert, reading_id, HistoryItem{id, {}, {}, {}, {}});
        result != SQLITE_DONE) {
      return result;
    }
    forget.Bind(1, drive_id);
    forget.Bind(2, std::int64_t{id});
    if (const int result = forget.Run(); result != SQLITE_DONE) return result;
  }
  return SQLITE_OK;
}

// What the next reading is compared with: the condition when this reading decided one, and each
// watched counter's highest value.
int KeepCompared(sqlite3* db, std::int64_t drive_id, const HistoryReading& reading,
                 const ItemMap& now) {
  if (reading.condition) {
    Statement update(db, "INSERT OR REPLACE INTO compared (drive, condition) VALUES (?1, ?2)");
    update.Bind(1, drive_id);
    update.Bind(2, StoredText(*reading.condition));
    if (const int result = update.Run(); result != SQLITE_DONE) return result;
  }
  ItemMap highest;
  if (const int result = HighestItems(db, drive_id, highest); result != SQLITE_OK) return result;
  Statement keep(db, "INSERT OR REPLACE INTO highest (drive, id, raw) VALUES (?1, ?2, ?3)");
  for (const int id : WatchedCounterItems()) {
    const auto item = now.find(id);
    if (item == now.end() || !item->second.raw) continue;
    const auto before = highest.find(id);
    if (before != highest.end() && before->second.raw &&
        !Below(*before->second.raw, *item->second.raw))
      continue;
    keep.Bind(1, drive_id);
    keep.Bind(2, std::int64_t{id});
    BindRaw(keep, 3, item->second.raw);
    if (const int result = keep.Run(); result != SQLITE_DONE) return result;
  }
  return SQLITE_OK;
}

int KeepLatest(sqlite3* db, std::int64_t drive_id, const HistoryReading& reading) {
  Statement update(db,
                   "UPDATE drive SET program = ?1, path = ?2, condition = ?3, temperature = ?4, "
                   "self_test = ?5, self_test_code = ?6, self_test_hours = ?7 WHERE id = ?8");
  update.Bind(1, StoredText(reading.program));
  update.Bind(2, StoredText(reading.path));
  update.Bind(3, Stored(reading.condition));
  update.Bind(4, Wide(reading.temperature));
  if (reading.self_test) {
    update.Bind(5, std::int64_t{reading.self_test->status});
    update.Bind(6, std::int64_t{reading.self_test->code});
    update.Bind(7, reading.self_test->hours);
  }
  update.Bind(8, drive_id);
  const int result = update.Run();
  return result == SQLITE_DONE ? SQLITE_OK : result;
}

}  // namespace

int WriteReadingRows(sqlite3* db, const HistoryDrive& drive, const HistoryReading& reading) {
  std::optional<Latest> latest;
  std::int64_t drive_id = 0;
  if (const int result = FindOrAddDrive(db, drive, reading.path, latest, drive_id);
      result != SQLITE_OK)
    return result;
  ItemMap before;
  if (latest) {
    if (const int result = LatestItems(db, drive_id, before); result != SQLITE_OK) return result;
  }
  std::int64_t reading_id = 0;
  if (const int result =
          InsertReading(db, drive_id, reading, ChangedFields(latest, reading), reading_id);
      result != SQLITE_OK) {
    return result;
  }
  // A reading without the health data says nothing of the items: they stay as they were.
  if (reading.health) {
    const ItemMap now = ItemsById(reading.items);
    if (const int result = WriteItems(db, drive_id, reading_id, before, now); result != SQLITE_OK)
      return result;
    if (const int result = KeepCompared(db, drive_id, reading, now); result != SQLITE_OK)
      return result;
  }
  if (const int result = DayRows(db).Add(drive_id, reading_id, reading.time, reading.temperature);
      result != SQLITE_OK) {
    return result;
  }
  return KeepLatest(db, drive_id, reading);
}

}  // namespace kestrine
