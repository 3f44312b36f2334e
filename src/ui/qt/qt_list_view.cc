#include "qt_list_view.h"

#include <QHeaderView>
#include <QStyle>
#include <algorithm>

#include "qt_latin1.h"

namespace kestrine {

RowBackgroundDelegate::RowBackgroundDelegate(const ListView& list, QObject* parent)
    : QStyledItemDelegate(parent), list_(list) {}

void RowBackgroundDelegate::initStyleOption(QStyleOptionViewItem* option,
                                            const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (index.parent().isValid()) return;
  // Decided from the row's cells as they are now, every time the row is painted.
  if (const std::optional<Rgb> colour = list_.RowBackground(index.row())) {
    option->backgroundBrush = QColor(colour->red, colour->green, colour->blue);
  }
}

QtListView::QtListView(QTreeWidget* widget, std::span<const Column> columns) : widget_(widget) {
  QStringList captions;
  for (const Column& column : columns) captions.push_back(FromLatin1(column.caption));
  widget_->setColumnCount(static_cast<int>(columns.size()));
  widget_->setHeaderLabels(captions);
  QHeaderView* const header = widget_->header();
  header->setStretchLastSection(false);
  header->setSectionsMovable(false);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    const int width = columns[static_cast<std::size_t>(i)].width;
    set_widths_.push_back(width == kToolkitDefaultWidth ? header->defaultSectionSize() : width);
  }
  FitColumns(nullptr);
  widget_->setRootIsDecorated(false);
  widget_->setItemsExpandable(false);
  widget_->setUniformRowHeights(true);
  widget_->setAllColumnsShowFocus(true);
  widget_->setSelectionMode(QAbstractItemView::SingleSelection);
  widget_->setSelectionBehavior(QAbstractItemView::SelectRows);
  widget_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  widget_->setSortingEnabled(false);
  widget_->setItemDelegate(new RowBackgroundDelegate(*this, widget_));
}

void QtListView::Clear() {
  widget_->clear();
  FitColumns(nullptr);
}

int QtListView::CellWidth(const QTreeWidgetItem* row, int column) const {
  // As the view asks its delegate when it lays the cell out: the style's margins and font.
  QStyleOptionViewItem option;
  option.initFrom(widget_);
  option.widget = widget_;
  const QModelIndex index = widget_->model()->index(
      widget_->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(row)), column);
  return widget_->itemDelegate()->sizeHint(option, index).width();
}

void QtListView::FitColumns(const QTreeWidgetItem* row) {
  QHeaderView* const header = widget_->header();
  for (int i = 0; i < static_cast<int>(set_widths_.size()); ++i) {
    // A new row may widen a column; the caption and the set width count when the view is empty.
    const int needed = row != nullptr ? std::max(header->sectionSize(i), CellWidth(row, i))
                                      : std::max(set_widths_[static_cast<std::size_t>(i)],
                                                 header->sectionSizeHint(i));
    if (needed != header->sectionSize(i)) header->resizeSection(i, needed);
  }
}

void QtListView::AddRow(std::vector<std::string> cells) {
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(cells.size()));
  for (const std::string& cell : cells) texts.push_back(FromLatin1(cell));
  auto* const row = new QTreeWidgetItem(texts);
  widget_->addTopLevelItem(row);
  FitColumns(row);
}

int QtListView::ItemCount() const {
  return widget_->topLevelItemCount();
}

std::vector<std::string> QtListView::ColumnCaptions() const {
  std::vector<std::string> captions;
  const QTreeWidgetItem* const header = widget_->headerItem();
  for (int i = 0; i < widget_->columnCount(); ++i) captions.push_back(ToLatin1(header->text(i)));
  return captions;
}

std::string QtListView::CellText(int row, int column) const {
  if (row < 0 || row >= ItemCount() || column < 0) return {};
  // An item answers an empty text for a column past its own cells.
  return ToLatin1(widget_->topLevelItem(row)->text(column));
}

}  // namespace kestrine
