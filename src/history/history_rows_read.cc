// Reading the history's rows back: each drive's readings replayed, the summaries from the day
// rows, and a drive's latest reading.
#include <algorithm>
#include <limits>
#include <map>
#include <unordered_map>

#include "history_rows.h"
#include "history_rows_shared.h"

namespace kestrine {

using namespace rows;

namespace {

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

// Each watched counter's raw value at the first reading of each drive's span, then each change
// within it: one pass over the watched items' rows of every drive.
int ReadCounters(sqlite3* db, const HistoryQuery& query,
                 const std::unordered_map<std::int64_t, std::size_t>& index_of,
                 const std::vector<Span>& spans, std::vector<DriveOverview>& drives) {
  Statement select(db,
                   "SELECT reading.drive, item.id, item.reading, reading.time, item.raw FROM item "
                   "JOIN reading ON reading.id = item.reading WHERE item." +
                       WatchedItemsTerm() + " ORDER BY item.reading, item.id");
  struct Counter {
    std::optional<Counter128> opening;
    std::vector<TimedValue> changes;
  };
  std::vector<std::map<int, Counter>> by_drive(drives.size());
  int result = select.Step();
  for (; result == SQLITE_ROW; result = select.Step()) {
    const auto drive = index_of.find(select.Integer(0).value_or(0));
    if (drive == index_of.end() || spans[drive->second].readings == 0) continue;
    const Span& span = spans[drive->second];
    const std::optional<int> id = SmallInteger(select.Integer(1));
    const std::int64_t reading_id = select.Integer(2).value_or(0);
    const std::int64_t time = select.Integer(3).value_or(0);
    if (!id) continue;
    Counter& counter = by_drive[drive->second][*id];
    const std::optional<Counter128> raw = RawColumn(select, 4);
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
  for (std::size_t i = 0; i < drives.size(); ++i) {
    for (auto& [id, counter] : by_drive[i]) {
      if (counter.changes.empty() && counter.opening)
        counter.changes.push_back({spans[i].first, *counter.opening});
      if (!counter.changes.empty())
        drives[i].summary.counters.push_back({id, std::move(counter.changes)});
    }
  }
  return result == SQLITE_DONE ? SQLITE_OK : result;
}
}  // namespace

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

int ReadLatestReading(sqlite3* db, const std::string& model, const std::string& serial,
                      std::optional<HistoryEntry>& entry) {
  entry.reset();
  std::optional<Latest> latest;
  if (const int result = FindDrive(db, model, serial, latest); result != SQLITE_OK || !latest)
    return result;
  ItemMap items, highest;
  if (const int result = LatestItems(db, latest->drive, items); result != SQLITE_OK) return result;
  if (const int result = HighestItems(db, latest->drive, highest); result != SQLITE_OK)
    return result;
  for (auto& [id, item] : items) {
    const auto top = highest.find(id);
    if (top != highest.end() && top->second.raw && item.raw && Below(*item.raw, *top->second.raw))
      item.raw = top->second.raw;
  }
  Statement compared(db, "SELECT condition FROM compared WHERE drive = ?1");
  compared.Bind(1, latest->drive);
  if (compared.Step() == SQLITE_ROW) {
    if (std::optional<std::string> condition = compared.Text(0))
      latest->reading.condition = DriveText(*condition);
  }
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
  std::unordered_map<std::int64_t, std::size_t> index_of;
  {
    Statement select(db, "SELECT id, model, serial, firmware, family, path FROM drive ORDER BY id");
    int result = select.Step();
    for (; result == SQLITE_ROW; result = select.Step()) {
      const std::optional<std::int64_t> id = select.Integer(0);
      if (!id || index_of.contains(*id)) continue;
      DriveOverview overview;
      overview.drive = {
          DriveText(select.Text(1).value_or("")), DriveText(select.Text(2).value_or("")),
          DriveText(select.Text(3).value_or("")), DriveText(select.Text(4).value_or(""))};
      overview.latest_path = DriveText(select.Text(5).value_or(""));
      if (!Chosen(query, overview.drive.serial, overview.latest_path)) continue;
      index_of.emplace(*id, ids.size());
      ids.push_back(*id);
      drives.push_back(std::move(overview));
    }
    if (result != SQLITE_DONE) return result;
  }
  std::vector<Span> spans(drives.size());
  for (std::size_t i = 0; i < drives.size(); ++i) {
    Span& span = spans[i];
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
  }
  return ReadCounters(db, query, index_of, spans, drives);
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
