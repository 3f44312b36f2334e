#include "history_rows.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <map>
#include <unordered_map>

#include "history_schema.h"
#include "history_summary.h"
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

// A stored raw value; a negative integer, a BLOB of another size or any other type is none.
std::optional<Counter128> RawColumn(const Statement& row, int column) {
  if (const std::optional<std::int64_t> value = row.Integer(column)) {
    if (*value < 0) return std::nullopt;
    return Counter128{static_cast<std::uint64_t>(*value), 0};
  }
  const std::optional<std::string> blob = row.Blob(column);
  if (!blob || blob->size() != 16) return std::nullopt;
  std::array<Byte, 16> bytes{};
  std::memcpy(bytes.data(), blob->data(), bytes.size());
  return ReadLe128(bytes, 0);
}

HistoryItem ItemOf(const Statement& row, int id_column) {
  return {static_cast<int>(row.Integer(id_column).value_or(0)), row.Integer(id_column + 1),
          row.Integer(id_column + 2), row.Integer(id_column + 3), RawColumn(row, id_column + 4)};
}

std::optional<int> SmallInteger(const std::optional<std::int64_t>& value) {
  if (!value || *value < -1000000 || *value > 1000000) return std::nullopt;
  return static_cast<int>(*value);
}

// The self-test of a row's three columns (status, code, hours): none without a status.
std::optional<HistorySelfTest> SelfTestOf(const Statement& row, int status_column) {
  const std::optional<std::int64_t> status = row.Integer(status_column);
  if (!status) return std::nullopt;
  return HistorySelfTest{static_cast<int>(row.Integer(status_column + 1).value_or(0) & 0xFF),
                         static_cast<int>(*status & 0xFF),
                         row.Integer(status_column + 2).value_or(0)};
}

// What a drive's row holds: its firmware and family, and its latest reading (the items come from
// latest_item).
struct Latest {
  std::int64_t drive = 0;
  std::optional<std::string> firmware, family;
  HistoryReading reading;
};

int FindDrive(sqlite3* db, const std::string& model, const std::string& serial,
              std::optional<Latest>& latest) {
  Statement find(db,
                 "SELECT id, firmware, family, program, path, condition, temperature, self_test, "
                 "self_test_code, self_test_hours FROM drive WHERE model = ?1 AND serial = ?2");
  find.Bind(1, StoredText(model));
  find.Bind(2, StoredText(serial));
  const int found = find.Step();
  if (found != SQLITE_ROW) return found == SQLITE_DONE ? SQLITE_OK : found;
  Latest known{find.Integer(0).value_or(0), find.Text(1), find.Text(2), {}};
  known.reading.program = DriveText(find.Text(3).value_or(""));
  known.reading.path = DriveText(find.Text(4).value_or(""));
  if (const std::optional<std::string> condition = find.Text(5))
    known.reading.condition = DriveText(*condition);
  known.reading.temperature = SmallInteger(find.Integer(6));
  known.reading.self_test = SelfTestOf(find, 7);
  latest = std::move(known);
  return SQLITE_OK;
}

