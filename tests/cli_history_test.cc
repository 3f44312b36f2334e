// kestrine-cli and the history: which reads are kept, what --history shows of them, and the
// history page's handling of the drives' own texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "cli_support.h"
#include "demo_drives.h"
#include "drive_number.h"
#include "history_page.h"
#include "history_report.h"
#include "history_store.h"
#include "history_summary.h"
#include "nvme_layout.h"
#include "sim_bay.h"
#include "window_history.h"

namespace kestrine {
namespace {

using testing::CliResult;
using testing::RunCliWith;
using testing::ScratchDir;

TEST(CliHistory, KeepsEveryRealDriveReadAndShowsItsCountersAndCondition) {
  ScratchDir dir;
  const std::string file = (dir / "history.db").string();
  SimBay bay;
  AddDemoDrives(bay);
  const std::string pending = std::to_string(kDemoPendingSectors);
  const std::string worn = std::to_string(kDemoWornNvmeSsd);
  EXPECT_EQ(RunCliWith({"--history-file", file, "--drive", pending}, &bay).status, kExitWarning);
  EXPECT_EQ(RunCliWith({"--history-file", file, "--drive", pending, "--drive", worn}, &bay).status,
            kExitCritical);
  // Not kept: told not to, or a snapshot file rather than a drive.
  RunCliWith({"--history-file", file, "--drive", pending, "--no-history"}, &bay);
  const std::string snapshot = (dir / "disk.blob").string();
  RunCliWith({"--save", snapshot, "--drive", pending, "--no-history"}, &bay);
  RunCliWith({"--history-file", file, "--load", snapshot});

  const CliResult shown = RunCliWith({"--history", "--history-file", file, "--json"});
  ASSERT_EQ(shown.status, kExitOk) << shown.err;
  const nlohmann::json drives = nlohmann::json::parse(shown.out)["drives"];
  ASSERT_EQ(drives.size(), 2u) << shown.out;
  EXPECT_EQ(drives[0]["readings"], 2);
  EXPECT_EQ(drives[0]["conditions"][0]["condition"], "WARNING");
  EXPECT_EQ(drives[1]["family"], "NVMe");
  EXPECT_EQ(drives[1]["conditions"][0]["condition"], "CRITICAL");
  const auto has_counter = [](const nlohmann::json& drive, int id) {
    return std::ranges::any_of(drive["counters"], [id](const auto& c) { return c["id"] == id; });
  };
  EXPECT_TRUE(has_counter(drives[0], 197)) << drives[0]["counters"];
  EXPECT_TRUE(has_counter(drives[1], kNvmeItemBase + 1)) << drives[1]["counters"];

  // Chosen by the path it was read at, and by a time range that holds nothing.
  const CliResult by_path =
      RunCliWith({"--history", "--history-file", file, "--json", "--drive", worn});
  EXPECT_EQ(nlohmann::json::parse(by_path.out)["drives"].size(), 1u);
  // As when reading drives: the path in any letter case, or the Linux disk's name.
  for (const char* path : {"\\\\.\\physicalDrive7", "/dev/sdh"}) {
    const CliResult typed =
        RunCliWith({"--history", "--history-file", file, "--json", "--drive", path});
    EXPECT_EQ(nlohmann::json::parse(typed.out)["drives"].size(), 1u) << path << typed.err;
  }
  const CliResult old =
      RunCliWith({"--history", "--history-file", file, "--json", "--until", "2001-01-01"});
  EXPECT_EQ(nlohmann::json::parse(old.out)["drives"][0]["readings"], 0);
  EXPECT_EQ(RunCliWith({"--history", "--history-file", file, "--since", "2026-02-30"}).status,
            kExitError);
}

// A run from cron compares each drive with the reading the last run kept, whole 128-bit
// counters and all.
TEST(CliHistory, TellsWhatRoseSinceTheLastRunsReading) {
  ScratchDir dir;
  const std::string file = (dir / "history.db").string();
  SimBay bay;
  AddDemoDrives(bay);
  const std::string nvme = std::to_string(kDemoNvmeSsd);
  auto& health = bay.FindDrive(kDemoNvmeSsd)->image.nvme->health;
  health[nvme_health::kMediaErrors + 8] = 1;  // 2^64
  RunCliWith({"--history-file", file, "--drive", nvme}, &bay);
  health[nvme_health::kMediaErrors] = 5;
  const CliResult rose = RunCliWith({"--history-file", file, "--drive", nvme}, &bay);
  EXPECT_NE(rose.out.find("Changed: Media and Data Integrity Errors rose from "
                          "18446744073709551616 to 18446744073709551621\n"),
            std::string::npos)
      << rose.out;
  EXPECT_EQ(RunCliWith({"--history-file", file, "--drive", nvme}, &bay).out.find("Changed:"),
            std::string::npos);
}

// --history reads: a file named by hand that is not there is a mistake, an empty file stays empty.
TEST(CliHistory, AReadNamesAMissingFileAndMakesNone) {
  ScratchDir dir;
  const std::string nope = (dir / "nope.db").string();
  const CliResult missing = RunCliWith({"--history", "--history-file", nope});
  EXPECT_EQ(missing.status, kExitError);
  EXPECT_NE(missing.err.find("nope.db\" does not exist"), std::string::npos) << missing.err;
  EXPECT_FALSE(std::filesystem::exists(nope));
  const std::string empty = (dir / "empty.db").string();
  std::ofstream(empty).flush();
  EXPECT_EQ(RunCliWith({"--history", "--history-file", empty}).status, kExitOk);
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);
  // None named and none kept yet: where it would be.
  CliEnvironment environment;
  environment.history_location = [&dir] { return HistoryLocation{dir / "state" / "h.db", false}; };
  std::ostringstream out, err;
  EXPECT_EQ(CliMain({"--history"}, environment, out, err), kExitOk);
  EXPECT_NE(err.str().find("the history would be \"" + (dir / "state" / "h.db").string()),
            std::string::npos)
      << err.str();
  EXPECT_FALSE(std::filesystem::exists(dir / "state"));
}

TEST(WindowHistory, KeepsEachRefreshThatReadADriveAndTellsAProblemOnce) {
  ScratchDir dir;
  testing::FormFixture window;
  AddDemoDrives(window.bay);
  HistoryRecorder recorder({dir / "history.db", false}, kWindowProgramName);
  KeepReadingsIn(window.form, recorder);
  window.ui.ComboBox1.text = DriveDevicePath(kDemoHealthyDisk);
  window.Run([](TForm1& form) { form.Refresh1Click(); });
  window.ui.ComboBox1.text = DriveDevicePath(kDemoCardReader);  // answers no IDENTIFY
  window.Run([](TForm1& form) { form.Refresh1Click(); });
  window.ui.ComboBox1.text = DriveDevicePath(kDemoNvmeSsd);
  window.Run([](TForm1& form) { form.Refresh1Click(); });
  std::vector<DriveHistory> drives;
  HistoryStore(dir / "history.db", false).Read({}, drives);
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(drives[0].ReadingAt(0).program, "kestrine");
  EXPECT_EQ(drives[1].drive.family, "NVMe");
  // The same window with its history's place taken by a folder: one message, not one a refresh,
  // and none from the timer, which may come while the window is in the tray.
  std::filesystem::create_directories(dir / "taken.db");
  HistoryRecorder blocked({dir / "taken.db", false}, kWindowProgramName);
  KeepReadingsIn(window.form, blocked);
  window.ui.App.TakeMessages();
  window.Run([](TForm1& form) { form.Timer2Timer(); });
  EXPECT_TRUE(window.ui.App.TakeMessages().empty());
  for (int i = 0; i < 3; ++i) window.Run([](TForm1& form) { form.Refresh1Click(); });
  EXPECT_EQ(window.ui.App.TakeMessages().size(), 1u);
}

// Refused before the history is opened, as reading drives refuses them.
TEST(CliHistory, RefusesAnEmptyOrBackwardTimeRangeTheDemoAndBadDrives) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--since", ""}, "--since: \"\" is no time; write 2026-12-07"},
      {{"--until", ""}, "--until: \"\" is no time"},
      {{"--since", "2026-12-08", "--until", "2026-12-07"}, "is after --until \"2026-12-07\""},
      {{"--demo"}, "--demo"},
      {{"--drive", "0x10"}, "'0x10' is not a valid integer value"},
      {{"--drive", "/dev/sda1"}, "names no whole disk"},
  };
  for (const auto& [arguments, message] : cases) {
    std::vector<std::string> all = {"--history", "--history-file", "unused.db"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const CliResult result = RunCliWith(all);
    EXPECT_EQ(result.status, kExitError) << message;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
  }
  EXPECT_FALSE(std::filesystem::exists("unused.db"));
}

