#include "storage.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "file_reader.h"
#include "file_target.h"
#include "file_writer.h"
#include "html_text.h"
#include "report_texts.h"
#include "style_sheet.h"
#include "text_format.h"

namespace kestrine {
namespace {

namespace fs = std::filesystem;

// The row colours the style sheet gives a class of its own (blue, green, red order): light red
// and light green, and the Attributes view's warning colours, red and orange.
constexpr char kLightRed[] = "8080FF";
constexpr char kLightGreen[] = "80FF80";
constexpr char kWarningRed[] = "0000FF";
constexpr char kWarningOrange[] = "0080FF";

void AppendLine(std::string& report, std::string_view line) {
  report += line;
  report += kLineEnd;
}

void AppendCell(std::string& report, std::string_view css_class, std::string_view text) {
  report += "<td class=\"";
  report += css_class;
  report += "\">";
  report += EscapeHtml(text);
  report += "</td>";
  report += kLineEnd;
}

std::string FullPath(const fs::path& path) {
  std::error_code ignored;
  const fs::path full = fs::absolute(path, ignored);
  return PrintableFileName((full.empty() ? path : full).string());
}

// A larger file at the style sheet's name is no style sheet.
constexpr std::size_t kLargestStyleSheet = 1 << 20;

// Copies the program's style sheet beside the report, replacing one that is there. Returns what
// kept a sheet found from being copied; a program without a sheet copies none.
std::optional<ReportFault> CopyStyleSheet(const fs::path& program_directory,
                                          const fs::path& report) {
  std::error_code error;
  const fs::path source = FindStyleSheet(program_directory);
  if (source.empty()) return std::nullopt;
  const fs::path full_report = fs::absolute(report, error);
  if (error) return std::nullopt;
  const fs::path target = full_report.parent_path() / texts::kStyleSheetName;
  // Saved into the program's own directory, the sheet is already in place; copying a file onto
  // itself could empty it. A report saved as "style.css" is not replaced by the sheet.
  if (fs::equivalent(source, target, error) || full_report.lexically_normal() == target) {
    return std::nullopt;
  }
  const auto failed = [&target](const std::string& reason) {
    return ReportFault{FullPath(target), reason};
  };
  const FileResult<std::vector<Byte>> sheet = ReadRegularFile(source, kLargestStyleSheet);
  if (!sheet) return failed(sheet.error().Reason());
  if (sheet->size() > kLargestStyleSheet) return failed("The program's style sheet is too large");
  // Written as the report is: never through a link at "style.css", never into a special file.
  if (const std::optional<FileError> written = ReplaceFileSafely(
          target, std::string_view(reinterpret_cast<const char*>(sheet->data()), sheet->size()))) {
    return failed(written->Reason());
  }
  return std::nullopt;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const std::string_view entity = HtmlEntity(c);
    if (entity.empty()) {
      escaped += c;
    } else {
      escaped += entity;
    }
  }
  return escaped;
}

std::string RowClass(std::string_view colour) {
  if (colour == kLightRed || colour == kWarningRed) return "default-RED";
  if (colour == kWarningOrange) return "default-ORANGE";
  if (colour == kLightGreen) return "default-GREEN";
  return "default";
}

std::string BuildHtmlReport(const ReportTable& table) {
  std::string report;
  AppendLine(report, "<html>");
  AppendLine(report, "<body>");
  AppendLine(report, "<head>");
  AppendLine(report, "<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\" />");
  AppendLine(report, "</head>");
  AppendLine(report, "<table>");

  AppendLine(report, "<tr>");
  for (const std::string& caption : table.captions) AppendCell(report, "sub", caption);
  AppendLine(report, "</tr>");

  for (const ReportRow& row : table.rows) {
    const std::string css_class = RowClass(row.colour);
    AppendLine(report, "<tr>");
    for (const std::string& cell : row.cells) AppendCell(report, css_class, cell);
    AppendLine(report, "</tr>");
  }

  AppendLine(report, "</table>");
  AppendLine(report, "<hr/>");
  AppendLine(report, "<br/>");
  AppendLine(report, "<b>Report created by Halloran</b>");
  AppendLine(report, "<br/>");
  AppendLine(report, std::string("<a href=\"") + texts::kReportWebAddress + "\">Web Site</a>");
  AppendLine(report, "<br/>");
  AppendLine(report,
             std::string("<a href=\"mailto:") + texts::kReportEmailAddress + "\">Email</a>");
  AppendLine(report, "</body>");
  AppendLine(report, "</html>");
  return report;
}

ReportWritten WriteHtmlReport(const fs::path& file_name, std::string_view report,
                              const fs::path& program_directory) {
  ReportWritten written;
  // In one piece, one byte per character, no byte-order mark, no line-end translation, through
  // ReplaceFileSafely: an existing report is replaced only once the new one is complete.
  if (const std::optional<FileError> error = ReplaceFileSafely(file_name, report)) {
    ReportFault fault{FullPath(file_name), error->Reason()};
    if (error->stage() != FileError::Stage::kWrite) {
      written.not_created = std::move(fault);
      return written;
    }
    written.not_written = std::move(fault);
  }
  written.sheet_not_copied = CopyStyleSheet(program_directory, file_name);
  return written;
}

}  // namespace kestrine