int FindOrAddDrive(sqlite3* db, const HistoryDrive& drive, std::optional<Latest>& latest,
                   std::int64_t& drive_id) {
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
    const HistoryItem item = ItemOf(select, 0);
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

// What a drive's day rows give of the readings in the time range.
struct Span {
  std::size_t readings = 0;
  std::int64_t first = 0, last = 0;        // times
  std::int64_t first_id = 0, last_id = 0;  // reading ids
  std::vector<DayTemperature> days;

  // Takes `count` readings, of which the first and last have these ids and times.
  void Take(std::size_t count, std::int64_t id_from, std::int64_t id_to, std::int64_t time_from,
            std::int64_t time_to) {
    first = readings == 0 ? time_from : std::min(first, time_from);
    last = readings == 0 ? time_to : std::max(last, time_to);
    first_id = readings == 0 ? id_from : std::min(first_id, id_from);
    last_id = readings == 0 ? id_to : std::max(last_id, id_to);
    readings += count;
  }
};

bool InRange(const HistoryQuery& query, std::int64_t time) {
  return (!query.from || time >= *query.from) && (!query.until || time <= *query.until);
}

// The readings of one day of a drive that lie partly outside the time range, replayed from the
// day's first reading.
int ReplayDay(sqlite3* db, const HistoryQuery& query, std::int64_t drive_id, std::int64_t day,
              std::int64_t first_reading, std::int64_t last_reading, std::optional<int> temperature,
              Span& span) {
  Statement select(db,
                   "SELECT id, time, changed, temperature FROM reading WHERE id BETWEEN ?1 AND "
                   "?2 AND drive = ?3 ORDER BY id");
  select.Bind(1, first_reading);
  select.Bind(2, last_reading);
  select.Bind(3, drive_id);
  int count = 0;
  int minimum = 0, maximum = 0;
  std::int64_t sum = 0;
  int result = select.Step();
  for (; result == SQLITE_ROW; result = select.Step()) {
    const std::int64_t id = select.Integer(0).value_or(0);
    const std::int64_t time = select.Integer(1).value_or(0);
    // The first reading's temperature is the day's opening one.
    if ((select.Integer(2).value_or(0) & kChangedTemperature) && id != first_reading)
      temperature = SmallInteger(select.Integer(3));
    if (DayOf(time) != day || !InRange(query, time)) continue;
    span.Take(1, id, id, time, time);
    if (!temperature) continue;
    minimum = count == 0 ? *temperature : std::min(minimum, *temperature);
    maximum = count == 0 ? *temperature : std::max(maximum, *temperature);
    sum += *temperature;
    ++count;
  }
  if (count > 0) span.days.push_back({day, minimum, maximum, static_cast<double>(sum) / count});
  return result == SQLITE_DONE ? SQLITE_OK : result;
}

int ReadSpan(sqlite3* db, const HistoryQuery& query, std::int64_t drive_id, Span& span) {
  Statement select(db,
                   "SELECT day, readings, first_reading, last_reading, first_time, last_time, "
                   "opening_temperature, temperatures, temperature_sum, temperature_min, "
                   "temperature_max FROM day WHERE drive = ?1 ORDER BY day");
  select.Bind(1, drive_id);
  int result = select.Step();
  for (; result == SQLITE_ROW; result = select.Step()) {
    const std::optional<std::int64_t> day = select.Integer(0);
    const std::optional<std::int64_t> readings = select.Integer(1);
    const std::optional<std::int64_t> first_id = select.Integer(2);
    const std::optional<std::int64_t> last_id = select.Integer(3);
    const std::optional<std::int64_t> first = select.Integer(4);
    const std::optional<std::int64_t> last = select.Integer(5);
    if (!day || !readings || !first_id || !last_id || !first || !last || *readings < 1 ||
        *day != DayOf(*day) || *day > std::numeric_limits<std::int64_t>::max() - kSecondsPerDay)
      continue;
    if ((query.from && *day + kSecondsPerDay <= *query.from) ||
        (query.until && *day > *query.until))
      continue;
    if (!InRange(query, *first) || !InRange(query, *last)) {
      if (const int replayed = ReplayDay(db, query, drive_id, *day, *first_id, *last_id,
                                         SmallInteger(select.Integer(6)), span);
          replayed != SQLITE_OK)
        return replayed;
      continue;
    }
    span.Take(static_cast<std::size_t>(*readings), *first_id, *last_id, *first, *last);
    const std::optional<int> count = SmallInteger(select.Integer(7));
    const std::optional<std::int64_t> sum = select.Integer(8);
    const std::optional<int> minimum = SmallInteger(select.Integer(9));
    const std::optional<int> maximum = SmallInteger(select.Integer(10));
    if (count && *count > 0 && sum && minimum && maximum)
      span.days.push_back({*day, *minimum, *maximum, static_cast<double>(*sum) / *count});
  }
  return result == SQLITE_DONE ? SQLITE_OK : result;
}

// The condition at the first reading of the span, then each change within it.
int ReadConditions(sqlite3* db, const HistoryQuery& query, std::int64_t drive_id, const Span& span,
                   std::vector<ConditionChange>& conditions) {
  Statement select(db,
                   "SELECT id, time, condition FROM reading WHERE drive = ?1 AND changed & 4 "
                   "ORDER BY id");
  select.Bind(1, drive_id);
  std::string opening;
  int result = select.Step();
  for (; result == SQLITE_ROW; result = select.Step()) {
    const std::int64_t id = select.Integer(0).value_or(0);
    const std::int64_t time = select.Integer(1).value_or(0);
    const std::string condition = DriveText(select.Text(2).value_or(""));
    if (id <= span.first_id) {
      opening = condition;
      continue;
    }
    if (id > span.last_id) {
      result = SQLITE_DONE;
      break;
    }
    if (conditions.empty()) conditions.push_back({span.first, opening});
    if (InRange(query, time) && condition != conditions.back().condition)
      conditions.push_back({time, condition});
  }
  if (conditions.empty()) conditions.push_back({span.first, opening});
  return result == SQLITE_DONE ? SQLITE_OK : result;
}

// Each watched counter's raw value at the first reading of the span, then each change within it.
int ReadCounters(sqlite3* db, const HistoryQuery& query, std::int64_t drive_id, const Span& span,
                 std::vector<CounterChanges>& counters) {
  Statement select(db,
                   "SELECT item.id, item.reading, reading.time, item.raw FROM item JOIN "
                   "reading ON reading.id = item.reading WHERE item." +
                       std::string(kWatchedItemsTerm) +
                       " AND reading.drive = ?1 ORDER BY item.reading, item.id");
  select.Bind(1, drive_id);
  struct Counter {
    std::optional<Counter128> opening;
    std::vector<TimedValue> changes;
  };
  std::map<int, Counter> by_id;
  int result = select.Step();
  for (; result == SQLITE_ROW; result = select.Step()) {
    const std::optional<int> id = SmallInteger(select.Integer(0));
    const std::int64_t reading_id = select.Integer(1).value_or(0);
    const std::int64_t time = select.Integer(2).value_or(0);
    if (!id) continue;
    Counter& counter = by_id[*id];
    const std::optional<Counter128> raw = RawColumn(select, 3);
    if (reading_id <= span.first_id) {
      counter.opening = raw;
      continue;
    }
    if (reading_id > span.last_id || !InRange(query, time) || !raw) continue;
    if (counter.changes.empty() && counter.opening) {
      counter.changes.push_back({span.first, *counter.opening});
    }
    if (counter.changes.empty() || counter.changes.back().value != *raw)
      counter.changes.push_back({time, *raw});
  }
  for (auto& [id, counter] : by_id) {
    if (counter.changes.empty() && counter.opening)
      counter.changes.push_back({span.first, *counter.opening});
    if (!counter.changes.empty()) counters.push_back({id, std::move(counter.changes)});
  }
  return result == SQLITE_DONE ? SQLITE_OK : result;
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
  if (const int result = DayRows(db).Add(drive_id, reading_id, reading.time, reading.temperature);
      result != SQLITE_OK) {
    return result;
  }
  return KeepLatest(db, drive_id, reading);
}

int FillVersion2(sqlite3* db) {
  const std::string index =
      "CREATE INDEX item_watched ON item (id, reading) WHERE " + std::string(kWatchedItemsTerm);
  if (const int result = sqlite3_exec(db, index.c_str(), nullptr, nullptr, nullptr);
      result != SQLITE_OK) {
    return result;
  }
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

int ReadLatestReading(sqlite3* db, const std::string& model, const std::string& serial,
                      std::optional<HistoryEntry>& entry) {
  entry.reset();
  std::optional<Latest> latest;
  if (const int result = FindDrive(db, model, serial, latest); result != SQLITE_OK || !latest)
    return result;
  ItemMap items;
  if (const int result = LatestItems(db, latest->drive, items); result != SQLITE_OK) return result;
  for (const auto& [id, item] : items) {
    if (!item.Empty()) latest->reading.items.push_back(item);
  }
  entry = HistoryEntry{{model, serial, DriveText(latest->firmware.value_or("")),
                        DriveText(latest->family.value_or(""))},
                       std::move(latest->reading)};
  return SQLITE_OK;
}

int ReadHistorySummaries(sqlite3* db, const HistoryQuery& query,
                         std::vector<DriveOverview>& drives) {
  std::vector<std::int64_t> ids;
  {
    Statement select(db, "SELECT id, model, serial, firmware, family, path FROM drive ORDER BY id");
    int result = select.Step();
    for (; result == SQLITE_ROW; result = select.Step()) {
      const std::optional<std::int64_t> id = select.Integer(0);
      if (!id || std::ranges::find(ids, *id) != ids.end()) continue;
      DriveOverview overview;
      overview.drive = {
          DriveText(select.Text(1).value_or("")), DriveText(select.Text(2).value_or("")),
          DriveText(select.Text(3).value_or("")), DriveText(select.Text(4).value_or(""))};
      overview.latest_path = DriveText(select.Text(5).value_or(""));
      if (!Chosen(query, overview.drive.serial, overview.latest_path)) continue;
      ids.push_back(*id);
      drives.push_back(std::move(overview));
    }
    if (result != SQLITE_DONE) return result;
  }
  for (std::size_t i = 0; i < drives.size(); ++i) {
    Span span;
    if (const int result = ReadSpan(db, query, ids[i], span); result != SQLITE_OK) return result;
    DriveSummary& summary = drives[i].summary;
    summary.readings = span.readings;
    if (span.readings == 0) continue;
    summary.first = span.first;
    summary.last = span.last;
    std::ranges::sort(span.days, {}, &DayTemperature::day);
    summary.days = std::move(span.days);
    if (const int result = ReadConditions(db, query, ids[i], span, summary.conditions);
        result != SQLITE_OK)
      return result;
    if (const int result = ReadCounters(db, query, ids[i], span, summary.counters);
        result != SQLITE_OK)
      return result;
  }
  return SQLITE_OK;
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
      changed_items.push_back(ItemOf(items, 1));
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
