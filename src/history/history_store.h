// The history database: every reading of every drive, kept in one SQLite file. A problem with
// the file never stops a drive from being read: each call says what went wrong and the caller
// shows the reading all the same.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "history_entry.h"
#include "history_record.h"
#include "history_summary.h"

struct sqlite3;

namespace kestrine {

enum class HistoryFault {
  kRefused,      // the name holds something other than a regular file, or the folder is unsafe
  kLocked,       // other programs held the file for longer than the wait allows
  kFull,         // the disk is full
  kReadOnly,     // the file or its folder may not be written
  kCorrupt,      // the file is damaged; it was moved aside and a new one started
  kNewerSchema,  // a newer program's file; left as it is
  kCapped,       // a new drive at a path that has had too many
  kOther,
};

struct HistoryProblem {
  HistoryFault fault = HistoryFault::kOther;
  std::string message;  // a sentence that names the file
  // The first problem of this kind the store has met: the one a program tells its user.
  bool first = true;
};

// How long a write waits for other programs (the window, the metrics timer, a terminal) to let
// go of the file.
inline constexpr int kHistoryBusyTimeoutMs = 5000;

class HistoryStore {
 public:
  // `file` is opened on first use; `create` makes it (and its folder) when it is not there.
  // `machine_wide`: the file of all users, readable and writable by administrators only.
  HistoryStore(std::filesystem::path file, bool machine_wide);
  ~HistoryStore();
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  // Stores one reading of `drive` in one transaction: all of it, or nothing and the problem.
  std::optional<HistoryProblem> Store(const HistoryDrive& drive, const HistoryReading& reading);

  // The drives and readings `query` chooses. A file that is not there holds no readings.
  std::optional<HistoryProblem> Read(const HistoryQuery& query, std::vector<DriveHistory>& drives);

  // What --history shows of the drives `query` chooses, without reading every reading back.
  std::optional<HistoryProblem> ReadSummaries(const HistoryQuery& query,
                                              std::vector<DriveOverview>& drives);

  // What the next reading of the drive of `model` and `serial` is compared with (see
  // ReadLatestReading): none for a drive not kept, and none (never a problem) when the file is
  // not there or cannot be read.
  std::optional<HistoryEntry> Latest(const std::string& model, const std::string& serial);

  const std::filesystem::path& File() const { return file_; }

 private:
  struct Close {
    void operator()(sqlite3* db) const;
  };
  // Opens the file, checks it, and brings its tables up to date. False with the problem, or
  // nothing for a file not there and not to be created; true, possibly with a problem told
  // (a damaged file moved aside).
  bool Open(bool create, std::optional<HistoryProblem>& problem);
  // Opens the file to read it, writing and creating nothing: read-only, or where SQLite cannot
  // share it that way (a WAL file on a read-only medium, in another user's folder) as a file that
  // does not change. An older file is brought up to date in memory. False with the problem, or
  // nothing when there is nothing to read (no file, an empty one).
  bool OpenToRead(std::optional<HistoryProblem>& problem);
  // PRAGMA quick_check: SQLITE_OK, SQLITE_CORRUPT, or the error that kept it from finishing.
  int QuickCheck();
  // The problem of SQLite's result code, remembered as told.
  HistoryProblem Problem(int result, const std::string& detail = {});
  HistoryProblem Problem(HistoryFault fault, const std::string& message);
  HistoryProblem NewerSchemaProblem(int version);
  // Runs `read` on one snapshot of the file (mapped: a year of readings is read in one go).
  std::optional<HistoryProblem> ReadSnapshot(const std::function<int(sqlite3*)>& read);
  // Moves a damaged file aside and starts a new one: the message to tell.
  std::string MoveAside();

  std::filesystem::path file_;
  bool machine_wide_;
  std::unique_ptr<sqlite3, Close> db_;
  bool read_only_ = false;  // db_ was opened by OpenToRead
  // db_ is an older file's copy brought up to date in memory: made afresh at each read, since
  // the file may have been brought up to date, or written, since.
  bool copy_ = false;
  std::optional<HistoryProblem> lasting_;  // a problem that stays (a newer program's file)
  std::set<HistoryFault> told_;
};

}  // namespace kestrine
