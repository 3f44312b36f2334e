// The history database: what goes in comes back, stored as changes; drives by model and serial;
// writers at once and writers killed; files that are damaged, read-only, a newer program's or
// no file at all.
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#include "history_rows.h"
#include "history_schema.h"
#include "history_store.h"
#include "scratch_dir.h"
#include "special_files.h"

namespace kestrine {
namespace {

using testing::ScratchDir;

const HistoryDrive kDisk{"WDC WD10EZEX-00B\xE9", "WD-1234", "01.01A01", "ATA"};
const HistoryDrive kOtherDisk{"ST1000DM003", "Z1D0", "CC45", "ATA"};
const HistoryDrive kThirdDisk{"Samsung SSD 870", "S6PN", "SVT02B6Q", "ATA"};

HistoryItem Attribute(int id, std::int64_t current, std::int64_t raw) {
  return {id, current, current, 6, Counter128{static_cast<std::uint64_t>(raw), 0}};
}

HistoryReading Reading(std::int64_t time, std::string path, std::optional<std::string> condition,
                       std::optional<int> temperature, std::vector<HistoryItem> items) {
  return {time,        "kestrine-cli",   std::move(path), std::move(condition),
          temperature, std::move(items), std::nullopt};
}

// Runs `sql` on the file with a connection of its own; the first column of the first row.
std::string Query(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  std::string value = "(error)";
  sqlite3_exec(
      db, sql.c_str(),
      [](void* out, int, char** columns, char**) {
        *static_cast<std::string*>(out) = columns[0] ? columns[0] : "NULL";
        return 1;
      },
      &value, nullptr);
  sqlite3_close(db);
  return value;
}

std::vector<DriveHistory> ReadAll(HistoryStore& store, const HistoryQuery& query = {}) {
  std::vector<DriveHistory> drives;
  const std::optional<HistoryProblem> problem = store.Read(query, drives);
  EXPECT_FALSE(problem) << problem->message;
  return drives;
}

TEST(HistoryStore, GivesBackEveryReadingAndStoresAValueOnlyWhenItChanges) {
  ScratchDir dir;
  HistoryStore store(dir / "history.db", false);
  std::vector<HistoryReading> given = {
      Reading(1000, "\\\\.\\PHYSICALDRIVE0", "OK", 35,
              {Attribute(5, 100, 0), Attribute(9, 99, 10)}),
      Reading(1600, "\\\\.\\PHYSICALDRIVE0", "OK", 35,
              {Attribute(5, 100, 0), Attribute(9, 99, 11)}),
      // Pending sectors appear, the condition turns, the temperature is not read.
      Reading(2200, "\\\\.\\PHYSICALDRIVE0", "WARNING", std::nullopt,
              {Attribute(5, 100, 0), Attribute(9, 99, 11), Attribute(197, 100, 8)}),
      // Not decided, an item gone, a self-test.
      Reading(2800, "\\\\.\\PHYSICALDRIVE0", std::nullopt, 36, {Attribute(9, 99, 12)}),
      Reading(3400, "\\\\.\\PHYSICALDRIVE0", "OK", 36,
              {Attribute(5, 100, 0), Attribute(9, 99, 12)}),
  };
  // NVMe counters beyond an SQLite integer's 63 bits.
  given[3].items.push_back({kNvmeItemBase + 14, {}, {}, {}, Counter128{~std::uint64_t{0}, 0}});
  given[4].items.push_back({kNvmeItemBase + 14, {}, {}, {}, Counter128{7, 1}});
  given[3].self_test = HistorySelfTest{1, 0x00, 12};
  given[4].self_test = given[3].self_test;
  given[4].program = "kestrine";
  for (const HistoryReading& reading : given) {
    const std::optional<HistoryProblem> problem = store.Store(kDisk, reading);
    ASSERT_FALSE(problem) << problem->message;
  }

  const std::vector<DriveHistory> drives = ReadAll(store);
  ASSERT_EQ(drives.size(), 1u);
  EXPECT_EQ(drives[0].drive, kDisk);
  ASSERT_EQ(drives[0].points.size(), given.size());
  for (std::size_t i = 0; i < given.size(); ++i) EXPECT_EQ(drives[0].ReadingAt(i), given[i]) << i;

  // Attribute 5 is stored at the first reading, as gone at the fourth and back at the fifth.
  EXPECT_EQ(Query(store.File(), "SELECT count(*) FROM item WHERE id = 5"), "3");
  EXPECT_EQ(Query(store.File(), "SELECT count(*) FROM item WHERE id = 9"), "3");
  EXPECT_EQ(Query(store.File(), "SELECT count(*) FROM reading WHERE changed = 0"), "1");

  // A time range: its first reading stands complete, items that changed before it included.
  const std::vector<DriveHistory> range = ReadAll(store, {{}, {}, 2000, 3000, {}});
  ASSERT_EQ(range[0].points.size(), 2u);
  EXPECT_EQ(range[0].ReadingAt(0), given[2]);
  EXPECT_EQ(range[0].ReadingAt(1), given[3]);
}

TEST(HistoryStore, ADriveIsItsModelAndSerialWhateverItsPath) {
  ScratchDir dir;
  HistoryStore store(dir / "history.db", false);
  // The disk is read as sdb, then as sdc; another disk takes its place as sdb.
  store.Store(kDisk, Reading(1000, "\\\\.\\PHYSICALDRIVE1", "OK", 30, {Attribute(5, 100, 0)}));
  store.Store(kDisk, Reading(2000, "\\\\.\\PHYSICALDRIVE2", "OK", 30, {Attribute(5, 100, 0)}));
  store.Store(kOtherDisk,
              Reading(3000, "\\\\.\\PHYSICALDRIVE1", "CRITICAL", 50, {Attribute(5, 1, 900)}));

  const std::vector<DriveHistory> all = ReadAll(store);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].points.size(), 2u);
  EXPECT_EQ(all[0].latest_path, "\\\\.\\PHYSICALDRIVE2");
  // The replacement's first reading stands on its own: nothing of the other disk in it.
  EXPECT_EQ(all[1].ReadingAt(0).items, std::vector<HistoryItem>{Attribute(5, 1, 900)});

