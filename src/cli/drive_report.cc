#include "drive_report.h"

#include <cctype>

#include "condition_text.h"
#include "drive_number.h"

namespace kestrine {

namespace {

std::string ViewKey(std::string_view name) {
  std::string key;
  for (const char c : name) {
    if (c == ' ' || c == '-' || c == '_') continue;
    key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return key;
}

}  // namespace

DriveReport UnreadDrive(const std::string& path) {
  DriveReport report;
  report.path = path;
  try {
    report.drive_number = DriveNumberFromText(path);
  } catch (const EConvertError&) {
    report.drive_number.reset();
  }
  for (std::size_t page = 0; page < kPages.size(); ++page) {
    report.views[page].name = kPages[page].caption;
    for (const Column& column : kPages[page].columns)
      report.views[page].columns.emplace_back(column.caption);
  }
  return report;
}

void ShowRead(const SessionResult& read, DriveReport& report) {
  const DriveReading& reading = read.reading;
  // The status bar names bus and method once the drive answered IDENTIFY, and the condition
  // label shows a condition once the refresh has judged the drive's health data.
  report.status_bar = ReadStatusText(read.bus_type, reading.family, reading.usb_bridge);
  report.bus_type = read.bus_type;
  if (reading.parts.health) {
    report.condition = std::string(ConditionText(reading.condition));
    report.tray_hint = ConditionHintText(report.path, TemperatureText(reading), *report.condition);
  } else {
    report.tray_hint = HealthNotReadHintText(report.path);
  }
  const DriveViews views = DriveViewRows(reading);
  for (std::size_t page = 0; page < kPages.size(); ++page) {
    ViewReport& view = report.views[page];
    const int list_view = kPages[page].list_view;
    const std::vector<ViewCells>& rows = views.OfListView(list_view);
    for (std::size_t row = 0; row < rows.size(); ++row) {
      ViewRow shown{.cells = rows[row], .background = std::nullopt};
      // Each cell under its column, as the list view shows it.
      shown.cells.resize(view.columns.size());
      // The Attributes view paints its rows by their items' verdicts.
      if (list_view == 1) shown.background = AttributeRowColour(reading, static_cast<int>(row));
      view.rows.push_back(std::move(shown));
    }
  }
}

std::optional<int> ViewPageByName(std::string_view name) {
  const std::string key = ViewKey(name);
  for (std::size_t page = 0; page < kPages.size(); ++page) {
    if (!key.empty() && key == ViewKey(kPages[page].caption)) return static_cast<int>(page);
  }
  return std::nullopt;
}

}  // namespace kestrine
