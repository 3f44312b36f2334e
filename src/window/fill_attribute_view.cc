// The Attributes view: the drive's attribute entries with their thresholds and names, the
// drive's condition judged from them, and the row colours that show which entries raised it.
#include <algorithm>
#include <array>
#include <charconv>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "attribute_catalogue.h"
#include "bytes.h"
#include "form_pages.h"
#include "form_texts.h"
#include "nvme_view_rows.h"
#include "shown_attributes.h"
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

// Counters of bad or troubled sectors and failed operations: any non-zero count is a warning.
constexpr std::array<int, 9> WatchedCounterIds = {5, 10, 184, 187, 188, 196, 197, 198, 201};

bool IsWatchedCounter(int id) {
  return std::ranges::find(WatchedCounterIds, id) != WatchedCounterIds.end();
}

// A cell read back as a number; nullopt for a cell that is not one, so that a row whose texts
// were changed or cut can still be painted.
std::optional<long long> CellNumber(const ListView& list, int row, int column) {
  const std::string text = list.CellText(row, column);
  long long value = 0;
  const char* const first = text.data();
  const char* const last = text.data() + text.size();
  const auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || first == last) return std::nullopt;
  return value;
}

bool Below(const std::optional<long long>& worst, const std::optional<long long>& threshold) {
  return worst && threshold && *worst < *threshold;
}

}  // namespace

void TForm1::FillAttributeView(Byte drive_number) {
  std::string temperature;
  for (const ShownAttribute& attribute :
       ShownAttributes(drv_.Tables().AttributeTable[drive_number],
                       drv_.Tables().ThresholdTable[drive_number])) {
    const int id = attribute.id;
    const std::string type = AttributeTypeText(attribute.flags);
    const int worst = attribute.worst;
    const int threshold = attribute.threshold;
    const int raw16 = attribute.Raw16();

    ui_.ListView1.AddRow({std::to_string(id), type, std::to_string(attribute.current),
                          std::to_string(worst), std::to_string(threshold), std::to_string(raw16),
                          LookupAttributeName(attribute.id).name});
    EvaluateAttribute(type, id, worst, threshold, raw16);
    if (attribute.id == kTemperatureAttributeId) temperature = std::to_string(raw16);
  }
  ShowCondition(temperature);
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

void TForm1::EvaluateAttribute(const std::string& type, int id, int worst, int threshold,
                               int raw16) {
  // The condition only rises; nothing here lowers a "CRITICAL".
  const bool critical = DriveCondition == texts::kConditionCritical;
  if (type == kTypeOldAge && worst < threshold && !critical) {
    DriveCondition = texts::kConditionWarning;
  }
  if (type == kTypePreFail && worst < threshold) {
    DriveCondition = texts::kConditionCritical;
  }
  if (IsWatchedCounter(id) && raw16 != 0 && DriveCondition != texts::kConditionCritical) {
    DriveCondition = texts::kConditionWarning;
  }
}

std::optional<Rgb> TForm1::ListView1CustomDrawItem(const ListView& list, int row) const {
  // Decided from the row's own cells each time it is painted; a later rule overrides an earlier
  // one, so a failing pre-fail counter that is also non-zero shows orange.
  std::optional<Rgb> background;
  const std::string type = list.CellText(row, kColumnType);
  // Every ATA attribute has a type; the rows of an NVMe drive's health log have none.
  if (IsNvmeAttributeRow(list.CellText(row, kColumnId), type, list.CellText(row, kColumnName))) {
    return NvmeAttributeRowBackground(
        list.CellText(row, kColumnId), list.CellText(row, kColumnValue),
        list.CellText(row, kColumnThreshold), list.CellText(row, kColumnRaw));
  }
  const bool below =
      Below(CellNumber(list, row, kColumnWorst), CellNumber(list, row, kColumnThreshold));
  if (type == kTypeOldAge && below) background = kOrange;
  if (type == kTypePreFail && below) background = kRed;
  const std::optional<long long> id = CellNumber(list, row, kColumnId);
  if (id && *id >= 0 && *id <= 0xFFFF && IsWatchedCounter(static_cast<int>(*id)) &&
      list.CellText(row, kColumnRaw) != "0") {
    background = kOrange;
  }
  return background;
}

}  // namespace kestrine