  const std::vector<DriveHistory> at_path =
      ReadAll(store, {{}, {"\\\\.\\PHYSICALDRIVE1"}, {}, {}, {}});
  ASSERT_EQ(at_path.size(), 1u);
  EXPECT_EQ(at_path[0].drive, kOtherDisk);
  const std::vector<DriveHistory> by_serial = ReadAll(store, {{"WD-1234"}, {}, {}, {}, {}});
  ASSERT_EQ(by_serial.size(), 1u);
  EXPECT_EQ(by_serial[0].drive, kDisk);
}

// --history's summaries, read from the day rows and the indexes of the changes, say what
// replaying every reading says: over whole days, days the time range cuts, and once a file of
// the first version has been brought up to date.
TEST(HistoryStore, SummariesAgreeWithTheReadingsReplayedBeforeAndAfterTheMigration) {
  ScratchDir dir;
  const std::filesystem::path file = dir / "history.db";
  constexpr std::int64_t kStart = 1767225600;
  {
    HistoryStore store(file, false);
    for (int i = 0; i < 60; ++i) {  // three days, a reading every 80 minutes
      const std::int64_t time = kStart + i * 4800;
      const std::optional<std::string> condition = i < 25   ? "OK"
                                                   : i < 40 ? std::optional<std::string>("WARNING")
                                                            : std::nullopt;
      const std::optional<int> temperature = i % 7 == 3 ? std::nullopt : std::optional(30 + i % 5);
      store.Store(kDisk, Reading(time, "p", condition, temperature,
                                 {Attribute(5, 100, i / 20), Attribute(9, 99, i),
                                  Attribute(197, 100, i / 30)}));
      store.Store(kOtherDisk,
                  Reading(time + 60, "q", "OK", 40 - i % 3, {Attribute(199, 200, i / 9)}));
    }
  }
  const HistoryQuery queries[] = {
      {},
      {{}, {}, kStart + 86400 + 1000, std::nullopt, {}},
      {{}, {}, std::nullopt, kStart + 100000, {}},
      {{"Z1D0"}, {}, kStart + 50000, kStart + 150000, {}},
      {{}, {}, 0, 10, {}},
  };
  const auto check = [&] {
    HistoryStore store(file, false);
    for (const HistoryQuery& query : queries) {
      const std::vector<DriveHistory> replayed = ReadAll(store, query);
      std::vector<DriveOverview> summaries;
      EXPECT_FALSE(store.ReadSummaries(query, summaries));
      ASSERT_EQ(summaries.size(), replayed.size());
      for (std::size_t i = 0; i < summaries.size(); ++i) {
        EXPECT_EQ(summaries[i].drive, replayed[i].drive);
        EXPECT_EQ(summaries[i].summary, Summarize(replayed[i])) << i;
      }
    }
  };
  check();
  Query(file,
        "DROP TABLE highest; DROP TABLE compared; DROP INDEX drive_path; DROP TABLE day; "
        "DROP INDEX reading_condition; DROP INDEX item_watched; PRAGMA user_version = 1");
  check();
  // A read brings the file up to date in memory only; the next write does it in the file, and
  // a reader that read the old file sees what was written since.
  EXPECT_EQ(Query(file, "PRAGMA user_version"), "1");
  HistoryStore reader(file, false);
  ASSERT_EQ(ReadAll(reader).size(), 2u);
  EXPECT_FALSE(HistoryStore(file, false).Store(kThirdDisk, Reading(kStart, "p", "OK", 30, {})));
  EXPECT_EQ(Query(file, "PRAGMA user_version"), "4");
  EXPECT_EQ(ReadAll(reader).size(), 3u);
}

