// How the history rows target reads its input, shared with the seed maker: rows of the history's
// tables, each cell of any type SQLite holds, so that the reader meets what an edited or damaged
// file can hold. Per row: a byte choosing the table, then per column a byte choosing the cell's
// type (NULL, an 8-byte integer, a text of up to 255 bytes, an 8-byte real, a blob of up to 255
// bytes) and its bytes.
#pragma once

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"

namespace kestrine::fuzzing {

struct HistoryTable {
  const char* name;
  int columns;
};
inline constexpr std::array<HistoryTable, 5> kHistoryTables = {{
    {"drive", 12},
    {"latest_item", 6},
    {"reading", 11},
    {"item", 6},
    {"day", 12},
}};

enum CellKind : std::uint8_t {
  kNullCell,
  kIntegerCell,
  kTextCell,
  kRealCell,
  kBlobCell,
  kCellKinds
};

// Inserts the input's rows (a row the schema refuses, a duplicate key, is passed over).
inline void LoadHistoryRows(sqlite3* db, InputReader& input) {
  while (!input.AtEnd()) {
    const HistoryTable& table = kHistoryTables[input.Next() % kHistoryTables.size()];
    std::string sql = std::string("INSERT INTO ") + table.name + " VALUES (";
    for (int i = 0; i < table.columns; ++i) sql += i == 0 ? "?" : ",?";
    sql += ")";
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    for (int column = 1; column <= table.columns; ++column) {
      switch (input.Next() % kCellKinds) {
        case kIntegerCell: {
          std::uint64_t value = 0;
          for (int byte = 0; byte < 8; ++byte) value |= std::uint64_t{input.Next()} << (8 * byte);
          sqlite3_bind_int64(statement, column, static_cast<sqlite3_int64>(value));
          break;
        }
        case kTextCell: {
          const std::vector<std::uint8_t> text = input.Take(input.Next());
          sqlite3_bind_text(statement, column, reinterpret_cast<const char*>(text.data()),
                            static_cast<int>(text.size()), SQLITE_TRANSIENT);
          break;
        }
        case kBlobCell: {
          const std::vector<std::uint8_t> blob = input.Take(input.Next());
          sqlite3_bind_blob(statement, column, blob.data(), static_cast<int>(blob.size()),
                            SQLITE_TRANSIENT);
          break;
        }
        case kRealCell: {
          std::uint64_t bits = 0;
          for (int byte = 0; byte < 8; ++byte) bits |= std::uint64_t{input.Next()} << (8 * byte);
          double value = 0;
          std::memcpy(&value, &bits, sizeof value);
          sqlite3_bind_double(statement, column, value);
          break;
        }
        default:
          sqlite3_bind_null(statement, column);
      }
    }
    sqlite3_step(statement);
    sqlite3_finalize(statement);
  }
}

// The rows of the tables of `db` in the same layout (texts cut at 255 bytes).
inline std::vector<std::uint8_t> DumpHistoryRows(sqlite3* db) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t index = 0; index < kHistoryTables.size(); ++index) {
    const std::string sql = std::string("SELECT * FROM ") + kHistoryTables[index].name;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
      bytes.push_back(static_cast<std::uint8_t>(index));
      for (int column = 0; column < kHistoryTables[index].columns; ++column) {
        switch (sqlite3_column_type(statement, column)) {
          case SQLITE_INTEGER: {
            bytes.push_back(kIntegerCell);
            const auto value = static_cast<std::uint64_t>(sqlite3_column_int64(statement, column));
            for (int byte = 0; byte < 8; ++byte)
              bytes.push_back(static_cast<std::uint8_t>(value >> (8 * byte)));
            break;
          }
          case SQLITE_TEXT: {
            bytes.push_back(kTextCell);
            const auto* text = sqlite3_column_text(statement, column);
            const auto size = std::min(255, sqlite3_column_bytes(statement, column));
            bytes.push_back(static_cast<std::uint8_t>(size));
            bytes.insert(bytes.end(), text, text + size);
            break;
          }
          case SQLITE_BLOB: {
            bytes.push_back(kBlobCell);
            const auto* blob =
                static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
            const auto size = std::min(255, sqlite3_column_bytes(statement, column));
            bytes.push_back(static_cast<std::uint8_t>(size));
            bytes.insert(bytes.end(), blob, blob + size);
            break;
          }
          default:
            bytes.push_back(kNullCell);
        }
      }
    }
    sqlite3_finalize(statement);
  }
  return bytes;
}

}  // namespace kestrine::fuzzing
