#include "drive_metrics.h"

#include "attribute_catalogue.h"
#include "form_texts.h"
#include "nvme_drive_metrics.h"
#include "opened_drive.h"
#include "shown_attributes.h"
#include "smart_layout.h"

namespace kestrine {

namespace {

// The status code of a self-test execution status byte that says a test is running.
constexpr int kSelfTestInProgress = 15;

}  // namespace

int ConditionMetric(std::string_view condition) {
  if (condition == texts::kConditionCritical) return kMetricCritical;
  if (condition == texts::kConditionWarning) return kMetricWarning;
  return kMetricOk;
}

std::optional<SelfTestMetrics> LatestSelfTest(const Sector& log) {
  using namespace self_test_log;
  const std::size_t index = log[kIndex];
  if (index < 1 || index > kDescriptorCount) return std::nullopt;
  const std::size_t at = kFirstDescriptor + (index - 1) * kDescriptorSize;
  if (log[at + kType] == 0) return std::nullopt;
  return SelfTestMetrics{.status = log[at + kStatus] >> 4,
                         .lifetime_hours = ReadLe16(log, at + kLifeHours)};
}

DriveMetrics DriveMetricsFromTables(const SmartTables& tables, Byte drive_number,
                                    std::string_view condition, const std::optional<Sector>& log) {
  DriveMetrics drive;
  drive.read = true;
  const THDDInfo& info = tables.HDDInfo[drive_number];
  drive.model = info.Model;
  drive.serial = info.SerialNumber;
  drive.firmware = info.Firmware;
  drive.family = tables.Family[drive_number];
  drive.condition = ConditionMetric(condition);
  for (const ShownAttribute& attribute :
       ShownAttributes(tables.AttributeTable[drive_number], tables.ThresholdTable[drive_number])) {
    drive.attributes.push_back(AttributeMetrics{.id = attribute.id,
                                                .name = LookupAttributeName(attribute.id).name,
                                                .value = attribute.current,
                                                .worst = attribute.worst,
                                                .threshold = attribute.threshold,
                                                .raw = Counter128{attribute.raw, 0}});
    if (attribute.id == kTemperatureAttributeId) drive.temperature_celsius = attribute.Raw16();
  }
  const Byte execution = tables.SmartDataSector[smart_data::kSelfTestStatus];
  drive.self_test_running = (execution >> 4) == kSelfTestInProgress;
  if (drive.self_test_running) drive.self_test_remaining_percent = (execution & 0x0F) * 10;
  if (log) drive.last_self_test = LatestSelfTest(*log);
  return drive;
}

DriveMetrics MeasureDrive(SmartDrv& drive_layer, const DriveReport& report) {
  if (!report.Read() || !report.drive_number) {
    DriveMetrics unread;
    unread.device = report.path;
    unread.asleep = report.LeftAsleep();
    return unread;
  }
  const auto drive_number = static_cast<Byte>(*report.drive_number);
  if (drive_layer.Tables().Family[drive_number] == TransportFamily::Nvme) {
    std::optional<NvmeSelfTestLog> log;
    {
      const OpenedDrive drive(drive_layer, report.path);
      if (drive_layer.ReadSelfTestLogNvme(drive.Handle()) == 1) {
        log = drive_layer.Tables().NvmeSelfTest;
      }
    }
    DriveMetrics drive = NvmeDriveMetricsFromTables(drive_layer.Tables(), drive_number,
                                                    ConditionMetric(*report.condition), log);
    drive.device = report.path;
    return drive;
  }
  std::optional<Sector> log;
  {
    const OpenedDrive drive(drive_layer, report.path);
    Sector block{};
    if (drive_layer.ReadSelfTestLog(drive.Handle(), drive_number, block) == 1) log = block;
  }
  DriveMetrics drive =
      DriveMetricsFromTables(drive_layer.Tables(), drive_number, *report.condition, log);
  drive.device = report.path;
  return drive;
}

}  // namespace kestrine
