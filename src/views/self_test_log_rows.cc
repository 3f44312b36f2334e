#include "self_test_log_rows.h"

#include "reading.h"
#include "status_texts.h"

namespace kestrine {

std::vector<std::vector<std::string>> SelfTestLogRows(
    const std::vector<SelfTestLogEntry>& entries) {
  std::vector<std::vector<std::string>> rows;
  for (const SelfTestLogEntry& entry : entries) {
    rows.push_back({
        std::to_string(rows.size() + 1),
        std::to_string(entry.power_on_hours),
        SelfTestTypeText(entry.code),
        SelfTestStatusText(entry.status),
        entry.failing_lba ? std::to_string(*entry.failing_lba) : std::string(),
        std::to_string(entry.remaining_percent.value_or(0) / 10) + "0%",
    });
  }
  return rows;
}

}  // namespace kestrine
