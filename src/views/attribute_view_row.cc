#include "attribute_view_row.h"

#include <iterator>
#include <string_view>

#include "attribute_catalogue.h"
#include "form_pages.h"

namespace kestrine {

namespace {

// The columns of ListView1, in the order of its cells.
enum AttributeColumn : int {
  kColumnId,
  kColumnType,
  kColumnValue,
  kColumnWorst,
  kColumnThreshold,
  kColumnRaw,
  kColumnName,
  kColumnCount
};
static_assert(std::size(kAttributeColumns) == kColumnCount);
static_assert(std::string_view(kAttributeColumns[kColumnWorst].caption) == "Worse" &&
              std::string_view(kAttributeColumns[kColumnRaw].caption) == "Raw");

std::string OptionalNumber(const std::optional<int>& number) {
  return number ? std::to_string(*number) : std::string();
}

}  // namespace

std::vector<std::string> AttributeViewRow(const HealthItem& item) {
  return {std::to_string(item.id),
          item.flags ? AttributeTypeText(*item.flags) : std::string(),
          OptionalNumber(item.current),
          OptionalNumber(item.worst),
          OptionalNumber(item.threshold),
          item.flags ? std::to_string(item.Raw16()) : DecimalText(item.raw),
          item.name};
}

}  // namespace kestrine
