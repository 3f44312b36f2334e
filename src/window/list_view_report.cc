#include "list_view_report.h"

#include <filesystem>
#include <optional>
#include <string_view>

#include "drive_views.h"
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

}  // namespace

std::string GetListViewCellText(const ListView& list, int row, int column) {
  return ReportCellText(list.CellText(row, column));
}

std::string GetListViewRowColour(const ListView& list, int row) {
  if (row < 0 || row >= list.ItemCount()) return "FFFFFF";
  return ReportRowColour(list.RowBackground(row));
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

  const HtmlSaved saved =
      SaveHtmlReport(ListViewTable(list), std::filesystem::path(*chosen), app.ProgramDirectory());
  if (saved.not_created) throw EFCreateError(*saved.not_created);
  for (const std::string& message : saved.messages) app.ShowMessage(message);
  return saved.saved;
}

}  // namespace kestrine
