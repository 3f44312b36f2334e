#include "general_view_rows.h"

#include "status_texts.h"

namespace kestrine {

std::vector<std::vector<std::string>> GeneralViewRows(const AtaStatus& status) {
  constexpr Byte kAutoOfflineEnabledBit = 0x80;

  std::vector<std::vector<std::string>> rows;
  rows.reserve(kGeneralViewRowCount);
  rows.push_back(
      {"Offline data collection status", UpperHex(status.offline_status),
       OfflineStatusText(status.offline_status) + "," +
           ((status.offline_status & kAutoOfflineEnabledBit) != 0 ? texts::kAutoOfflineEnabled
                                                                  : texts::kAutoOfflineDisabled)});
  rows.push_back({"Self-test execution status", std::to_string(status.self_test_status),
                  SelfTestStatusText(status.self_test_status)});
  rows.push_back(
      {"Total time to complete Offline test", std::to_string(status.offline_seconds), "seconds"});
  rows.push_back({"Offline data collection Capabilities", UpperHex(status.offline_capability)});
  for (std::size_t bit = 0; bit < texts::kCapabilityLines.size(); ++bit) {
    const bool set = ((status.offline_capability >> bit) & 1) != 0;
    rows.push_back(
        {"", "", std::string(texts::kCapabilityLines[bit]) + (set ? texts::kTrue : texts::kFalse)});
  }
  rows.push_back({"SMART capabilities", UpperHex(status.smart_capability, 2),
                  AutoSaveText(status.smart_capability)});
  rows.push_back({"Error logging capability", UpperHex(status.error_logging),
                  ErrorLoggingText(status.error_logging)});
  rows.push_back({"Short self-test completion time", std::to_string(status.short_self_test_minutes),
                  "minutes"});
  rows.push_back({"Extended self-test routine completion time",
                  std::to_string(status.extended_self_test_minutes), "minutes"});
  return rows;
}

}  // namespace kestrine
