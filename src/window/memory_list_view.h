// A list view held in memory: the list views of the in-memory toolkit (kestrine-cli, the tests).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "form_pages.h"
#include "toolkit.h"

namespace kestrine {

class MemoryListView : public ListView {
 public:
  explicit MemoryListView(std::vector<std::string> captions = {})
      : captions_(std::move(captions)) {}
  // The columns of one of the window's list views (form_pages.h); their widths are not kept.
  explicit MemoryListView(std::span<const Column> columns) {
    for (const Column& column : columns) captions_.emplace_back(column.caption);
  }

  void Clear() override { rows_.clear(); }
  void AddRow(std::vector<std::string> cells) override { rows_.push_back(std::move(cells)); }
  int ItemCount() const override { return static_cast<int>(rows_.size()); }
  std::vector<std::string> ColumnCaptions() const override { return captions_; }
  std::string CellText(int row, int column) const override {
    if (row < 0 || row >= ItemCount() || column < 0) return {};
    const auto& cells = rows_[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)]
                                                           : std::string();
  }
  const std::vector<std::vector<std::string>>& Rows() const { return rows_; }

 private:
  std::vector<std::string> captions_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace kestrine
