#include "storage.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "errors.h"
#include "file_reader.h"
#include "file_target.h"
#include "file_writer.h"
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
static_assert(kRed == Rgb{0xFF, 0x00, 0x00} && kOrange == Rgb{0xFF, 0x80, 0x00},
              "the warning colours' digits follow the colours the Attributes view paints");

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

bool IsTrimmed(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0x7F;
}

std::string FullPath(const fs::path& path) {
  std::error_code ignored;
  const fs::path full = fs::absolute(path, ignored);
  return PrintableFileName((full.empty() ? path : full).string());
}

// A larger file at the style sheet's name is no style sheet.
constexpr std::size_t kLargestStyleSheet = 1 << 20;

// Copies the program's style sheet beside the report, replacing one that is there. Returns the
// message to show when a sheet found could not be copied; a program without a sheet copies none.
std::optional<std::string> CopyStyleSheet(const fs::path& program_directory,
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
    return FormatMessage(texts::kCannotCopyStyleSheet, {FullPath(target), reason});
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

// Writes the report in one piece, one byte per character, no byte-order mark, no line-end
// translation, through ReplaceFileSafely: an existing report is replaced only once the new one is
// complete. Throws EFCreateError when the file cannot be created or is refused; returns the
// error when it could not be written, nullopt when every byte reached the file.
std::optional<FileError> WriteReport(const fs::path& file_name, const std::string& report) {
  std::optional<FileError> error = ReplaceFileSafely(file_name, report);
  if (error && error->stage() != FileError::Stage::kWrite) {
    throw EFCreateError(
        FormatMessage(texts::kCannotCreateFile, {FullPath(file_name), error->Reason()}));
  }
  return error;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string GetListViewCellText(const ListView& list, int row, int column) {
  std::string text = list.CellText(row, column);
  if (text.size() > kCellTextBufferSize - 1) text.resize(kCellTextBufferSize - 1);
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string GetListViewRowColour(const ListView& list, int row) {
  if (row < 0 || row >= list.ItemCount()) return "FFFFFF";
  const Rgb colour = list.RowBackground(row).value_or(kWindowBackground);
  return UpperHex(colour.blue, 2) + UpperHex(colour.green, 2) + UpperHex(colour.red, 2);
}

std::string RowClass(std::string_view colour) {
  if (colour == kLightRed || colour == kWarningRed) return "default-RED";
  if (colour == kWarningOrange) return "default-ORANGE";
  if (colour == kLightGreen) return "default-GREEN";
  return "default";
}

int GetListViewColumnCount(const ListView& list) {
  return static_cast<int>(list.ColumnCaptions().size());
}

std::string BuildHtmlReport(const ListView& list) {
  std::string report;
  AppendLine(report, "<html>");
  AppendLine(report, "<body>");
  AppendLine(report, "<head>");
  AppendLine(report, "<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\" />");
  AppendLine(report, "</head>");
  AppendLine(report, "<table>");

  AppendLine(report, "<tr>");
  for (const std::string& caption : list.ColumnCaptions()) AppendCell(report, "sub", caption);
  AppendLine(report, "</tr>");

  const int rows = list.ItemCount();
  const int columns = GetListViewColumnCount(list);
  for (int row = 0; row < rows; ++row) {
    const std::string css_class = RowClass(GetListViewRowColour(list, row));
    AppendLine(report, "<tr>");
    // The item's own text stands in the first column even when the header has none.
    AppendCell(report, css_class, GetListViewCellText(list, row, 0));
    for (int column = 1; column < columns; ++column)
      AppendCell(report, css_class, GetListViewCellText(list, row, column));
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

bool SaveListViewAsHtml(ListView& list, Application& app) {
  const std::optional<std::string> chosen = app.SaveFileDialog(
      {texts::kSaveHtmlTitle, texts::kSaveHtmlFilter, texts::kSaveHtmlExtension});
  if (!chosen || chosen->empty()) return false;
  const fs::path file_name(*chosen);

  const std::string report = BuildHtmlReport(list);
  const std::optional<FileError> error = WriteReport(file_name, report);
  if (error) {
    app.ShowMessage(FormatMessage(texts::kCannotWriteFile, {FullPath(file_name), error->Reason()}));
  }
  const std::optional<std::string> sheet_error =
      CopyStyleSheet(fs::path(app.ProgramDirectory()), file_name);
  if (sheet_error) app.ShowMessage(*sheet_error);
  return !error && !sheet_error;
}

}  // namespace kestrine
