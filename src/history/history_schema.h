// The history database's tables, by version. The version is SQLite's user_version: 0 for a new,
// empty file, then one more for each step below. A program meets files of every version it
// knows and brings them up to its own in steps; a file of a later version (a newer program's)
// is left alone.
#pragma once

#include <sqlite3.h>

#include <array>
#include <string_view>

namespace kestrine {

// Step i takes a file of version i to version i + 1.
inline constexpr std::array<std::string_view, 1> kSchemaSteps = {
    // Version 1. A drive is its model and serial. Its row also holds its latest reading in full,
    // and latest_item that reading's items: what the next reading is compared with.
    //
    // A reading's row gives only what changed since the drive's previous reading: `changed`
    // says which of program (bit 0), path (1), condition (2), temperature (3) and self-test (4,
    // its status, code and hours; NULL status: none) it gives, the value itself possibly NULL (a
    // condition not decided, no
    // temperature, no self-test). An item's row is there only when any of its four values
    // changed; all four NULL: the drive no longer gave the item. Texts are UTF-8, a drive's
    // bytes each as the character of the same number.
    R"sql(
CREATE TABLE drive (
  id INTEGER PRIMARY KEY,
  model TEXT NOT NULL,
  serial TEXT NOT NULL,
  firmware TEXT NOT NULL,
  family TEXT NOT NULL,
  program TEXT,
  path TEXT,
  condition TEXT,
  temperature INTEGER,
  self_test INTEGER,
  self_test_code INTEGER,
  self_test_hours INTEGER,
  UNIQUE (model, serial)
);
CREATE TABLE latest_item (
  drive INTEGER NOT NULL,
  id INTEGER NOT NULL,
  current INTEGER,
  worst INTEGER,
  threshold INTEGER,
  raw INTEGER,
  PRIMARY KEY (drive, id)
) WITHOUT ROWID;
CREATE TABLE reading (
  id INTEGER PRIMARY KEY,
  drive INTEGER NOT NULL,
  time INTEGER NOT NULL,
  changed INTEGER NOT NULL,
  program TEXT,
  path TEXT,
  condition TEXT,
  temperature INTEGER,
  self_test INTEGER,
  self_test_code INTEGER,
  self_test_hours INTEGER
);
CREATE TABLE item (
  reading INTEGER NOT NULL,
  id INTEGER NOT NULL,
  current INTEGER,
  worst INTEGER,
  threshold INTEGER,
  raw INTEGER,
  PRIMARY KEY (reading, id)
) WITHOUT ROWID;
)sql",
};

inline constexpr int kHistorySchemaVersion = static_cast<int>(kSchemaSteps.size());

// The bits of reading.changed.
inline constexpr int kChangedProgram = 1 << 0;
inline constexpr int kChangedPath = 1 << 1;
inline constexpr int kChangedCondition = 1 << 2;
inline constexpr int kChangedTemperature = 1 << 3;
inline constexpr int kChangedSelfTest = 1 << 4;
inline constexpr int kChangedAll = (1 << 5) - 1;

// The file's version (user_version), or -1 when it cannot be read.
int SchemaVersion(sqlite3* db);

// Brings a file of `version` (at most kHistorySchemaVersion) to kHistorySchemaVersion, each step
// with its new version in one transaction. SQLite's result code.
int MigrateSchema(sqlite3* db, int version);

}  // namespace kestrine