// A child process that stores `count` readings of `drive` and ends with how many problems it
// met as its exit status.
pid_t StoreInChild(const std::filesystem::path& file, const HistoryDrive& drive, int count) {
  const pid_t child = ::fork();
  if (child != 0) return child;
  HistoryStore store(file, false);
  int problems = 0;
  for (int i = 0; i < count; ++i) {
    problems += store.Store(drive, Reading(i, "p", "OK", i % 7, {Attribute(9, 99, i)})) ? 1 : 0;
  }
  ::_exit(std::min(problems, 100));
}

TEST(HistoryStore, WritersAtOnceLoseNothingAndReadersNeverWait) {
  ScratchDir dir;
  const std::filesystem::path file = dir / "history.db";
  constexpr int kEach = 150;
  const pid_t first = StoreInChild(file, kDisk, kEach);
  const pid_t second = StoreInChild(file, kOtherDisk, kEach);
  const pid_t third = StoreInChild(file, kDisk, kEach);
  // Meanwhile this process reads, again and again.
  HistoryStore reader(file, false);
  int reads = 0;
  for (int status = 0; ::waitpid(first, &status, WNOHANG) == 0; ++reads) {
    std::vector<DriveHistory> drives;
    const std::optional<HistoryProblem> problem = reader.Read({}, drives);
    ASSERT_FALSE(problem) << problem->message;
  }
  for (const pid_t child : {first, second, third}) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  EXPECT_GT(reads, 0);
  const std::vector<DriveHistory> drives = ReadAll(reader);
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].points.size() + drives[1].points.size(), 3u * kEach);
  EXPECT_EQ(Query(file, "PRAGMA integrity_check"), "ok");
}

