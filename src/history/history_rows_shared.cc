#include "history_rows_shared.h"

#include <array>
#include <cstring>

#include "history_rows.h"

namespace kestrine {

namespace rows {

std::optional<std::int64_t> Wide(const std::optional<int>& value) {
  if (!value) return std::nullopt;
  return *value;
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

int HighestItems(sqlite3* db, std::int64_t drive_id, ItemMap& items) {
  Statement select(db, "SELECT id, raw FROM highest WHERE drive = ?1");
  select.Bind(1, drive_id);
  int result = select.Step();
  for (; result == SQLITE_ROW; result = select.Step()) {
    const std::optional<int> id = SmallInteger(select.Integer(0));
    if (id) items[*id] = HistoryItem{*id, {}, {}, {}, RawColumn(select, 1)};
  }
  return result == SQLITE_DONE ? SQLITE_OK : result;
}

}  // namespace rows

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

}  // namespace kestrine
