// The history: one reading stored (its own transaction, as the programs store it), --history
// over a year of ten-minute readings of eight drives, and the size a drive-year takes.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <filesystem>
#include <random>
#include <sstream>
#include <string>

#include "cli_run.h"
#include "history_rows.h"
#include "history_store.h"

namespace kestrine {
namespace {

namespace fs = std::filesystem;

constexpr int kReadingsPerYear = 365 * 24 * 6;
constexpr std::int64_t kStart = 1767225600;  // 2026-01-01 00:00 UTC

// A year of a busy disk's readings: thirty attributes, of which per ten minutes the data
// written and read always change, the temperature (194, 190) often, the power-on hours every
// hour, pending sectors and the condition twice a year.
class DriveYear {
 public:
  explicit DriveYear(unsigned seed) : random_(seed) {
    for (int id : {1,   3,   4,   5,   7,   9,   10,  12,  183, 184, 187, 188, 189, 190, 191,
                   192, 193, 194, 195, 196, 197, 198, 199, 200, 240, 241, 242, 1,   2,   8}) {
      reading_.items.push_back({id, 100, 100, id == 5 ? 36 : 0, Counter128{}});
    }
    std::ranges::sort(reading_.items, {}, &HistoryItem::id);
    reading_.program = "kestrine-cli";
    reading_.path = "\\\\.\\PHYSICALDRIVE0";
    reading_.condition = "OK";
  }

  const HistoryReading& Next(int index) {
    reading_.time = kStart + index * 600;
    temperature_ = std::clamp(temperature_ + static_cast<int>(random_() % 3) - 1, 28, 46);
    reading_.temperature = temperature_;
    for (HistoryItem& item : reading_.items) {
      switch (item.id) {
        case 9:
          item.raw = Counter128{static_cast<std::uint64_t>(index / 6), 0};
          break;
        case 190:
        case 194:
          item.raw = Counter128{static_cast<std::uint64_t>(temperature_), 0};
          item.current = 100 - temperature_;
          break;
        case 241:
        case 242:
          item.raw->low += random_() % 100000;
          break;
        case 197:
          item.raw = Counter128{index > kReadingsPerYear / 2 ? 8u : 0u, 0};
          break;
        default:
          break;
      }
    }
    reading_.condition = index > kReadingsPerYear / 2 ? "WARNING" : "OK";
    return reading_;
  }

 private:
  std::mt19937 random_;
  HistoryReading reading_;
  int temperature_ = 35;
};

HistoryDrive DriveNumber(int number) {
  return {"BENCH DISK " + std::to_string(number), "SERIAL" + std::to_string(number), "1.0", "ATA"};
}

// `drives` drives written into `file` in one transaction (storing them one by one would take
// minutes): `readings` of each, the i-th made by `reading(year, drive, i)`.
template <typename MakeReading>
void WriteDrives(const fs::path& file, int drives, int readings, MakeReading reading) {
  fs::remove(file);
  { HistoryStore(file, false).Store(DriveNumber(0), DriveYear(0).Next(0)); }
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_exec(db,
               "DELETE FROM item; DELETE FROM reading; DELETE FROM latest_item; DELETE FROM "
               "day; DELETE FROM drive; BEGIN",
               nullptr, nullptr, nullptr);
  for (int drive = 0; drive < drives; ++drive) {
    DriveYear year(static_cast<unsigned>(drive));
    for (int i = 0; i < readings; ++i)
      WriteReadingRows(db, DriveNumber(drive), reading(year, drive, i));
  }
  sqlite3_exec(db, "COMMIT; VACUUM", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

// `drives` drive-years.
void WriteYears(const fs::path& file, int drives) {
  WriteDrives(file, drives, kReadingsPerYear,
              [](DriveYear& year, int, int i) { return year.Next(i); });
}

void BM_StoreOneReading(benchmark::State& state) {
  const fs::path file = fs::temp_directory_path() / "kestrine-bench-store.db";
  fs::remove(file);
  HistoryStore store(file, false);
  DriveYear year(1);
  int index = 0;
  for (auto _ : state) {
    if (store.Store(DriveNumber(0), year.Next(index++))) state.SkipWithError("not stored");
  }
  fs::remove(file);
  fs::remove(file.string() + "-wal");
  fs::remove(file.string() + "-shm");
}
BENCHMARK(BM_StoreOneReading)->Unit(benchmark::kMillisecond);

void BM_HistoryOfAYearOfEightDrives(benchmark::State& state) {
  const fs::path file = fs::temp_directory_path() / "kestrine-bench-year8.db";
  if (!fs::exists(file)) WriteYears(file, 8);
  CliEnvironment environment;
  environment.history_location = [&file] { return HistoryLocation{file, false}; };
  CliOptions options;
  options.history = true;
  options.json = state.range(0) == 1;
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    if (RunCli(options, environment, out, err) != kExitOk) state.SkipWithError("failed");
    benchmark::DoNotOptimize(out.str().size());
  }
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(file));
}
BENCHMARK(BM_HistoryOfAYearOfEightDrives)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// --history over a fleet's file: `state.range(0)` drives of three readings each, a watched
// counter rising in the last. Its time grows with the number of readings, not with their square.
void BM_HistoryOfManyDrives(benchmark::State& state) {
  const int drives = static_cast<int>(state.range(0));
  const fs::path file =
      fs::temp_directory_path() / ("kestrine-bench-fleet" + std::to_string(drives) + ".db");
  if (!fs::exists(file)) {
    WriteDrives(file, drives, 3, [](DriveYear& year, int drive, int i) {
      HistoryReading reading = year.Next(i * kReadingsPerYear / 3);
      reading.path = "/dev/sd" + std::to_string(drive);
      return reading;
    });
  }
  CliEnvironment environment;
  environment.history_location = [&file] { return HistoryLocation{file, false}; };
  CliOptions options;
  options.history = true;
  for (auto _ : state) {
    std::ostringstream out;
    std::ostringstream err;
    if (RunCli(options, environment, out, err) != kExitOk) state.SkipWithError("failed");
    benchmark::DoNotOptimize(out.str().size());
  }
}
BENCHMARK(BM_HistoryOfManyDrives)
    ->Arg(2000)
    ->Arg(20000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Not a speed: the size of one drive-year, as counters.
void BM_SizeOfADriveYear(benchmark::State& state) {
  const fs::path file = fs::temp_directory_path() / "kestrine-bench-year1.db";
  for (auto _ : state) WriteYears(file, 1);
  state.counters["file_bytes"] = static_cast<double>(fs::file_size(file));
  fs::remove(file);
}
BENCHMARK(BM_SizeOfADriveYear)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kestrine
