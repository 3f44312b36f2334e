#include "history_store.h"

#include <sqlite3.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <system_error>

#include "file_target.h"
#include "history_file.h"
#include "history_rows.h"
#include "history_schema.h"
#include "sqlite_handle.h"

namespace kestrine {

namespace {

namespace fs = std::filesystem;

// The files SQLite keeps beside the database in WAL mode.
constexpr const char* kCompanions[] = {"-wal", "-shm", "-journal"};

std::string Shown(const fs::path& file) {
  std::string shown = "\"";
  shown += PrintableFileName(file.string());
  return shown += "\"";
}

HistoryFault FaultOf(int result) {
  switch (result & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return HistoryFault::kLocked;
    case SQLITE_FULL:
      return HistoryFault::kFull;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
    case SQLITE_AUTH:
      return HistoryFault::kReadOnly;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return HistoryFault::kCorrupt;
    default:
      return HistoryFault::kOther;
  }
}

// "20261207T193000Z": when a damaged file was moved aside.
std::string UtcStamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm parts{};
#ifdef _WIN32
  gmtime_s(&parts, &now);
#else
  gmtime_r(&now, &parts);
#endif
  char stamp[32] = {};
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &parts);
  return stamp;
}

// The file as an SQLite URI: "file:" and its absolute path, '/'-separated, each byte beyond the
// plainest ones as %XX (a '?' or '#' in a name would end the path).
std::string FileUri(const fs::path& file) {
  std::error_code error;
  fs::path absolute = fs::absolute(file, error);
  if (error) absolute = file;
  const std::u8string name = absolute.generic_u8string();
  std::string uri = "file:";
  if (name.empty() || name.front() != u8'/') uri += '/';
  for (const char8_t c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) != 0 ||
        std::string_view("/-._~:").find(static_cast<char>(byte)) != std::string_view::npos) {
      uri += static_cast<char>(byte);
    } else {
      constexpr char kDigits[] = "0123456789ABCDEF";
      uri += '%';
      uri += kDigits[byte >> 4];
      uri += kDigits[byte & 0x0F];
    }
  }
  return uri;
}

bool Exec(sqlite3* db, const char* sql, int& result) {
  result = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  return result == SQLITE_OK;
}

}  // namespace

void HistoryStore::Close::operator()(sqlite3* db) const {
  sqlite3_close_v2(db);
}

HistoryStore::HistoryStore(fs::path file, bool machine_wide)
    : file_(std::move(file)), machine_wide_(machine_wide) {}

HistoryStore::~HistoryStore() = default;

HistoryProblem HistoryStore::Problem(HistoryFault fault, const std::string& message) {
  const bool first = told_.insert(fault).second;
  return {fault, message, first};
}

// A newer program's file: it stays so, and is left as it is.
HistoryProblem HistoryStore::NewerSchemaProblem(int version) {
  return Problem(HistoryFault::kNewerSchema,
                 "The history " + Shown(file_) + " was written by a newer Kestrine (version " +
                     std::to_string(version) + "); it is left as it is");
}

HistoryProblem HistoryStore::Problem(int result, const std::string& detail) {
  const HistoryFault fault = FaultOf(result);
  std::string message = "The history " + Shown(file_) + " ";
  switch (fault) {
    case HistoryFault::kLocked:
      message += "stayed locked by another program; this reading was not kept";
      break;
    case HistoryFault::kFull:
      message += "cannot grow: the disk is full; this reading was not kept";
      break;
    case HistoryFault::kReadOnly:
      message += "cannot be written; readings are not kept";
      break;
    case HistoryFault::kCorrupt:
      message += std::string("is damaged (") + sqlite3_errstr(result) + ")";
      break;
    default:
      message += std::string("failed: ") + sqlite3_errstr(result);
  }
  if (!detail.empty()) message += " (" + detail + ")";
  return Problem(fault, message);
}

std::string HistoryStore::MoveAside() {
  db_.reset();
  const fs::path aside = file_.string() + ".damaged-" + UtcStamp();
  std::error_code error;
  fs::rename(file_, aside, error);
  if (error) {
    return "The history " + Shown(file_) + " is damaged and could not be moved aside (" +
           error.message() + ")";
  }
  for (const char* companion : kCompanions) {
    std::error_code ignored;
    fs::rename(file_.string() + companion, aside.string() + companion, ignored);
  }
  return "The history " + Shown(file_) + " was damaged: it was moved to " + Shown(aside) +
         " and a new one started";
}

