#include "drive_report.h"

#include <cctype>

#include "drive_number.h"
#include "errors.h"

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

const ListView& PageListView(const ConsoleToolkit& ui, int page) {
  switch (page) {
    case 0:
      return ui.ListView2;
    case 1:
      return ui.ListView1;
    case 2:
      return ui.ListView3;
    default:
      return ui.ListView4;
  }
}

ViewReport CaptureView(std::string_view name, const ListView& list) {
  ViewReport view;
  view.name = std::string(name);
  view.columns = list.ColumnCaptions();
  const int columns = static_cast<int>(view.columns.size());
  for (int row = 0; row < list.ItemCount(); ++row) {
    ViewRow shown;
    for (int column = 0; column < columns; ++column)
      shown.cells.push_back(list.CellText(row, column));
    shown.background = list.RowBackground(row);
    view.rows.push_back(std::move(shown));
  }
  return view;
}

DriveReport CaptureDrive(const ConsoleToolkit& ui) {
  DriveReport report;
  report.path = ui.ComboBox1.Text();
  try {
    report.drive_number = DriveNumberFromText(report.path);
  } catch (const EConvertError&) {
    report.drive_number.reset();
  }
  report.status_bar = ui.StatusBar1.text;
  report.condition = ui.lblstatus.caption;
  report.tray_hint = ui.TrayIcon1.hint;
  if (!report.Read()) {
    // The window empties its status bar for a drive it could not read and names the failure
    // in the tray hint; the report has the failure among its messages and keeps these null.
    report.status_bar.reset();
    report.tray_hint.reset();
  }
  for (int page = 0; page < static_cast<int>(layout::kPageCaptions.size()); ++page) {
    report.views[static_cast<std::size_t>(page)] =
        CaptureView(layout::kPageCaptions[static_cast<std::size_t>(page)], PageListView(ui, page));
  }
  return report;
}

std::optional<int> ViewPageByName(std::string_view name) {
  const std::string key = ViewKey(name);
  for (std::size_t page = 0; page < layout::kPageCaptions.size(); ++page) {
    if (!key.empty() && key == ViewKey(layout::kPageCaptions[page])) return static_cast<int>(page);
  }
  return std::nullopt;
}

}  // namespace kestrine
