// A report-style list view on a QTreeWidget: read-only, whole-row selection, no tree lines, and
// rows painted with the background the list's custom draw decides at paint time.
#pragma once

#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <span>
#include <string>
#include <vector>

#include "form_pages.h"
#include "toolkit.h"

namespace kestrine {

// Paints each cell with the background the list view gives its row, asked at paint time.
class RowBackgroundDelegate : public QStyledItemDelegate {
 public:
  RowBackgroundDelegate(const ListView& list, QObject* parent);

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  const ListView& list_;
};

class QtListView final : public ListView {
 public:
  // The tree widget is owned by its Qt parent; `widget` gets the columns and the settings. A
  // column of kToolkitDefaultWidth keeps the header's default section size.
  QtListView(QTreeWidget* widget, std::span<const Column> columns);

  void Clear() override;
  void AddRow(std::vector<std::string> cells) override;
  int ItemCount() const override;
  std::vector<std::string> ColumnCaptions() const override;
  std::string CellText(int row, int column) const override;

  QTreeWidget* Widget() const { return widget_; }
  // The width column `column` needs to show the cell of `row` whole, its margins included.
  int CellWidth(const QTreeWidgetItem* row, int column) const;

 private:
  // Each column at its set width, or wider where its caption or a cell needs it.
  void FitColumns(const QTreeWidgetItem* row);

  QTreeWidget* widget_;
  std::vector<int> set_widths_;
};

}  // namespace kestrine
