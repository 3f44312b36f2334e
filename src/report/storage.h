// The HTML report ("Save to HTML") of one table: its column captions, its rows' cells and the
// background each row is painted with. The report writes what it is handed and knows no window;
// the window hands it the table a list view shows (list_view_report.h).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrine {

// One row of the table: its background as six upper-case hexadecimal digits in blue, green, red
// order (white "FFFFFF", pure red "0000FF"), and its cells' texts.
struct ReportRow {
  std::string colour;
  std::vector<std::string> cells;
};

struct ReportTable {
  std::vector<std::string> captions;
  std::vector<ReportRow> rows;
};

// The whole report of `table`: every line ends in CR LF, the last one included.
std::string BuildHtmlReport(const ReportTable& table);

// The class written on every cell of a row of the given colour.
std::string RowClass(std::string_view colour);

// `text` with '&', '<', '>' and '"' written as HTML entities; every other character unchanged.
std::string EscapeHtml(std::string_view text);

// A file of the report that could not be written: its full name as the user reads it, and why.
struct ReportFault {
  std::string file;
  std::string reason;
};

// What writing a report came to; nothing is set when every byte reached both files.
struct ReportWritten {
  // The report's file could not be created, or its name was refused: nothing else was done.
  std::optional<ReportFault> not_created;
  // The report's file was created, but not every byte reached it.
  std::optional<ReportFault> not_written;
  // The program's style sheet was found but could not be copied beside the report.
  std::optional<ReportFault> sheet_not_copied;
};

// Writes `report` to `file_name` and copies "style.css" beside it from `program_directory` (or
// the installed data folder; a program without a sheet copies none), each replacing a file
// already there only once written, and never through a link or into anything but a regular file.
ReportWritten WriteHtmlReport(const std::filesystem::path& file_name, std::string_view report,
                              const std::filesystem::path& program_directory);

}  // namespace kestrine