TEST(HistoryStore, AWriterKilledAnywhereLeavesASoundFileWithEveryCommittedReading) {
  ScratchDir dir;
  const std::filesystem::path file = dir / "history.db";
  std::mt19937 random(12345);
  int committed_before = 0;
  for (int round = 0; round < 8; ++round) {
    int pipe_ends[2];
    ASSERT_EQ(::pipe(pipe_ends), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(pipe_ends[0]);
      HistoryStore store(file, false);
      for (int i = 0;; ++i) {
        if (!store.Store(kDisk, Reading(i, "p", "OK", i % 50,
                                        {Attribute(9, 99, i), Attribute(241, 100, i * 7)}))) {
          const char done = 1;
          (void)!::write(pipe_ends[1], &done, 1);  // the reading is committed
        }
      }
    }
    ::close(pipe_ends[1]);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 200000));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    int committed = 0;
    char byte = 0;
    while (::read(pipe_ends[0], &byte, 1) == 1) ++committed;
    ::close(pipe_ends[0]);

    ASSERT_EQ(Query(file, "PRAGMA integrity_check"), "ok") << "round " << round;
    HistoryStore reader(file, false);
    const std::vector<DriveHistory> drives = ReadAll(reader);
    const std::size_t held = drives.empty() ? 0 : drives[0].points.size();
    committed_before += committed;
    // Every reading told as committed is there; at most the one under way besides.
    EXPECT_GE(held, static_cast<std::size_t>(committed_before)) << "round " << round;
    EXPECT_LE(held, static_cast<std::size_t>(committed_before + round + 1)) << "round " << round;
  }
}

TEST(HistoryStore, ADamagedFileIsMovedAsideAndANewOneStarted) {
  ScratchDir dir;
  const std::filesystem::path file = dir / "history.db";
  {
    HistoryStore store(file, false);
    for (int i = 0; i < 200; ++i)
      store.Store(kDisk, Reading(i, "p", "OK", 30, {Attribute(9, 99, i)}));
  }
  // Pages of the tables overwritten in the middle of the file.
  {
    std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
    bytes.seekp(4096);
    const std::string garbage(8192, '\x5A');
    bytes.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
  }
  HistoryStore store(file, false);
  const std::optional<HistoryProblem> problem =
      store.Store(kDisk, Reading(5000, "p", "OK", 30, {}));
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->fault, HistoryFault::kCorrupt);
  EXPECT_NE(problem->message.find("moved to"), std::string::npos) << problem->message;
  // The new file holds the reading that met the damage; the damaged one is kept beside it.
  EXPECT_EQ(ReadAll(store).at(0).points.size(), 1u);
  EXPECT_EQ(dir.Names().size(), 4u) << ::testing::PrintToString(dir.Names());
  EXPECT_FALSE(store.Store(kDisk, Reading(5600, "p", "OK", 30, {})));
}

TEST(HistoryStore, ANewerProgramsFileIsLeftAsItIsAndToldOnce) {
  ScratchDir dir;
  const std::filesystem::path file = dir / "history.db";
  Query(file, "PRAGMA user_version = 7");
  const std::string before = testing::ReadWhole(file);
  HistoryStore store(file, false);
  const std::optional<HistoryProblem> first = store.Store(kDisk, Reading(1, "p", "OK", 30, {}));
  const std::optional<HistoryProblem> second = store.Store(kDisk, Reading(2, "p", "OK", 30, {}));
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->fault, HistoryFault::kNewerSchema);
  EXPECT_TRUE(first->first);
  EXPECT_FALSE(second->first);
  EXPECT_TRUE(testing::ReadWhole(file) == before);
}

