#include "history_schema.h"

#include <string>

#include "history_summary.h"
#include "sqlite_handle.h"

namespace kestrine {

namespace {

std::string IdTerm(const std::vector<int>& ids) {
  std::string term = "id IN (";
  for (std::size_t i = 0; i < ids.size(); ++i)
    term += (i == 0 ? "" : ", ") + std::to_string(ids[i]);
  return term + ")";
}

}  // namespace

std::string WatchedItemsTerm() {
  return IdTerm(WatchedItems());
}

std::string WatchedCountersTerm() {
  return IdTerm(WatchedCounterItems());
}

int SchemaVersion(sqlite3* db) {
  Statement statement(db, "PRAGMA user_version");
  if (statement.Step() != SQLITE_ROW) return -1;
  return static_cast<int>(statement.Integer(0).value_or(-1));
}

int MigrateSchema(sqlite3* db, int version) {
  while (version < kHistorySchemaVersion) {
    int result = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) return result;
    // Another program may have taken the same step while this one waited for the lock.
    version = SchemaVersion(db);
    if (version < 0 || version >= kHistorySchemaVersion) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      return version < 0 ? SQLITE_ERROR : SQLITE_OK;
    }
    const SchemaStep& step = kSchemaSteps[static_cast<std::size_t>(version)];
    const std::string script =
        std::string(step.sql) + "PRAGMA user_version = " + std::to_string(version + 1) + ";";
    result = sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr);
    if (result == SQLITE_OK && step.fill != nullptr) result = step.fill(db);
    if (result == SQLITE_OK) result = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK) {
      sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
      return result;
    }
    ++version;
  }
  return SQLITE_OK;
}

}  // namespace kestrine
