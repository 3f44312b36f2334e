// A list view held in memory: the list views of the console front end and of the tests.
#pragma once

#include <string>
#include <vector>

#include "toolkit.h"

namespace kestrine {

class MemoryListView : public ListView {
 public:
  explicit MemoryListView(std::vector<std::string> captions = {})
      : captions_(std::move(captions)) {}

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

// The column captions of the four views, in the window's order.
inline const std::vector<std::string> kAttributeColumns = {"AttrID",    "Type", "Value", "Worse",
                                                           "Threshold", "Raw",  "Name"};
inline const std::vector<std::string> kIdentifyColumns = {"Item", "Value"};
inline const std::vector<std::string> kSelfTestLogColumns = {
    "Num", "Lifetime (hours)", "Description", "Status", "LBA of 1st error", "Remaining"};
inline const std::vector<std::string> kGeneralColumns = {"Item", "Value", "Description"};

}  // namespace kestrine
