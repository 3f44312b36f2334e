#include "general_view_rows.h"

#include "status_texts.h"

namespace kestrine {

std::vector<std::vector<std::string>> GeneralViewRows(const Sector& smart_data) {
  using namespace smart_data;
  const Byte offline_status = smart_data[kOfflineStatus];
  const Byte self_test_status = smart_data[kSelfTestStatus];
  const Byte offline_capability = smart_data[kOfflineCapability];
  const std::uint16_t smart_capability = ReadLe16(smart_data, kSmartCapability);
  const Byte error_logging = smart_data[kErrorLogging];
  constexpr Byte kAutoOfflineEnabledBit = 0x80;

  std::vector<std::vector<std::string>> rows;
  rows.reserve(kGeneralViewRowCount);
  rows.push_back(
      {"Offline data collection status", UpperHex(offline_status),
       OfflineStatusText(offline_status) + "," +
           ((offline_status & kAutoOfflineEnabledBit) != 0 ? texts::kAutoOfflineEnabled
                                                           : texts::kAutoOfflineDisabled)});
  rows.push_back({"Self-test execution status", std::to_string(self_test_status),
                  SelfTestStatusText(self_test_status)});
  rows.push_back({"Total time to complete Offline test",
                  std::to_string(ReadLe16(smart_data, kOfflineTotalSeconds)), "seconds"});
  rows.push_back({"Offline data collection Capabilities", UpperHex(offline_capability)});
  for (std::size_t bit = 0; bit < texts::kCapabilityLines.size(); ++bit) {
    const bool set = ((offline_capability >> bit) & 1) != 0;
    rows.push_back(
        {"", "", std::string(texts::kCapabilityLines[bit]) + (set ? texts::kTrue : texts::kFalse)});
  }
  rows.push_back(
      {"SMART capabilities", UpperHex(smart_capability, 2), AutoSaveText(smart_capability)});
  rows.push_back(
      {"Error logging capability", UpperHex(error_logging), ErrorLoggingText(error_logging)});
  rows.push_back({"Short self-test completion time",
                  std::to_string(smart_data[kShortPollingMinutes]), "minutes"});
  rows.push_back({"Extended self-test routine completion time",
                  std::to_string(ExtendedSelfTestMinutes(smart_data)), "minutes"});
  return rows;
}

}  // namespace kestrine