TEST(HistoryStore, AFileThatCannotBeWrittenIsAProblemNotAFailure) {
  ScratchDir dir;
  const std::filesystem::path file = dir / "history.db";
  { HistoryStore(file, false).Store(kDisk, Reading(1, "p", "OK", 30, {})); }
  std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  std::filesystem::permissions(
      dir.Path(), std::filesystem::perms::owner_all | std::filesystem::perms::others_exec);
  // Root writes any file: a user without rights tries it.
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(90);
    HistoryStore store(file, false);
    const std::optional<HistoryProblem> problem = store.Store(kDisk, Reading(2, "p", "OK", 30, {}));
    if (problem) std::fprintf(stderr, "%s\n", problem->message.c_str());
    ::_exit(!problem ? 91 : problem->fault == HistoryFault::kReadOnly ? 0 : 92);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(HistoryStore, RefusesAnythingButARegularFileAtItsNames) {
  for (const char* name : {"history.db", "history.db-wal", "history.db-journal"}) {
    for (const testing::SpecialCase& special : testing::SpecialCases()) {
      if (special.kind == testing::SpecialKind::kFolder) continue;
      ScratchDir dir;
      if (!testing::MakeSpecial(special.kind, dir / name)) continue;
      const std::string before = testing::Fingerprint(dir / name);
      HistoryStore store(dir / "history.db", false);
      const std::optional<HistoryProblem> problem =
          store.Store(kDisk, Reading(1, "p", "OK", 30, {}));
      ASSERT_TRUE(problem) << name << ": " << special.what;
      EXPECT_EQ(problem->fault, HistoryFault::kRefused) << problem->message;
      EXPECT_EQ(testing::Fingerprint(dir / name), before) << name << ": " << special.what;
    }
  }
}

TEST(HistoryStore, AFullDiskKeepsTheFileAsItWas) {
  ScratchDir dir;
  const std::filesystem::path file = dir / "history.db";
  HistoryStore store(file, false);
  store.Store(kDisk, Reading(1, "p", "OK", 30, {}));
  std::vector<HistoryItem> many;
  for (int id = 1; id < 255; ++id)
    many.push_back({id, 1, 2, 3, Counter128{std::uint64_t{1} << 40, 0}});
  std::optional<HistoryProblem> problem;
  ASSERT_TRUE(testing::WithFileSizeLimit(std::filesystem::file_size(file), [&] {
    for (int i = 2; i < 400 && !problem; ++i) {
      for (HistoryItem& item : many) ++item.raw->low;
      problem = store.Store(kDisk, Reading(i, "p", "OK", 30, many));
    }
  }));
  // The limit on a file's size is told as an I/O error; a full disk as itself.
  ASSERT_TRUE(problem);
  EXPECT_EQ(Query(file, "PRAGMA integrity_check"), "ok");
  const std::vector<DriveHistory> drives = ReadAll(store);
  EXPECT_EQ(Query(file, "SELECT count(*) FROM reading"), std::to_string(drives[0].points.size()));
  EXPECT_EQ(drives[0].ReadingAt(drives[0].points.size() - 1).items.size(),
            drives[0].points.size() == 1 ? 0u : many.size());
}

TEST(HistoryStore, DriveTextsKeepEveryByte) {
  std::string every;
  for (int byte = 0; byte < 256; ++byte) every += static_cast<char>(byte);
  EXPECT_EQ(DriveText(StoredText(every)), every);
  EXPECT_EQ(DriveText("a\xE2\x82\xAC"
                      "b\xFF"),
            "a?b?");
}

}  // namespace
}  // namespace kestrine

