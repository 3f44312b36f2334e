// The Attributes view: the reading's health items, the drive's condition on the label and in the
// tray hint, and the row colours that show which items raised it.
#include <iterator>
#include <string>
#include <string_view>

#include "attribute_catalogue.h"
#include "attribute_view_row.h"
#include "form_pages.h"
#include "form_texts.h"
#include "reading_texts.h"
#include "unit1.h"

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

void TForm1::FillAttributeView() {
  for (const HealthItem& item : reading_.items) ui_.ListView1.AddRow(AttributeViewRow(item));
  DriveCondition = std::string(ConditionText(reading_.condition));
  ShowCondition(reading_.temperature_celsius ? std::to_string(*reading_.temperature_celsius)
                                             : std::string());
}

void TForm1::ShowCondition(const std::string& temperature) {
  ui_.lblstatus.SetCaption(DriveCondition);
  if (DriveCondition == texts::kConditionCritical) {
    ui_.lblstatus.SetColor(kRed);
  } else if (DriveCondition == texts::kConditionWarning) {
    ui_.lblstatus.SetColor(kOrange);
  } else {
    ui_.lblstatus.SetColor(kGreen);
  }

  ui_.TrayIcon1.SetHint(ui_.ComboBox1.Text() + texts::kLineBreak + texts::kHintTemperature +
                        temperature + texts::kDegreeSign + texts::kLineBreak +
                        texts::kHintCondition + DriveCondition);
}

std::optional<Rgb> TForm1::ListView1CustomDrawItem(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= reading_.items.size()) return std::nullopt;
  switch (reading_.items[static_cast<std::size_t>(row)].RowVerdict()) {
    case Verdict::Critical:
      return kRed;
    case Verdict::Warning:
      return kOrange;
    case Verdict::Ok:
      break;
  }
  return std::nullopt;
}

}  // namespace kestrine
