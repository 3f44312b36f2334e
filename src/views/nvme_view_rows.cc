#include "nvme_view_rows.h"

#include <algorithm>
#include <array>

#include "form_texts.h"
#include "status_texts.h"

namespace kestrine {

namespace {

constexpr char kInterfaceNvme[] = "NVM Express";
constexpr char kSelfTestInProgress[] = "Self-test routine in progress";

// Critical Warning bits 0 to 5, as lines of the General view.
constexpr std::array<const char*, nvme_health::kWarningBitCount> kWarningLines = {
    "Available spare below threshold:",
    "Temperature beyond a threshold:",
    "Reliability degraded:",
    "Media read-only:",
    "Volatile memory backup failed:",
    "Persistent memory region read-only:",
};

std::string SelfTestCodeText(Byte code) {
  switch (code) {
    case nvme_self_test_log::kCodeShort:
      return "Short offline";
    case nvme_self_test_log::kCodeExtended:
      return "Extended offline";
    case nvme_self_test_log::kCodeVendor:
      return "Vendor specific";
    default:
      return "Reserved 0x" + UpperHex(code);
  }
}

std::string SelfTestResultText(Byte result) {
  static constexpr std::array<const char*, 10> kTexts = {
      "Completed without error",
      "Aborted by a Device Self-test command",
      "Aborted by a Controller Level Reset",
      "Aborted: namespace removed",
      "Aborted by a Format NVM command",
      "Fatal or unknown test error",
      "Completed: failed segment unknown",
      "Completed: one or more segments failed",
      "Aborted for unknown reason",
      "Aborted by a sanitize operation",
  };
  return result < kTexts.size() ? kTexts[result] : "Reserved 0x" + UpperHex(result);
}

std::string CurrentOperationText(Byte code) {
  switch (code) {
    case nvme_self_test_log::kCodeNone:
      return "No device self-test operation in progress";
    case nvme_self_test_log::kCodeShort:
      return "Short device self-test operation in progress";
    case nvme_self_test_log::kCodeExtended:
      return "Extended device self-test operation in progress";
    case nvme_self_test_log::kCodeVendor:
      return "Vendor specific device self-test operation in progress";
    default:
      return "Reserved";
  }
}

// Degrees Celsius of a threshold in kelvin; empty when the controller reports none.
std::string CelsiusText(std::uint16_t kelvin) {
  const std::optional<int> celsius = NvmeCelsius(kelvin);
  return celsius ? std::to_string(*celsius) : std::string();
}

}  // namespace

std::vector<IdentifyViewRow> NvmeIdentifyViewRows(const NvmeIdentity& identity) {
  return {
      {"Model", identity.Model},
      {"FW", identity.Firmware},
      {"SN", identity.SerialNumber},
      {"LBASize", std::to_string(identity.LBASize)},
      {"LogicalBlockSize", std::to_string(identity.LogicalBlockSize)},
      {"InterfaceType", kInterfaceNvme},
      {"MajorVersion", identity.MajorVersion},
      {"Features", identity.Features},
      {"SSD", "Yes"},
  };
}

ViewRows NvmeSelfTestLogRows(const SelfTestState& state,
                             const std::vector<SelfTestLogEntry>& entries) {
  ViewRows rows;
  if (state.running) {
    rows.push_back({"1", "", SelfTestCodeText(state.current_code), kSelfTestInProgress, "",
                    std::to_string(state.remaining_percent) + "%"});
  }
  for (const SelfTestLogEntry& entry : entries) {
    rows.push_back({std::to_string(rows.size() + 1), std::to_string(entry.power_on_hours),
                    SelfTestCodeText(entry.code), SelfTestResultText(entry.status),
                    entry.failing_lba ? std::to_string(*entry.failing_lba) : "", ""});
  }
  return rows;
}

ViewRows NvmeGeneralViewRows(const NvmeIdentity& identity, const DriveReading& reading) {
  ViewRows rows;
  if (reading.parts.self_test_log) {
    const Byte current = reading.self_test.current_code;
    rows.push_back(
        {"Current self-test operation", UpperHex(current), CurrentOperationText(current)});
    rows.push_back({"Current self-test completion",
                    std::to_string(reading.self_test.current_completion), "%"});
  }
  const auto warning_item =
      std::ranges::find(reading.items, kNvmeCriticalWarningId, &HealthItem::id);
  if (warning_item != reading.items.end()) {
    const auto warning = static_cast<Byte>(warning_item->raw.low);
    rows.push_back({"Critical warning", UpperHex(warning, 2)});
    for (std::size_t bit = 0; bit < kWarningLines.size(); ++bit) {
      const bool set = ((warning >> bit) & 1) != 0;
      rows.push_back(
          {"", "", std::string(kWarningLines[bit]) + (set ? texts::kTrue : texts::kFalse)});
    }
  }
  rows.push_back(
      {"Device self-test command", identity.SelfTestSupported ? "Supported" : "Not supported"});
  rows.push_back({"Extended self-test completion time",
                  std::to_string(identity.ExtendedSelfTestMinutes), "minutes"});
  const std::string celsius = std::string(texts::kDegreeSign) + "C";
  rows.push_back({"Warning composite temperature threshold",
                  CelsiusText(identity.WarningTemperatureKelvin), celsius});
  rows.push_back({"Critical composite temperature threshold",
                  CelsiusText(identity.CriticalTemperatureKelvin), celsius});
  return rows;
}

}  // namespace kestrine
