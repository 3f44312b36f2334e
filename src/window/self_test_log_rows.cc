#include "self_test_log_rows.h"

#include "status_texts.h"

namespace kestrine {

std::vector<std::vector<std::string>> SelfTestLogRows(const Sector& log) {
  using namespace self_test_log;
  std::vector<std::vector<std::string>> rows;
  // The drive's own most-recent index (byte 508) is not followed: rows keep the storage order.
  for (std::size_t k = 0; k < kDescriptorCount; ++k) {
    const std::size_t at = kFirstDescriptor + k * kDescriptorSize;
    const Byte type = log[at + kType];
    if (type == 0) break;  // an unused descriptor ends the log
    const Byte status = log[at + kStatus];
    const Byte remaining_tenths = status & 0x0F;
    rows.push_back({
        std::to_string(k + 1),
        std::to_string(ReadLe16(log, at + kLifeHours)),
        SelfTestTypeText(type),
        SelfTestStatusText(status),
        status != 0 ? std::to_string(ReadLe32(log, at + kFailureLba)) : std::string(),
        std::to_string(remaining_tenths) + "0%",
    });
  }
  return rows;
}

}  // namespace kestrine
