#include "win32_list_view.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "layout_scaling.h"
#include "list_view_report.h"
#include "win32_controls.h"

namespace kestrine {

namespace {

// A column's width at `dpi`.
int ColumnWidth(const Column& column, int dpi) {
  return layout::ScaleForDpi(
      column.width == kToolkitDefaultWidth ? kDefaultColumnWidth : column.width, dpi);
}

}  // namespace

Win32ListView::Win32ListView(HWND control, std::span<const Column> columns)
    : control_(control), columns_(columns) {
  SendMessageA(control_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    std::string caption = columns_[i].caption;
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = ColumnWidth(columns_[i], layout::kLayoutDpi);
    column.pszText = caption.data();
    column.iSubItem = static_cast<int>(i);
    SendMessageA(control_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
}

void Win32ListView::ScaleColumns(int dpi) {
  dpi_ = dpi;
  const int rows = ItemCount();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const int column = static_cast<int>(i);
    SendMessageA(control_, LVM_SETCOLUMNWIDTH, i, MAKELPARAM(ColumnWidth(columns_[i], dpi), 0));
    FitColumn(column, columns_[i].caption);
    for (int row = 0; row < rows; ++row) FitColumn(column, CellText(row, column));
  }
}

void Win32ListView::FitColumn(int column, const std::string& text) {
  // The control keeps about six pixels free on each side of a cell's text at 96 dots per inch.
  const int needed = static_cast<int>(SendMessageA(control_, LVM_GETSTRINGWIDTHA, 0,
                                                   reinterpret_cast<LPARAM>(text.c_str()))) +
                     layout::ScaleForDpi(kCellTextMargins, dpi_);
  const auto width = static_cast<int>(SendMessageA(control_, LVM_GETCOLUMNWIDTH, column, 0));
  if (needed > width) SendMessageA(control_, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(needed, 0));
}

void Win32ListView::Clear() {
  SendMessageA(control_, LVM_DELETEALLITEMS, 0, 0);
  ScaleColumns(dpi_);
}

void Win32ListView::AddRow(std::vector<std::string> cells) {
  if (cells.empty()) cells.emplace_back();
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = ItemCount();
  item.pszText = cells[0].data();
  const auto row =
      static_cast<int>(SendMessageA(control_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return;
  FitColumn(0, cells[0]);
  for (std::size_t i = 1; i < cells.size(); ++i) {
    if (i < columns_.size()) FitColumn(static_cast<int>(i), cells[i]);
    LVITEMA sub_item{};
    sub_item.iSubItem = static_cast<int>(i);
    sub_item.pszText = cells[i].data();
    SendMessageA(control_, LVM_SETITEMTEXTA, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&sub_item));
  }
}

int Win32ListView::ItemCount() const {
  return static_cast<int>(SendMessageA(control_, LVM_GETITEMCOUNT, 0, 0));
}

int Win32ListView::ColumnCount() const {
  const auto header = reinterpret_cast<HWND>(SendMessageA(control_, LVM_GETHEADER, 0, 0));
  if (header == nullptr) return 0;
  return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

std::vector<std::string> Win32ListView::ColumnCaptions() const {
  std::vector<std::string> captions;
  const int count = ColumnCount();
  for (int i = 0; i < count; ++i) {
    std::array<char, kCellTextBufferSize> buffer{};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = buffer.data();
    column.cchTextMax = static_cast<int>(buffer.size());
    SendMessageA(control_, LVM_GETCOLUMNA, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(&column));
    buffer.back() = '\0';
    captions.emplace_back(column.pszText != nullptr ? column.pszText : "");
  }
  return captions;
}

std::string Win32ListView::CellText(int row, int column) const {
  if (row < 0 || row >= ItemCount() || column < 0 || column >= ColumnCount()) return {};
  // The control copies at most one character less than the buffer holds.
  std::array<char, kCellTextBufferSize> buffer{};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  const auto length = static_cast<int>(SendMessageA(
      control_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
  buffer.back() = '\0';
  if (length <= 0) return {};
  // The control may answer with a text of its own instead of filling the buffer; either way no
  // more than the buffer's capacity less one is taken.
  const std::size_t most = buffer.size() - 1;
  if (item.pszText != buffer.data() && item.pszText != nullptr) {
    return std::string(item.pszText, strnlen(item.pszText, most));
  }
  return std::string(buffer.data(), std::min(static_cast<std::size_t>(length), most));
}

LRESULT Win32ListView::CustomDraw(NMLVCUSTOMDRAW& draw) const {
  if (!HasCustomDraw()) return CDRF_DODEFAULT;
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
      // Decided from the row's cells as they are now, every time the row is painted.
      if (const std::optional<Rgb> colour = RowBackground(static_cast<int>(draw.nmcd.dwItemSpec))) {
        draw.clrTextBk = ToColorRef(*colour);
        return CDRF_NEWFONT;
      }
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

}  // namespace kestrine
