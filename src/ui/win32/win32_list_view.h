// A report-style list view on the common control: read-only, whole-row selection, and rows
// painted with the background the list's custom draw decides at paint time.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "toolkit.h"

namespace kestrine {

// A column of the list view; kDefaultColumnWidth is the width a new column gets when none is set.
struct ListColumn {
  std::string caption;
  int width = 0;
};
inline constexpr int kDefaultColumnWidth = 50;

class Win32ListView final : public ListView {
 public:
  // The control belongs to the main window; it gets the columns and the settings here.
  // `custom_drawn` asks for a paint notification before each row.
  Win32ListView(HWND control, const std::vector<ListColumn>& columns, bool custom_drawn);

  void Clear() override;
  void AddRow(std::vector<std::string> cells) override;
  int ItemCount() const override;
  std::vector<std::string> ColumnCaptions() const override;
  std::string CellText(int row, int column) const override;

  // The columns' widths, in column order (at the window's pixel density).
  void SetColumnWidths(const std::vector<int>& widths);

  HWND Control() const { return control_; }
  // The answer to the control's NM_CUSTOMDRAW: before each row is painted, its background is
  // the one RowBackground gives; the control then draws the row as usual.
  LRESULT CustomDraw(NMLVCUSTOMDRAW& draw) const;

 private:
  int ColumnCount() const;

  HWND control_;
  bool custom_drawn_;
};

}  // namespace kestrine
