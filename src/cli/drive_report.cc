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

DriveReport CaptureDrive(const MemoryToolkit& ui) {
  DriveReport report;
  report.path = ui.ComboBox1.Text();
  try {
    report.drive_number = DriveNumberFromText(report.path);
  } catch (const EConvertError&) {
    report.drive_number.reset();
  }
  // The status bar names bus and method once the drive answered IDENTIFY, and the condition
  // label shows a condition once the refresh has judged the drive's health data. The window
  // empties both for a drive it could not read and names the failure in the tray hint; the
  // report has the failure among its messages and keeps all three null.
  if (!ui.StatusBar1.text.empty()) {
    report.status_bar = ui.StatusBar1.text;
    report.tray_hint = ui.TrayIcon1.hint;
  }
  if (!ui.lblstatus.caption.empty()) report.condition = ui.lblstatus.caption;
  for (std::size_t page = 0; page < kPages.size(); ++page)
    report.views[page] = CaptureView(kPages[page].caption, PageListView(ui, page));
  return report;
}

std::optional<int> ViewPageByName(std::string_view name) {
  const std::string key = ViewKey(name);
  for (std::size_t page = 0; page < kPages.size(); ++page) {
    if (!key.empty() && key == ViewKey(kPages[page].caption)) return static_cast<int>(page);
  }
  return std::nullopt;
}

}  // namespace kestrine
