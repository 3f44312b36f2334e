#include "nvme_drive_metrics.h"

#include <algorithm>
#include <array>

#include "nvme_decode.h"

namespace kestrine {

std::optional<int> NvmeSelfTestStatusMetric(Byte result) {
  // By NVMe result code 0 to 9.
  static constexpr std::array<int, 10> kStatus = {0, 1, 2, 1, 1, 3, 4, 4, 1, 1};
  if (result >= kStatus.size()) return std::nullopt;
  return kStatus[result];
}

DriveMetrics NvmeDriveMetricsFromTables(const SmartTables& tables, Byte drive_number, int condition,
                                        const std::optional<NvmeSelfTestLog>& log) {
  DriveMetrics drive;
  drive.read = true;
  const NvmeIdentity identity =
      DecodeNvmeIdentity(tables.NvmeController[drive_number], tables.NvmeNamespace[drive_number]);
  drive.model = identity.Model;
  drive.serial = identity.SerialNumber;
  drive.firmware = identity.Firmware;
  drive.family = TransportFamily::Nvme;
  drive.condition = condition;
  const NvmeHealthLog& health = tables.NvmeHealth[drive_number];
  const bool health_read = tables.HealthRead[drive_number];
  for (const NvmeHealthField& field : kNvmeHealthFields) {
    if (!health_read) break;
    AttributeMetrics attribute;
    attribute.id = field.id;
    attribute.name = field.name;
    attribute.raw = NvmeHealthValue(health, field);
    if (field.id == kNvmeAvailableSpareId) {
      attribute.value = health[nvme_health::kAvailableSpare];
      attribute.threshold = health[nvme_health::kAvailableSpareThreshold];
    }
    drive.attributes.push_back(std::move(attribute));
  }
  const int kelvin = ReadLe16(health, nvme_health::kCompositeTemperature);
  if (health_read && kelvin != 0)
    drive.temperature_celsius = kelvin - nvme_health::kZeroCelsiusKelvin;
  if (log) {
    using namespace nvme_self_test_log;
    const Byte current = (*log)[kCurrentOperation] & 0x0F;
    drive.self_test_running = current != kCodeNone;
    if (drive.self_test_running) {
      drive.self_test_remaining_percent =
          100 - std::min(((*log)[kCurrentCompletion] & kCompletionMask), 100);
    }
    const std::vector<NvmeSelfTestResult> results = NvmeSelfTestResults(*log);
    if (!results.empty()) {
      if (const std::optional<int> status = NvmeSelfTestStatusMetric(results.front().result)) {
        // The log counts hours in 64 bits; more than an int holds is no real drive's age.
        const auto hours =
            static_cast<int>(std::min<std::uint64_t>(results.front().power_on_hours, 0x7FFFFFFF));
        drive.last_self_test = SelfTestMetrics{.status = *status, .lifetime_hours = hours};
      }
    }
  }
  return drive;
}

}  // namespace kestrine