namespace kestrine {
namespace {

// A read writes nothing, and says what the file is when it is no history it can read.
TEST(HistoryStore, AReadWritesNothingAndNamesWhatItCannotRead) {
  struct Case {
    const char* what;
    std::function<void(const std::filesystem::path&)> make;
    const char* told;  // in the problem; nullptr: no problem and no drive
  };
  const Case cases[] = {
      {"an empty file", [](const auto& file) { std::ofstream(file).flush(); }, nullptr},
      {"text", [](const auto& file) { std::ofstream(file) << std::string(4096, 'x'); },
       "This is not a Kestrine history ("},
      {"another program's database", [](const auto& file) { Query(file, "CREATE TABLE t (x)"); },
       "This is not a Kestrine history ("},
      {"a damaged history",
       [](const auto& file) {
         { HistoryStore(file, false).Store(kDisk, Reading(1, "p", "OK", 30, {})); }
         std::fstream bytes(file, std::ios::in | std::ios::out | std::ios::binary);
         bytes.seekp(4096);
         bytes << std::string(4096, '\xA5');
       },
       "is damaged"},
  };
  for (const Case& test : cases) {
    ScratchDir dir;
    const std::filesystem::path file = dir / "history.db";
    test.make(file);
    const std::string before = testing::ReadWhole(file);
    std::vector<DriveHistory> drives;
    const std::optional<HistoryProblem> problem = HistoryStore(file, false).Read({}, drives);
    if (test.told == nullptr) {
      EXPECT_FALSE(problem) << test.what << ": " << problem->message;
    } else {
      ASSERT_TRUE(problem) << test.what;
      EXPECT_NE(problem->message.find(test.told), std::string::npos) << problem->message;
    }
    EXPECT_TRUE(drives.empty()) << test.what;
    EXPECT_TRUE(testing::ReadWhole(file) == before) << test.what;
  }
}

// A history in WAL mode, read by a user who may not make SQLite's shared-memory file beside it.
TEST(HistoryStore, AnotherUserReadsAHistoryInAFolderItCannotWrite) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to read as another user";
  ScratchDir dir;
  const std::filesystem::path file = dir / "history.db";
  { HistoryStore(file, false).Store(kDisk, Reading(1, "p", "OK", 30, {})); }
  ASSERT_EQ(Query(file, "PRAGMA journal_mode"), "wal");
  std::filesystem::permissions(file, std::filesystem::perms::others_read,
                               std::filesystem::perm_options::add);
  std::filesystem::permissions(
      dir.Path(), std::filesystem::perms::owner_all | std::filesystem::perms::others_exec);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(90);
    std::vector<DriveHistory> drives;
    const std::optional<HistoryProblem> problem = HistoryStore(file, false).Read({}, drives);
    if (problem) std::fprintf(stderr, "%s\n", problem->message.c_str());
    ::_exit(problem ? 91 : drives.size() == 1 ? 0 : 92);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// As root: a file or a folder on the way that another user could swap is refused, and a folder
// is never made through a link.
TEST(HistoryStore, RefusesWhatAnotherUserCouldSwapAndMakesNoFolderThroughALink) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give files away";
  ScratchDir dir;
  std::filesystem::create_directories(dir / "real");
  std::filesystem::create_directory_symlink(dir / "real", dir / "link");
  std::filesystem::create_directories(dir / "theirs" / "mine");
  ASSERT_EQ(::chown((dir / "theirs").c_str(), 65534, 65534), 0);
  std::ofstream(dir / "their.db").flush();
  ASSERT_EQ(::chown((dir / "their.db").c_str(), 65534, 65534), 0);
  for (const std::filesystem::path& file :
       {dir / "link" / "new" / "history.db", dir / "theirs" / "mine" / "history.db",
        dir / "their.db"}) {
    const std::optional<HistoryProblem> problem =
        HistoryStore(file, false).Store(kDisk, Reading(1, "p", "OK", 30, {}));
    ASSERT_TRUE(problem) << file;
    EXPECT_EQ(problem->fault, HistoryFault::kRefused) << problem->message;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "real" / "new"));
  EXPECT_EQ(std::filesystem::file_size(dir / "their.db"), 0u);
}

// A device that gives a new serial at each reading adds drives up to the cap, then is told.
TEST(HistoryStore, CapsTheDrivesKeptOfOnePath) {
  ScratchDir dir;
  HistoryStore store(dir / "history.db", false);
  std::optional<HistoryProblem> problem;
  int kept = 0;
  for (; kept <= kMaxDrivesPerPath && !problem; ++kept)
    problem =
        store.Store({"BRIDGE", std::to_string(kept), "1", "ATA"}, Reading(kept, "p", {}, {}, {}));
  ASSERT_TRUE(problem);
  EXPECT_EQ(kept, kMaxDrivesPerPath + 1);
  EXPECT_EQ(problem->fault, HistoryFault::kCapped) << problem->message;
  EXPECT_FALSE(store.Store({"BRIDGE", "0", "1", "ATA"}, Reading(99, "p", {}, {}, {})));
}

}  // namespace
}  // namespace kestrine
