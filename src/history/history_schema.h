// The history database's tables, by version. The version is SQLite's user_version: 0 for a new,
// empty file, then one more for each step below. A program meets files of every version it
// knows and brings them up to its own in steps; a file of a later version (a newer program's)
// is left alone.
#pragma once

#include <sqlite3.h>

#include <array>
#include <string>
#include <string_view>

namespace kestrine {

// The term that picks the rows of the items whose changes --history lists (WatchedItems(),
// history_summary.h): "id IN (5, 10, ...)". An index holds just those rows, and a query that
// names the same term finds them through it.
std::string WatchedItemsTerm();

// The term that picks the counters whose rise is told (WatchedCounterItems()): the history keeps
// the highest value of each a drive gave, which the next reading is compared with.
std::string WatchedCountersTerm();

// A step of the schema: its SQL, and what is then done to the rows it added tables for.
struct SchemaStep {
  std::string_view sql;
  int (*fill)(sqlite3* db) = nullptr;  // SQLite's result code
};

// Fill the tables versions 2, 3 and 4 added from a file's readings (history_migration.cc).
int FillVersion2(sqlite3* db);
int FillVersion3(sqlite3* db);
int FillVersion4(sqlite3* db);

// Step i takes a file of version i to version i + 1.
inline constexpr std::array<SchemaStep, 4> kSchemaSteps = {{
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
    {R"sql(
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
)sql"},
    // Version 2: what --history shows, kept so that it is found without replaying every reading.
    //
    // A day row sums a drive's readings of one UTC day (`day`, its first second): how many, the
    // first and last reading's id and time, the temperature in effect at its first reading (so
    // that part of the day can be replayed from there), and the readings' temperatures. The
    // index reading_condition holds the readings whose condition is given; FillVersion2 adds
    // item_watched, the rows of the watched items (kWatchedItemsTerm), and the day rows of the
    // readings already there.
    //
    // From this version on an item's raw value that does not fit in 63 bits is a 16-byte BLOB,
    // little-endian; every other is an INTEGER.
    {R"sql(
CREATE TABLE day (
  drive INTEGER NOT NULL,
  day INTEGER NOT NULL,
  readings INTEGER NOT NULL,
  first_reading INTEGER NOT NULL,
  last_reading INTEGER NOT NULL,
  first_time INTEGER NOT NULL,
  last_time INTEGER NOT NULL,
  opening_temperature INTEGER,
  temperatures INTEGER NOT NULL,
  temperature_sum INTEGER NOT NULL,
  temperature_min INTEGER,
  temperature_max INTEGER,
  PRIMARY KEY (drive, day)
) WITHOUT ROWID;
CREATE INDEX reading_condition ON reading (drive, id) WHERE changed & 4;
)sql",
     &FillVersion2},
    // Version 3: what the next reading of a drive is compared with, so that a change is told once
    // whichever program read it. `compared` holds the condition of the latest reading that had
    // the health data and decided one; `highest` holds each watched counter's highest
    // raw value (WatchedCountersTerm()), so that a counter that drops and comes back has not
    // risen. A reading whose health data was refused (no item rows, `changed` bit 5) changes
    // neither. The index finds the drives read at a path, which are capped.
    {R"sql(
CREATE TABLE compared (
  drive INTEGER PRIMARY KEY,
  condition TEXT
);
CREATE TABLE highest (
  drive INTEGER NOT NULL,
  id INTEGER NOT NULL,
  raw INTEGER,
  PRIMARY KEY (drive, id)
) WITHOUT ROWID;
CREATE INDEX drive_path ON drive (path);
)sql",
     &FillVersion3},
    // Version 4: the watched items are every counter whose rise is told. FillVersion4 makes the
    // index item_watched of their rows (WatchedItemsTerm()) again, and gives `highest` the
    // counters it did not keep yet, from each drive's latest reading.
    {R"sql(
DROP INDEX IF EXISTS item_watched;
)sql",
     &FillVersion4},
}};

inline constexpr int kHistorySchemaVersion = static_cast<int>(kSchemaSteps.size());

// The bits of reading.changed.
inline constexpr int kChangedProgram = 1 << 0;
inline constexpr int kChangedPath = 1 << 1;
inline constexpr int kChangedCondition = 1 << 2;
inline constexpr int kChangedTemperature = 1 << 3;
inline constexpr int kChangedSelfTest = 1 << 4;
inline constexpr int kChangedAll = (1 << 5) - 1;
// Not a field: the reading had no health data, and its items are as before.
inline constexpr int kNoHealthData = 1 << 5;

// How many drives the history keeps of one path: a device that gives a new serial at each
// reading must not grow the file without end.
inline constexpr int kMaxDrivesPerPath = 64;

// The file's version (user_version), or -1 when it cannot be read.
int SchemaVersion(sqlite3* db);

// Brings a file of `version` (at most kHistorySchemaVersion) to kHistorySchemaVersion, each step
// with its new version in one transaction. SQLite's result code.
int MigrateSchema(sqlite3* db, int version);

}  // namespace kestrine
