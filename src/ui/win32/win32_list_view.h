// A report-style list view on the common control: read-only, whole-row selection, and rows
// painted with the background the list's custom draw decides at paint time.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <span>
#include <string>
#include <vector>

#include "form_pages.h"
#include "layout_scaling.h"
#include "toolkit.h"

namespace kestrine {

// The width of a kToolkitDefaultWidth column: what the control gives a new column at 96 dots per
// inch when none is set.
inline constexpr int kDefaultColumnWidth = 50;
// What a column needs beside a cell's text at 96 dots per inch: the control's margins on both
// sides.
inline constexpr int kCellTextMargins = 12;

class Win32ListView final : public ListView {
 public:
  // The control belongs to the main window; it gets the columns and the settings here, the
  // columns at their widths at 96 dots per inch.
  Win32ListView(HWND control, std::span<const Column> columns);

  void Clear() override;
  void AddRow(std::vector<std::string> cells) override;
  int ItemCount() const override;
  std::vector<std::string> ColumnCaptions() const override;
  std::string CellText(int row, int column) const override;

  // Sizes the columns for the window's pixel density: each at its set width, or wider where its
  // caption or a cell needs it.
  void ScaleColumns(int dpi);

  HWND Control() const { return control_; }
  // The answer to the control's NM_CUSTOMDRAW: where the window's logic decides the rows'
  // backgrounds, each row is painted with the one RowBackground gives; the control then draws
  // the row as usual.
  LRESULT CustomDraw(NMLVCUSTOMDRAW& draw) const;

 private:
  int ColumnCount() const;
  // Column `column` widened, if it must be, to show `text` whole.
  void FitColumn(int column, const std::string& text);

  HWND control_;
  int dpi_ = layout::kLayoutDpi;
  std::span<const Column> columns_;
};

}  // namespace kestrine
