#include "history_report.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "cli_run.h"
#include "drive_path.h"
#include "file_target.h"
#include "file_writer.h"
#include "history_page.h"
#include "history_statistics.h"
#include "history_store.h"
#include "history_summary.h"
#include "latin1_text.h"
#include "nvme_decode.h"

namespace kestrine {

namespace {

using Json = nlohmann::ordered_json;

constexpr char kProgram[] = "kestrine-cli";

std::string Average(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string IsoTime(std::int64_t time) {
  std::string text = UtcTimeText(time);
  text[10] = 'T';
  return text + "Z";
}

std::string ItemLabel(int id) {
  const std::string number =
      id >= kNvmeItemBase ? "NVMe " + std::to_string(id - kNvmeItemBase) : std::to_string(id);
  return number + " " + HistoryItemName(id);
}

// An NVMe sixteen-byte counter as a decimal string, as the readings' JSON gives it (a JSON
// number loses digits beyond 2^53); every other value as a number.
Json RawJson(int id, const Counter128& value) {
  const int field = id - kNvmeItemBase;
  const bool wide = field >= 1 && field <= static_cast<int>(kNvmeHealthFieldCount) &&
                    kNvmeHealthFields[static_cast<std::size_t>(field - 1)].size == 16;
  return wide ? Json(DecimalText(value)) : Json(value.low);
}

// The temperature of a stretch of days: its lowest, the average of its days' averages, its
// highest.
struct StretchTemperature {
  std::string label;
  int minimum = 0;
  int maximum = 0;
  double average = 0;
};

// The days as they are, or per week (from Monday) or per month when there are too many to read.
std::vector<StretchTemperature> TemperatureTable(const std::vector<DayTemperature>& days,
                                                 bool every_day, std::string& per) {
  constexpr double kWeek = 7 * kSecondsPerDay;
  // In floating point: the days of a damaged history may lie anywhere.
  const double weeks =
      days.empty()
          ? 0
          : (static_cast<double>(days.back().day) - static_cast<double>(days.front().day)) / kWeek;
  const bool by_day = every_day || days.size() <= kMostDaysShown;
  const bool by_week = !by_day && weeks < static_cast<double>(kMostDaysShown);
  per = by_day ? "day" : by_week ? "week (from Monday)" : "month";
  std::vector<StretchTemperature> rows;
  std::size_t days_in_row = 0;
  for (const DayTemperature& day : days) {
    std::string label = UtcDayText(day.day);
    if (by_week) {
      label = UtcDayText(WeekOf(day.day));
    } else if (!by_day) {
      label.resize(7);  // "2026-12"
    }
    if (rows.empty() || rows.back().label != label) {
      rows.push_back({label, day.minimum, day.maximum, day.average});
      days_in_row = 1;
      continue;
    }
    StretchTemperature& row = rows.back();
    row.minimum = std::min(row.minimum, day.minimum);
    row.maximum = std::max(row.maximum, day.maximum);
    ++days_in_row;
    row.average += (day.average - row.average) / static_cast<double>(days_in_row);
  }
  return rows;
}

}  // namespace

void RenderHistoryText(const std::vector<DriveOverview>& drives, std::ostream& out,
                       bool every_day) {
  if (drives.empty()) out << "The history holds no reading of the drives asked for.\n";
  bool first_drive = true;
  for (const DriveOverview& history : drives) {
    if (!std::exchange(first_drive, false)) out << '\n';
    const DriveSummary& summary = history.summary;
    out << "Drive: " << TerminalText(history.drive.model)
        << "  Serial: " << TerminalText(history.drive.serial)
        << "  Firmware: " << TerminalText(history.drive.firmware) << "  ("
        << TerminalText(history.drive.family) << ")\n";
    out << "  Last read at: " << TerminalText(history.latest_path) << '\n';
    out << "  Readings: " << summary.readings;
    if (summary.readings == 0) {
      out << " in the time asked for\n";
      continue;
    }
    out << ", first " << UtcTimeText(summary.first) << " UTC, last " << UtcTimeText(summary.last)
        << " UTC\n";
    if (history.wear_out)
      out << "  Worn out by (projected): " << WearOutText(*history.wear_out) << '\n';
    out << "  Condition:\n";
    for (const ConditionChange& change : summary.conditions) {
      out << "    " << UtcTimeText(change.time) << "  "
          << (change.condition.empty() ? "not decided" : TerminalText(change.condition)) << '\n';
    }
    if (!summary.counters.empty()) out << "  Watched counters (raw value since):\n";
    for (const CounterChanges& counter : summary.counters) {
      out << "    " << ItemLabel(counter.id) << '\n';
      for (const TimedValue& change : counter.changes)
        out << "      " << UtcTimeText(change.time) << "  " << DecimalText(change.value) << '\n';
    }
    std::string per;
    const std::vector<StretchTemperature> rows = TemperatureTable(summary.days, every_day, per);
    if (!rows.empty()) {
      out << "  Temperature per " << per << " (lowest / average / highest, " << TerminalText("\xB0")
          << "C):\n";
    }
    for (const StretchTemperature& row : rows) {
      out << "    " << row.label << "  " << row.minimum << " / " << Average(row.average) << " / "
          << row.maximum << '\n';
    }
  }
}

std::string RenderHistoryJson(const std::string& file, const std::vector<DriveOverview>& drives) {
  Json list = Json::array();
  for (const DriveOverview& history : drives) {
    const DriveSummary& summary = history.summary;
    Json conditions = Json::array();
    for (const ConditionChange& change : summary.conditions) {
      conditions.push_back(
          {{"time", IsoTime(change.time)},
           {"condition", change.condition.empty() ? Json(nullptr) : Json(change.condition)}});
    }
    Json counters = Json::array();
    for (const CounterChanges& counter : summary.counters) {
      Json changes = Json::array();
      for (const TimedValue& change : counter.changes)
        changes.push_back(
            {{"time", IsoTime(change.time)}, {"raw", RawJson(counter.id, change.value)}});
      counters.push_back({{"id", counter.id},
                          {"name", Latin1ToUtf8(HistoryItemName(counter.id))},
                          {"changes", std::move(changes)}});
    }
    Json days = Json::array();
    for (const DayTemperature& day : summary.days) {
      days.push_back({{"day", UtcDayText(day.day)},
                      {"lowest", day.minimum},
                      {"average", std::stod(Average(day.average))},
                      {"highest", day.maximum}});
    }
    list.push_back({{"model", Latin1ToUtf8(history.drive.model)},
                    {"serial", Latin1ToUtf8(history.drive.serial)},
                    {"firmware", Latin1ToUtf8(history.drive.firmware)},
                    {"family", Latin1ToUtf8(history.drive.family)},
                    {"last_path", Latin1ToUtf8(history.latest_path)},
                    {"readings", summary.readings},
                    {"first", summary.readings ? Json(IsoTime(summary.first)) : Json(nullptr)},
                    {"last", summary.readings ? Json(IsoTime(summary.last)) : Json(nullptr)},
                    {"conditions", std::move(conditions)},
                    {"counters", std::move(counters)},
                    {"temperature_per_day", std::move(days)},
                    {"wear_out", history.wear_out
                                     ? Json{{"day", UtcDayText(history.wear_out->worn_out_at)},
                                            {"percent_per_day", history.wear_out->percent_per_day}}
                                     : Json(nullptr)}});
  }
  Json document{{"history", file}, {"drives", std::move(list)}};
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

int RunHistory(const CliOptions& options, const CliEnvironment& environment, std::ostream& out,
               std::ostream& err) {
  const HistoryLocation location =
      environment.history_location ? environment.history_location() : HistoryLocation{};
  if (location.file.empty()) {
    err << kProgram << ": there is no history: no folder to keep it in\n";
    return kExitError;
  }
  // A name given by hand that names nothing is a mistake (a typo), not an empty history.
  std::error_code missing;
  if (!std::filesystem::exists(std::filesystem::symlink_status(location.file, missing))) {
    const std::string shown = TerminalText(PrintableFileName(location.file.string()));
    if (options.history_file) {
      err << kProgram << ": the history \"" << shown << "\" does not exist\n";
      return kExitError;
    }
    err << kProgram << ": no reading has been kept yet; the history would be \"" << shown << "\"\n";
  }
  HistoryQuery query;
  query.serials = options.serials;
  for (const std::string& drive : options.drives) {
    // The path as the selector takes it, and in the letter case the drive list writes it.
    const std::string path = DriveSelectorText(drive);
    query.paths.push_back(path);
    if (const std::optional<std::uint32_t> number = PhysicalDriveNumber(path))
      query.paths.push_back(DriveDevicePath(static_cast<int>(*number)));
  }
  query.from = options.since;
  query.until = options.until;
  query.items = WatchedItems();
  // The endurance used too, for the wear-out projection.
  query.items.push_back(kPercentageUsedItem);
  HistoryStore store(location.file, location.machine_wide);
  const auto failed = [&err](const std::optional<HistoryProblem>& problem) {
    if (problem) err << kProgram << ": " << TerminalText(problem->message) << '\n';
    return problem.has_value();
  };
  const std::string file = PrintableFileName(location.file.string());
  if (options.history_page) {
    // The page draws every reading; the text and JSON need only the summaries.
    std::vector<DriveHistory> drives;
    if (failed(store.Read(query, drives))) return kExitError;
    const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count();
    if (const std::optional<FileError> error =
            ReplaceFileSafely(*options.history_page, BuildHistoryPage(drives, now))) {
      err << kProgram << ": cannot write \""
          << TerminalText(PrintableFileName(*options.history_page)) << "\": " << error->Reason()
          << '\n';
      return kExitError;
    }
  } else {
    std::vector<DriveOverview> drives;
    if (failed(store.ReadSummaries(query, drives))) return kExitError;
    // The wear-out from the readings of the endurance used alone.
    query.items = {kPercentageUsedItem};
    std::vector<DriveHistory> used;
    if (failed(store.Read(query, used))) return kExitError;
    for (DriveOverview& drive : drives) {
      for (const DriveHistory& history : used) {
        if (history.drive.model == drive.drive.model && history.drive.serial == drive.drive.serial)
          drive.wear_out = HistoryWearOut(history);
      }
    }
    if (options.json) {
      out << RenderHistoryJson(file, drives);
    } else {
      RenderHistoryText(drives, out, options.every_day);
    }
  }
  out.flush();
  if (!out) {
    err << kProgram << ": standard output cannot be written\n";
    return kExitError;
  }
  return kExitOk;
}

}  // namespace kestrine
