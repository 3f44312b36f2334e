#include "drive_metrics.h"

#include <algorithm>
#include <array>

namespace kestrine {

namespace {

// The metric's status of an NVMe self-test result code 0 to 9: the ATA status code that says the
// same (0 passed, 1 aborted by the host, 2 interrupted by a reset, 3 fatal error, 4 a segment
// failed); nullopt for a reserved code.
std::optional<int> NvmeSelfTestStatusMetric(Byte result) {
  static constexpr std::array<int, 10> kStatus = {0, 1, 2, 1, 1, 3, 4, 4, 1, 1};
  if (result >= kStatus.size()) return std::nullopt;
  return kStatus[result];
}

// The same of a SCSI self-test result 0 to 7 (0 passed, 1 aborted by SEND DIAGNOSTIC, 2 aborted
// otherwise, 3 unknown error, 4 to 7 a segment failed) or Fh, in progress (ATA's 15 too).
std::optional<int> ScsiSelfTestStatusMetric(Byte result) {
  static constexpr std::array<int, 8> kStatus = {0, 1, 2, 3, 4, 4, 4, 4};
  constexpr int kInProgress = 15;
  if (result == kInProgress) return kInProgress;
  if (result >= kStatus.size()) return std::nullopt;
  return kStatus[result];
}

std::optional<SelfTestMetrics> LastSelfTestMetrics(const DriveReading& reading) {
  if (!reading.last_self_test) return std::nullopt;
  const SelfTestLogEntry& entry = *reading.last_self_test;
  // The NVMe log counts hours in 64 bits; more than an int holds is no real drive's age.
  const auto hours = static_cast<int>(std::min<std::uint64_t>(entry.power_on_hours, 0x7FFFFFFF));
  switch (reading.family) {
    case CommandFamily::Nvme: {
      const std::optional<int> status = NvmeSelfTestStatusMetric(entry.status);
      if (!status) return std::nullopt;
      return SelfTestMetrics{.status = *status, .lifetime_hours = hours};
    }
    case CommandFamily::Scsi: {
      const std::optional<int> status = ScsiSelfTestStatusMetric(entry.status);
      if (!status) return std::nullopt;
      return SelfTestMetrics{.status = *status, .lifetime_hours = hours};
    }
    case CommandFamily::None:
    case CommandFamily::Ata:
    case CommandFamily::Sat:
      break;
  }
  return SelfTestMetrics{.status = entry.status >> 4, .lifetime_hours = hours};
}

}  // namespace

int ConditionMetric(Condition condition) {
  switch (condition) {
    case Condition::Critical:
      return kMetricCritical;
    case Condition::Warning:
      return kMetricWarning;
    case Condition::Ok:
    case Condition::NotDecided:
      break;
  }
  return kMetricOk;
}

DriveMetrics DriveMetricsFromReading(const DriveReading& reading) {
  DriveMetrics drive;
  // A drive whose health data did not come was not read as far as the metrics go: never a
  // condition of 0 for it.
  drive.read = reading.condition != Condition::NotDecided;
  if (!drive.read) return drive;
  drive.model = reading.identity.model;
  drive.serial = reading.identity.serial;
  drive.firmware = reading.identity.firmware;
  drive.family = reading.family;
  drive.condition = ConditionMetric(reading.condition);
  for (const HealthItem& item : reading.items) {
    drive.attributes.push_back(AttributeMetrics{.id = item.id,
                                                .name = item.name,
                                                .value = item.current,
                                                .worst = item.worst,
                                                .threshold = item.threshold,
                                                .raw = item.raw});
  }
  drive.temperature_celsius = reading.temperature_celsius;
  drive.statistics = reading.statistics;
  drive.self_test_running = reading.self_test.running;
  if (drive.self_test_running)
    drive.self_test_remaining_percent = reading.self_test.remaining_percent;
  drive.last_self_test = LastSelfTestMetrics(reading);
  return drive;
}

DriveMetrics MeasureDrive(const DriveReport& report) {
  if (!report.Read() || !report.drive_number || !report.reading) {
    DriveMetrics unread;
    unread.device = report.path;
    unread.asleep = report.LeftAsleep();
    return unread;
  }
  DriveMetrics drive = DriveMetricsFromReading(*report.reading);
  drive.device = report.path;
  return drive;
}

}  // namespace kestrine
