// The history's rows as an edited or damaged file may hold them: any value of any type in any
// column, rows that refer to nothing, drives twice. Reading them back, whole, by item and by
// time, as summaries, a drive's latest reading, expanding each reading, bringing a first-version
// file up to date, and writing a reading on top must neither crash nor loop.
#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "history_rows.h"
#include "history_rows_input.h"
#include "history_schema.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrine;
  sqlite3* db = nullptr;
  if (sqlite3_open(":memory:", &db) != SQLITE_OK) return 0;
  fuzzing::InputReader input(data, size);
  const std::uint8_t choice = input.Next();
  // Rows of a first-version file, migrated once they are in.
  const bool migrated = (choice & 0x10) != 0;
  if (migrated) {
    const std::string first = std::string(kSchemaSteps[0].sql) + "PRAGMA user_version = 1;";
    sqlite3_exec(db, first.c_str(), nullptr, nullptr, nullptr);
  } else {
    MigrateSchema(db, 0);
  }
  fuzzing::LoadHistoryRows(db, input);
  if (migrated) MigrateSchema(db, 1);

  HistoryQuery query;
  if (choice & 1) query.items = {5, 197, kNvmeItemBase + 14};
  if (choice & 2) query.from = 1000;
  if (choice & 4) query.until = 5000;
  if (choice & 8) query.serials = {"s"};
  std::vector<DriveHistory> drives;
  ReadHistoryRows(db, query, drives);
  for (const DriveHistory& history : drives) {
    for (std::size_t point = 0; point < history.points.size() && point < 64; ++point)
      (void)history.ReadingAt(point);
  }
  std::vector<DriveOverview> overviews;
  ReadHistorySummaries(db, query, overviews);
  std::optional<HistoryEntry> latest;
  ReadLatestReading(db, "m", "s", latest);
  if (latest) (void)PreviousReadingOf(*latest);
  HistoryReading reading;
  reading.time = 3000;
  reading.items = {{5, 100, 100, 36, Counter128{0}}, {197, 100, 100, 0, Counter128{8}}};
  WriteReadingRows(db, {"m", "s", "f", "ATA"}, reading);
  sqlite3_close(db);
  return 0;
}