// Beyond 31 days the text's temperature table has a row per week, beyond 31 weeks per month.
TEST(HistoryText, CutsALongTemperatureTableToWeeksOrMonths) {
  const struct {
    int days;
    bool every_day;
    const char* header;
    std::size_t rows;
    const char* first_row;
  } cases[] = {
      {31, false, "per day", 31, "2026-12-07  30 / 30.0 / 30"},
      {60, false, "per week (from Monday)", 9, "2026-12-07  30 / 33.0 / 36"},
      {60, true, "per day", 60, "2026-12-07  30 / 30.0 / 30"},
      {400, false, "per month", 14, "2026-12  30 / 32.8 / 36"},
  };
  for (const auto& c : cases) {
    DriveOverview drive;
    drive.summary.readings = 1;
    for (int i = 0; i < c.days; ++i) {
      const int degrees = 30 + i % 7;
      drive.summary.days.push_back(
          {1796601600 + i * kSecondsPerDay, degrees, degrees, static_cast<double>(degrees)});
    }
    std::ostringstream out;
    RenderHistoryText({drive}, out, c.every_day);
    const std::string text = out.str();
    EXPECT_NE(text.find(std::string("Temperature ") + c.header), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("    ") + c.first_row + "\n"), std::string::npos) << text;
    const std::size_t at = text.find("C):\n");
    EXPECT_EQ(std::ranges::count(text.substr(at), '\n') - 1, static_cast<long>(c.rows)) << text;
  }
}

