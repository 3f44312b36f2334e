#include "list_view_report.h"

#include <filesystem>
#include <optional>
#include <string_view>

#include "errors.h"
#include "form_texts.h"
#include "report_texts.h"
#include "text_format.h"

namespace kestrine {
namespace {

static_assert(std::string_view(texts::kReportEmailAddress) ==
                  std::string_view(texts::kContactAddress),
              "the report and the window name the same contact address");
// The report gives the Attributes view's warning rows classes of their own by their digits,
// "0000FF" and "0080FF".
static_assert(kRed == Rgb{0xFF, 0x00, 0x00} && kOrange == Rgb{0xFF, 0x80, 0x00},
              "the warning colours' digits follow the colours the Attributes view paints");

bool IsTrimmed(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte <= 0x20 || byte == 0x7F;
}

}  // namespace

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

int GetListViewColumnCount(const ListView& list) {
  return static_cast<int>(list.ColumnCaptions().size());
}

ReportTable ListViewTable(const ListView& list) {
  ReportTable table{.captions = list.ColumnCaptions(), .rows = {}};
  const int rows = list.ItemCount();
  const int columns = GetListViewColumnCount(list);
  for (int row = 0; row < rows; ++row) {
    ReportRow& shown = table.rows.emplace_back();
    shown.colour = GetListViewRowColour(list, row);
    shown.cells.push_back(GetListViewCellText(list, row, 0));
    for (int column = 1; column < columns; ++column)
      shown.cells.push_back(GetListViewCellText(list, row, column));
  }
  return table;
}

std::string BuildHtmlReport(const ListView& list) {
  return BuildHtmlReport(ListViewTable(list));
}

bool SaveListViewAsHtml(ListView& list, Application& app) {
  const std::optional<std::string> chosen = app.SaveFileDialog(
      {texts::kSaveHtmlTitle, texts::kSaveHtmlFilter, texts::kSaveHtmlExtension});
  if (!chosen || chosen->empty()) return false;

  const ReportWritten written = WriteHtmlReport(std::filesystem::path(*chosen),
                                                BuildHtmlReport(list), app.ProgramDirectory());
  if (const std::optional<ReportFault>& fault = written.not_created) {
    throw EFCreateError(FormatMessage(texts::kCannotCreateFile, {fault->file, fault->reason}));
  }
  if (const std::optional<ReportFault>& fault = written.not_written) {
    app.ShowMessage(FormatMessage(texts::kCannotWriteFile, {fault->file, fault->reason}));
  }
  if (const std::optional<ReportFault>& fault = written.sheet_not_copied) {
    app.ShowMessage(FormatMessage(texts::kCannotCopyStyleSheet, {fault->file, fault->reason}));
  }
  return !written.not_written && !written.sheet_not_copied;
}

}  // namespace kestrine
