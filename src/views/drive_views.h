// What the window's views and texts show of a reading, as pure functions: reading in, rows and
// texts out. The window fills its list views from them, and kestrine-cli writes the same rows
// as text tables, JSON and HTML without a window.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "power_mode.h"
#include "reading.h"
#include "storage.h"
#include "view_colours.h"

namespace kestrine {

using ViewCells = std::vector<std::string>;  // a row's cells, caption first

// The rows of the five list views of one reading, each made by its family's row builder.
struct DriveViews {
  std::vector<ViewCells> identify;       // ListView2
  std::vector<ViewCells> attributes;     // ListView1
  std::vector<ViewCells> self_test_log;  // ListView3, when the reading holds the log
  std::vector<ViewCells> general;        // ListView4
  std::vector<ViewCells> statistics;     // ListView5
  // The rows of the form's ListView<number>, 1 to 5.
  const std::vector<ViewCells>& OfListView(int number) const;
};
DriveViews DriveViewRows(const DriveReading& reading);
// The Attributes view's rows: one per health item, whatever the family.
std::vector<ViewCells> AttributeViewRows(const DriveReading& reading);

// The background of row `row` of the Attributes view: the colour of its item's verdict, nullopt
// for the normal background.
std::optional<Rgb> AttributeRowColour(const DriveReading& reading, int row);

// The status bar once a drive was read: its bus (the descriptor's, or NVMe's for a drive not
// behind a USB bridge) and the method.
std::string ReadStatusText(std::string_view bus_type, CommandFamily family,
                           std::optional<UsbBridge> bridge = std::nullopt);
// The status bar of a drive a re-read found asleep and left so, after `read_status`, the status
// bar of the drive's last read (empty for none).
std::string AsleepStatusText(std::string_view read_status, PowerMode mode);
// The name a drive is told by: the selector's text, then its model and serial without the
// spaces the drive pads them with.
std::string ToldDriveName(std::string_view selected, const DriveIdentity& identity);
// The tray hint of a drive judged: the drive, its temperature and its condition on three lines.
std::string ConditionHintText(std::string_view selected, std::string_view temperature,
                              std::string_view condition);
// The tray hint of a drive whose health data did not come.
std::string HealthNotReadHintText(std::string_view selected);
// The temperature the hint shows: degrees Celsius, empty when the reading has none.
std::string TemperatureText(const DriveReading& reading);

// A cell of a report: the text cut to the buffer a list view's cell is fetched into (one
// character less than kCellTextBufferSize) and trimmed at both ends of 0x00-0x20 and 0x7F.
inline constexpr std::size_t kCellTextBufferSize = 1024;
std::string ReportCellText(std::string text);
// A row's background as six upper-case hexadecimal digits in blue, green, red order.
std::string ReportRowColour(const std::optional<Rgb>& background);

// Writes `table` as the HTML report `file` with the style sheet beside it. `not_created`: the
// message for a file that could not be created (nothing was written); `messages`: what else the
// user is to be told. `saved` when every byte was written and the sheet copied.
struct HtmlSaved {
  bool saved = false;
  std::optional<std::string> not_created;
  std::vector<std::string> messages;
};
HtmlSaved SaveHtmlReport(const ReportTable& table, const std::filesystem::path& file,
                         const std::filesystem::path& program_directory);

}  // namespace kestrine