TEST(HistoryTimes, ReadsTheTimesTheOptionsTakeAndNothingElse) {
  struct Case {
    const char* text;
    bool end_of_day;
    std::optional<std::int64_t> time;
  };
  const Case cases[] = {
      {"2026-12-07", false, 1796601600},
      {"2026-12-07", true, 1796601600 + 86399},
      {"2026-12-07T19:30", false, 1796601600 + 19 * 3600 + 1800},
      {"2026-12-07 19:30:05Z", true, 1796601600 + 19 * 3600 + 1805},
      {"2024-02-29", false, 1709164800},
      {"1969-12-31T23:59:59", false, -1},
      {"2026-02-29", false, std::nullopt},
      {"2026-12-07T24:00", false, std::nullopt},
      {"2026-12-7", false, std::nullopt},
      {"2026-12-07T19", false, std::nullopt},
      {"2026-12-07T19:30:05+01", false, std::nullopt},
      {"", false, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseUtcTime(c.text, c.end_of_day), c.time) << c.text;
    if (c.time && !c.end_of_day) {
      EXPECT_EQ(ParseUtcTime(UtcTimeText(*c.time), false), c.time) << c.text;
    }
  }
}

TEST(HistorySummary, TellsConditionChangesCounterStepsAndEachDaysTemperatures) {
  DriveHistory history;
  const std::uint32_t ok = history.TextIndex("OK");
  const std::uint32_t warning = history.TextIndex("WARNING");
  const std::int64_t day = 1796601600;
  history.points = {{day, 30, 0, 0, ok, 0},
                    {day + 600, 40, 0, 0, ok, 0},
                    {day + 86400, std::nullopt, 0, 0, warning, 0},
                    {day + 86400 + 600, 35, 0, 0, 0, 0}};
  history.item_changes = {{0, {197, 100, 100, 0, Counter128{0}}},
                          {0, {9, 99, 99, 0, Counter128{5}}},
                          {2, {197, 100, 100, 0, Counter128{8}}},
                          {3, {197, 100, 100, 0, Counter128{8}}}};
  const DriveSummary summary = Summarize(history);
  ASSERT_EQ(summary.conditions.size(), 3u);
  EXPECT_EQ(summary.conditions[1].condition, "WARNING");
  EXPECT_EQ(summary.conditions[2].condition, "");  // not decided
  ASSERT_EQ(summary.counters.size(), 1u);          // 9 is not watched
  ASSERT_EQ(summary.counters[0].changes.size(), 2u);
  EXPECT_EQ(summary.counters[0].changes[1].time, day + 86400);
  ASSERT_EQ(summary.days.size(), 2u);
  EXPECT_EQ(summary.days[0].minimum, 30);
  EXPECT_EQ(summary.days[0].maximum, 40);
  EXPECT_DOUBLE_EQ(summary.days[0].average, 35);
  EXPECT_EQ(summary.days[1].minimum, 35);
}

TEST(HistoryPage, WritesTheDrivesTextsAsTextNeverAsMarkup) {
  DriveHistory history;
  history.drive = {"<script>alert('x')</script> & \"q\"\x01\xE9", "S/N<1>", "FW", "ATA"};
  history.latest_path = "\\\\.\\PHYSICALDRIVE0";
  history.points.push_back({1767225600, 35, history.TextIndex("kestrine-cli"),
                            history.TextIndex(history.latest_path), history.TextIndex("OK"), 0});
  history.item_changes.push_back({0, {197, 100, 100, 0, Counter128{8}}});
  const std::string page = BuildHistoryPage({history}, 1767225600);
  EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;"
                      "\\x01\xC3\xA9"),
            std::string::npos);
  EXPECT_NE(page.find("S/N&lt;1&gt;"), std::string::npos);
  // Self-contained: no script, nothing fetched.
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("://"), std::string::npos);
  EXPECT_EQ(page.find(" src="), std::string::npos);
  EXPECT_EQ(page.find(" href="), std::string::npos);
}

// One reading is a point; the axes have grid lines at round values and at whole days or Mondays.
TEST(HistoryPage, DrawsAReadingAloneAndRoundTicks) {
  DriveHistory history;
  const std::uint32_t ok = history.TextIndex("OK");
  history.points.push_back({1796601600 + 3600, 37, 0, 0, ok, 0});  // Monday 2026-12-07
  EXPECT_NE(BuildHistoryPage({history}, 0).find("<circle class=\"temperature\""),
            std::string::npos);
  history.points.push_back({1796601600 + 40 * kSecondsPerDay, 48, 0, 0, ok, 0});
  const std::string page = BuildHistoryPage({history}, 0);
  EXPECT_EQ(page.find("<circle"), std::string::npos);
  for (const char* label : {">2026-12-14</text>", ">2027-01-11</text>", ">35</text>", ">50</text>"})
    EXPECT_NE(page.find(label), std::string::npos) << label;
  EXPECT_EQ(page.find(">2026-12-08</text>"), std::string::npos);  // not a Monday
  EXPECT_NE(page.find("<line class=\"grid\""), std::string::npos);
}

}  // namespace
}  // namespace kestrine