bool HistoryStore::Open(bool create, std::optional<HistoryProblem>& problem) {
  if (db_ && read_only_ && create) db_.reset();
  if (db_) return true;
  read_only_ = false;
  copy_ = false;
  if (lasting_) {
    problem = Problem(lasting_->fault, lasting_->message);
    return false;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (std::optional<FileError> error = PrepareHistoryFile(file_, machine_wide_, create)) {
      if (!create && error->code() == std::errc::no_such_file_or_directory) return false;
      const HistoryFault fault = error->stage() == FileError::Stage::kRefused
                                     ? HistoryFault::kRefused
                                 : error->code() == std::errc::read_only_file_system ||
                                         error->code() == std::errc::permission_denied
                                     ? HistoryFault::kReadOnly
                                     : HistoryFault::kOther;
      problem =
          Problem(fault, "The history " + Shown(file_) + " cannot be used: " + error->Reason());
      return false;
    }
    const std::u8string name = file_.u8string();
    sqlite3* raw = nullptr;
    int result = sqlite3_open_v2(reinterpret_cast<const char*>(name.c_str()), &raw,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX,
                                 nullptr);
    db_.reset(raw);
    if (result != SQLITE_OK) {
      problem = Problem(result);
      db_.reset();
      return false;
    }
    sqlite3_extended_result_codes(db_.get(), 1);
    sqlite3_busy_timeout(db_.get(), kHistoryBusyTimeoutMs);

    // The check reads the whole file: done before writing into it; a reader meets damage in the
    // rows it reads.
    result = create ? QuickCheck() : SQLITE_OK;
    if (FaultOf(result) == HistoryFault::kCorrupt && attempt == 0) {
      problem = Problem(HistoryFault::kCorrupt, MoveAside());
      if (!create) return false;
      continue;
    }
    if (result != SQLITE_OK) {
      problem = Problem(result);
      db_.reset();
      return false;
    }
    const int version = SchemaVersion(db_.get());
    if (version > kHistorySchemaVersion) {
      db_.reset();
      problem = lasting_ = NewerSchemaProblem(version);
      return false;
    }
    // WAL: readers never wait for the writer, and a writer appends instead of rewriting pages.
    // NORMAL: a crash of the program loses nothing committed; a power cut may lose the last
    // readings, never the file's consistency.
    Exec(db_.get(), "PRAGMA journal_mode = WAL", result);
    Exec(db_.get(), "PRAGMA synchronous = NORMAL", result);
    if (version < 0 || (result = MigrateSchema(db_.get(), version)) != SQLITE_OK) {
      problem = Problem(version < 0 ? SQLITE_ERROR : result);
      db_.reset();
      return false;
    }
    return true;
  }
  return false;
}

