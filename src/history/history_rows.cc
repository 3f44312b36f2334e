#include "history_rows.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "history_schema.h"
#include "sqlite_handle.h"

namespace kestrine {

namespace {

using ItemMap = std::map<int, HistoryItem>;

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

std::optional<std::int64_t> Wide(const std::optional<int>& value) {
  if (!value) return std::nullopt;
  return *value;
}

// The self-test of a row's three columns (status, code, hours): none without a status.
std::optional<HistorySelfTest> SelfTestOf(const Statement& row, int status_column) {
  const std::optional<std::int64_t> status = row.Integer(status_column);
  if (!status) return std::nullopt;
  return HistorySelfTest{static_cast<int>(row.Integer(status_column + 1).value_or(0) & 0xFF),
                         static_cast<int>(*status & 0xFF),
                         row.Integer(status_column + 2).value_or(0)};
}

// What a drive's row holds of its latest reading; the items come from latest_item.
struct Latest {
  std::int64_t drive = 0;
  HistoryReading reading;
};

int FindOrAddDrive(sqlite3* db, const HistoryDrive& drive, std::optional<Latest>& latest,
                   std::int64_t& drive_id) {
  Statement find(db,
                 "SELECT id, firmware, family, program, path, condition, temperature, self_test, "
                 "self_test_code, self_test_hours FROM drive WHERE model = ?1 AND serial = ?2");
  find.Bind(1, StoredText(drive.model));
  find.Bind(2, StoredText(drive.serial));
  const int found = find.Step();
  if (found == SQLITE_ROW) {
    drive_id = find.Integer(0).value_or(0);
    Latest known{drive_id, {}};
    known.reading.program = DriveText(find.Text(3).value_or(""));
    known.reading.path = DriveText(find.Text(4).value_or(""));
    if (const std::optional<std::string> condition = find.Text(5))
      known.reading.condition = DriveText(*condition);
    if (const std::optional<std::int64_t> temperature = find.Integer(6))
      known.reading.temperature = static_cast<int>(*temperature);
    known.reading.self_test = SelfTestOf(find, 7);
    latest = std::move(known);
    // A drive keeps its identity through a firmware update.
    if (find.Text(1) != StoredText(drive.firmware) || find.Text(2) != StoredText(drive.family)) {
      Statement update(db, "UPDATE drive SET firmware = ?1, family = ?2 WHERE id = ?3");
      update.Bind(1, StoredText(drive.firmware));
      update.Bind(2, StoredText(drive.family));
      update.Bind(3, drive_id);
      if (const int result = update.Run(); result != SQLITE_DONE) return result;
    }
    return SQLITE_OK;
  }
  if (found != SQLITE_DONE) return found;
  Statement add(db, "INSERT INTO drive (model, serial, firmware, family) VALUES (?1, ?2, ?3, ?4)");
  add.Bind(1, StoredText(drive.model));
  add.Bind(2, StoredText(drive.serial));
  add.Bind(3, StoredText(drive.firmware));
  add.Bind(4, StoredText(drive.family));
  if (const int result = add.Run(); result != SQLITE_DONE) return result;
  drive_id = sqlite3_last_insert_rowid(db);
  return SQLITE_OK;
}

int LatestItems(sqlite3* db, std::int64_t drive_id, ItemMap& items) {
  Statement select(db,
                   "SELECT id, current, worst, threshold, raw FROM latest_item WHERE drive = ?1");
  select.Bind(1, drive_id);
  int result = select.Step();
  for (; result == SQLITE_ROW; result = select.Step()) {
    HistoryItem item{static_cast<int>(select.Integer(0).value_or(0)), select.Integer(1),
                     select.Integer(2), select.Integer(3), select.Integer(4)};
    items[item.id] = item;
  }
  return result == SQLITE_DONE ? SQLITE_OK : result;
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
  insert.Bind(3, std::int64_t{changed});
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
    statement.Bind(6, item.raw);
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

// One drive's readings as they are replayed from the rows.
struct Replay {
  std::size_t index = 0;  // in the result
  std::uint32_t program = 0, path = 0, condition = 0, self_test = 0;
  std::optional<int> temperature;
  ItemMap items;
  bool emitted = false;  // a point in the time range has been given
};

bool Chosen(const HistoryQuery& query, const std::string& serial, const std::string& path) {
  if (query.serials.empty() && query.paths.empty()) return true;
  return std::ranges::find(query.serials, serial) != query.serials.end() ||
         std::ranges::find(query.paths, path) != query.paths.end();
}

std::optional<int> SmallInteger(const std::optional<std::int64_t>& value) {
  if (!value || *value < -1000000 || *value > 1000000) return std::nullopt;
  return static_cast<int>(*value);
}

}  // namespace

std::string StoredText(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      text += c;
    } else {
      text += static_cast<char>(0xC0 | (byte >> 6));
      text += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return text;
}

std::string DriveText(std::string_view stored) {
  std::string bytes;
  bytes.reserve(stored.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const auto byte = static_cast<unsigned char>(stored[i]);
    if (byte < 0x80) {
      bytes += stored[i];
      continue;
    }
    const bool two_bytes = (byte == 0xC2 || byte == 0xC3) && i + 1 < stored.size() &&
                           (static_cast<unsigned char>(stored[i + 1]) & 0xC0) == 0x80;
    if (two_bytes) {
      bytes += static_cast<char>(((byte & 0x03) << 6) |
                                 (static_cast<unsigned char>(stored[i + 1]) & 0x3F));
      ++i;
      continue;
    }
    bytes += '?';
    // The rest of a longer character goes with it.
    while (i + 1 < stored.size() && (static_cast<unsigned char>(stored[i + 1]) & 0xC0) == 0x80) ++i;
  }
  return bytes;
}

std::uint32_t DriveHistory::TextIndex(const std::string& text) {
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (texts[i] == text) return static_cast<std::uint32_t>(i);
  }
  texts.push_back(text);
  return static_cast<std::uint32_t>(texts.size() - 1);
}

HistoryReading DriveHistory::ReadingAt(std::size_t point) const {
  HistoryReading reading;
  const HistoryPoint& at = points.at(point);
  reading.time = at.time;
  reading.program = texts.at(at.program);
  reading.path = texts.at(at.path);
  if (at.condition != 0) reading.condition = texts.at(at.condition);
  reading.temperature = at.temperature;
  if (at.self_test != 0) reading.self_test = self_tests.at(at.self_test);
  ItemMap items;
  for (const ItemChange& change : item_changes) {
    if (change.point > point) break;
    if (change.item.Empty()) {
      items.erase(change.item.id);
    } else {
      items[change.item.id] = change.item;
    }
  }
  for (const auto& [id, item] : items) reading.items.push_back(item);
  return reading;
}

int WriteReadingRows(sqlite3* db, const HistoryDrive& drive, const HistoryReading& reading) {
  std::optional<Latest> latest;
  std::int64_t drive_id = 0;
  if (const int result = FindOrAddDrive(db, drive, latest, drive_id); result != SQLITE_OK)
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
  if (const int result = WriteItems(db, drive_id, reading_id, before, ItemsById(reading.items));
      result != SQLITE_OK) {
    return result;
  }
  return KeepLatest(db, drive_id, reading);
}

int ReadHistoryRows(sqlite3* db, const HistoryQuery& query, std::vector<DriveHistory>& drives) {
  std::unordered_map<std::int64_t, Replay> replays;
  {
    Statement select(db, "SELECT id, model, serial, firmware, family, path FROM drive ORDER BY id");
    int result = select.Step();
    for (; result == SQLITE_ROW; result = select.Step()) {
      const std::optional<std::int64_t> id = select.Integer(0);
      if (!id || replays.contains(*id)) continue;
      DriveHistory history;
      history.drive = {
          DriveText(select.Text(1).value_or("")), DriveText(select.Text(2).value_or("")),
          DriveText(select.Text(3).value_or("")), DriveText(select.Text(4).value_or(""))};
      history.latest_path = DriveText(select.Text(5).value_or(""));
      if (!Chosen(query, history.drive.serial, history.latest_path)) continue;
      replays[*id].index = drives.size();
      drives.push_back(std::move(history));
    }
    if (result != SQLITE_DONE) return result;
  }

  Statement readings(db,
                     "SELECT id, drive, time, changed, program, path, condition, temperature, "
                     "self_test, self_test_code, self_test_hours FROM reading ORDER BY id");
  std::string item_sql = "SELECT reading, id, current, worst, threshold, raw FROM item ";
  if (!query.items.empty()) {
    // Only the rows asked for leave SQLite: most of a year's rows are the changing counters of
    // data written and read.
    item_sql += "WHERE id IN (";
    for (std::size_t i = 0; i < query.items.size(); ++i) {
      item_sql += i == 0 ? "" : ",";
      item_sql += std::to_string(query.items[i]);
    }
    item_sql += ") ";
  }
  Statement items(db, item_sql + "ORDER BY reading, id");
  int item_result = items.Step();
  std::vector<HistoryItem> changed_items;
  int result = readings.Step();
  for (; result == SQLITE_ROW; result = readings.Step()) {
    const std::int64_t reading_id = readings.Integer(0).value_or(0);
    // This reading's items; those of readings that are not there are passed over.
    changed_items.clear();
    for (; item_result == SQLITE_ROW; item_result = items.Step()) {
      const std::int64_t owner = items.Integer(0).value_or(0);
      if (owner > reading_id) break;
      if (owner < reading_id) continue;
      const std::optional<std::int64_t> id = items.Integer(1);
      if (!id || *id < 0 || *id > 0xFFFF) continue;
      changed_items.push_back({static_cast<int>(*id), items.Integer(2), items.Integer(3),
                               items.Integer(4), items.Integer(5)});
    }
    if (item_result != SQLITE_ROW && item_result != SQLITE_DONE) return item_result;

    const auto replay_at = replays.find(readings.Integer(1).value_or(0));
    if (replay_at == replays.end()) continue;
    Replay& replay = replay_at->second;
    DriveHistory& history = drives[replay.index];
    const int changed = static_cast<int>(readings.Integer(3).value_or(0) & kChangedAll);
    if (changed & kChangedProgram)
      replay.program = history.TextIndex(DriveText(readings.Text(4).value_or("")));
    if (changed & kChangedPath)
      replay.path = history.TextIndex(DriveText(readings.Text(5).value_or("")));
    if (changed & kChangedCondition) {
      const std::optional<std::string> condition = readings.Text(6);
      replay.condition = condition ? history.TextIndex(DriveText(*condition)) : 0;
      // The empty text stands for "not decided"; a stored empty condition reads as that too.
    }
    if (changed & kChangedTemperature) replay.temperature = SmallInteger(readings.Integer(7));
    if (changed & kChangedSelfTest) {
      replay.self_test = 0;
      if (std::optional<HistorySelfTest> self_test = SelfTestOf(readings, 8)) {
        history.self_tests.push_back(std::move(*self_test));
        replay.self_test = static_cast<std::uint32_t>(history.self_tests.size() - 1);
      }
    }
    for (const HistoryItem& item : changed_items) {
      if (item.Empty()) {
        replay.items.erase(item.id);
      } else {
        replay.items[item.id] = item;
      }
    }

    const std::int64_t time = readings.Integer(2).value_or(0);
    if ((query.from && time < *query.from) || (query.until && time > *query.until)) continue;
    const std::size_t point = history.points.size();
    history.points.push_back({time, replay.temperature, replay.program, replay.path,
                              replay.condition, replay.self_test});
    if (!replay.emitted) {
      replay.emitted = true;
      for (const auto& [id, item] : replay.items) history.item_changes.push_back({point, item});
    } else {
      std::ranges::sort(changed_items, {}, &HistoryItem::id);
      for (const HistoryItem& item : changed_items) {
        // Only the last row of an id counts, as the replay took it.
        const auto now = replay.items.find(item.id);
        const HistoryItem given =
            now == replay.items.end() ? HistoryItem{item.id, {}, {}, {}, {}} : now->second;
        if (!history.item_changes.empty() && history.item_changes.back().point == point &&
            history.item_changes.back().item.id == item.id) {
          continue;
        }
        history.item_changes.push_back({point, given});
      }
    }
  }
  return result == SQLITE_DONE ? SQLITE_OK : result;
}

}  // namespace kestrine