bool HistoryStore::OpenToRead(std::optional<HistoryProblem>& problem) {
  if (db_ && !copy_) return true;
  db_.reset();
  copy_ = false;
  if (lasting_) {
    problem = Problem(lasting_->fault, lasting_->message);
    return false;
  }
  if (std::optional<FileError> error = PrepareHistoryFile(file_, machine_wide_, false)) {
    if (error->code() == std::errc::no_such_file_or_directory) return false;
    problem = Problem(error->stage() == FileError::Stage::kRefused ? HistoryFault::kRefused
                                                                   : HistoryFault::kOther,
                      "The history " + Shown(file_) + " cannot be used: " + error->Reason());
    return false;
  }
  int result = SQLITE_OK;
  std::int64_t tables = 0, history_tables = 0;
  for (const char* mode : {"?mode=ro", "?immutable=1"}) {
    sqlite3* raw = nullptr;
    result = sqlite3_open_v2(
        (FileUri(file_) + mode).c_str(), &raw,
        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX,
        nullptr);
    db_.reset(raw);
    if (result == SQLITE_OK) {
      sqlite3_extended_result_codes(db_.get(), 1);
      sqlite3_busy_timeout(db_.get(), kHistoryBusyTimeoutMs);
      // The first read of the file: what is not an SQLite file, or cannot be shared, says so here.
      Statement count(db_.get(),
                      "SELECT count(*), count(name IN ('drive', 'reading', 'item', "
                      "'latest_item') OR NULL) FROM sqlite_master WHERE type = 'table'");
      result = count.Step();
      tables = count.Integer(0).value_or(0);
      history_tables = count.Integer(1).value_or(0);
      if (result == SQLITE_ROW) result = SQLITE_OK;
    }
    if (result == SQLITE_OK) break;
    db_.reset();
    if (FaultOf(result) != HistoryFault::kReadOnly) break;
  }
  const std::string not_history =
      "This is not a Kestrine history (" + PrintableFileName(file_.string()) + ")";
  if ((result & 0xFF) == SQLITE_NOTADB) {
    problem = Problem(HistoryFault::kOther, not_history);
    return false;
  }
  if (result != SQLITE_OK) {
    problem = Problem(result);
    return false;
  }
  const int version = SchemaVersion(db_.get());
  if (tables == 0) {
    // An empty file (one another program has just made) holds no readings.
    db_.reset();
    return false;
  }
  if (version <= 0 || history_tables < 4) {
    db_.reset();
    problem = Problem(HistoryFault::kOther, not_history);
    return false;
  }
  if (version > kHistorySchemaVersion) {
    db_.reset();
    problem = lasting_ = NewerSchemaProblem(version);
    return false;
  }
  if (version < kHistorySchemaVersion) {
    // An older program's file is brought up to date in a copy, never in the file.
    sqlite3* memory = nullptr;
    result =
        sqlite3_open_v2(":memory:", &memory, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    std::unique_ptr<sqlite3, Close> copy(memory);
    if (result == SQLITE_OK) {
      sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", db_.get(), "main");
      result = backup == nullptr ? sqlite3_errcode(copy.get()) : sqlite3_backup_step(backup, -1);
      if (backup != nullptr) sqlite3_backup_finish(backup);
      if (result == SQLITE_DONE) result = MigrateSchema(copy.get(), version);
    }
    if (result != SQLITE_OK) {
      problem = Problem(result);
      db_.reset();
      return false;
    }
    db_ = std::move(copy);
    copy_ = true;
  }
  read_only_ = true;
  return true;
}

int HistoryStore::QuickCheck() {
  Statement check(db_.get(), "PRAGMA quick_check(1)");
  const int result = check.Step();
  if (result != SQLITE_ROW) return result;
  return check.Text(0).value_or("") == "ok" ? SQLITE_OK : SQLITE_CORRUPT;
}

std::optional<HistoryProblem> HistoryStore::Store(const HistoryDrive& drive,
                                                  const HistoryReading& reading) {
  std::optional<HistoryProblem> notice;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!Open(true, notice)) return notice;
    int result = SQLITE_OK;
    // IMMEDIATE: the write lock is taken (or waited for) at once, so that the previous reading
    // this one is compared with cannot change before it is written.
    if (Exec(db_.get(), "BEGIN IMMEDIATE", result)) {
      result = WriteReadingRows(db_.get(), drive, reading);
      if (result == SQLITE_OK) Exec(db_.get(), "COMMIT", result);
      if (result != SQLITE_OK) {
        int ignored = 0;
        Exec(db_.get(), "ROLLBACK", ignored);
      }
    }
    if (result == SQLITE_OK) return notice;
    if (result == kHistoryDrivesAtPathCapped) {
      return Problem(HistoryFault::kCapped, "The history " + Shown(file_) + " keeps at most " +
                                                std::to_string(kMaxDrivesPerPath) +
                                                " drives read at " + Shown(reading.path) +
                                                "; a new drive there is not kept");
    }
    if (FaultOf(result) == HistoryFault::kCorrupt && attempt == 0) {
      notice = Problem(HistoryFault::kCorrupt, MoveAside());
      continue;
    }
    notice = Problem(result);
    // The connection is opened afresh next time: the file may have been mended or replaced.
    db_.reset();
    return notice;
  }
  return notice;
}

std::optional<HistoryProblem> HistoryStore::ReadSnapshot(const std::function<int(sqlite3*)>& read) {
  std::optional<HistoryProblem> problem;
  if (!OpenToRead(problem)) return problem;
  int result = SQLITE_OK;
  // A year of readings is read whole: mapped, its pages are not copied one by one.
  Exec(db_.get(), "PRAGMA mmap_size = 268435456", result);
  // One snapshot of the file: writers that commit meanwhile are not half seen.
  if (Exec(db_.get(), "BEGIN", result)) {
    result = read(db_.get());
    int ignored = 0;
    Exec(db_.get(), "COMMIT", ignored);
  }
  if (result != SQLITE_OK) {
    problem = Problem(result);
    db_.reset();
  }
  return problem;
}

std::optional<HistoryProblem> HistoryStore::Read(const HistoryQuery& query,
                                                 std::vector<DriveHistory>& drives) {
  drives.clear();
  std::optional<HistoryProblem> problem =
      ReadSnapshot([&](sqlite3* db) { return ReadHistoryRows(db, query, drives); });
  if (problem) drives.clear();
  return problem;
}

std::optional<HistoryProblem> HistoryStore::ReadSummaries(const HistoryQuery& query,
                                                          std::vector<DriveOverview>& drives) {
  drives.clear();
  std::optional<HistoryProblem> problem =
      ReadSnapshot([&](sqlite3* db) { return ReadHistorySummaries(db, query, drives); });
  if (problem) drives.clear();
  return problem;
}

std::optional<HistoryEntry> HistoryStore::Latest(const std::string& model,
                                                 const std::string& serial) {
  // A problem met here is the next write's to tell; a file opened here is checked by that write
  // as it opens it.
  const std::set<HistoryFault> told = told_;
  const bool was_open = db_ != nullptr;
  std::optional<HistoryEntry> entry;
  if (ReadSnapshot([&](sqlite3* db) { return ReadLatestReading(db, model, serial, entry); }))
    entry.reset();
  told_ = told;
  if (!was_open) db_.reset();
  return entry;
}

}  // namespace kestrine
