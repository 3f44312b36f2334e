#include "reading.h"

#include <algorithm>
#include <array>

#include "attribute_catalogue.h"
#include "shown_attributes.h"
#include "watched_counters.h"

namespace kestrine {

namespace {

// The status code of a self-test execution status byte that says a test is running.
constexpr int kAtaSelfTestInProgress = 15;

std::string BelowThreshold(std::string_view kind, int worst, int threshold) {
  return std::string(kind) + " value: worst " + std::to_string(worst) + " below threshold " +
         std::to_string(threshold);
}

}  // namespace

Verdict HealthItem::ItemVerdict() const {
  Verdict verdict = Verdict::Ok;
  for (const Finding& finding : findings) verdict = std::max(verdict, finding.verdict);
  return verdict;
}

Condition JudgeCondition(const std::vector<HealthItem>& items) {
  Verdict verdict = Verdict::Ok;
  for (const HealthItem& item : items) verdict = std::max(verdict, item.ItemVerdict());
  return ConditionOf(verdict);
}

std::vector<Finding> AtaAttributeFindings(std::string_view type, int id, int worst, int threshold,
                                          int raw16) {
  std::vector<Finding> findings;
  if (type == kTypeOldAge && worst < threshold) {
    findings.push_back({Verdict::Warning, BelowThreshold("old-age", worst, threshold)});
  }
  if (type == kTypePreFail && worst < threshold) {
    findings.push_back({Verdict::Critical, BelowThreshold("pre-fail", worst, threshold)});
  }
  if (IsJudgedAtaCounter(id) && raw16 != 0) {
    findings.push_back({Verdict::Warning, "counter of troubled sectors or failed operations: " +
                                              std::to_string(raw16)});
  }
  return findings;
}

std::vector<Finding> NvmeFieldFindings(int id, const Counter128& value, int threshold) {
  const bool zero = value.low == 0 && value.high == 0;
  const bool small = value.high == 0;
  const auto spare_limit = static_cast<std::uint64_t>(threshold);
  switch (id) {
    case kNvmeCriticalWarningId:
      if (zero) break;
      return {{Verdict::Critical, "critical warning bits set"}};
    case kNvmeAvailableSpareId:
      if (small && value.low < spare_limit) {
        return {{Verdict::Critical, "available spare " + DecimalText(value) +
                                        " below its threshold " + std::to_string(threshold)}};
      }
      if (small && value.low == spare_limit) {
        return {
            {Verdict::Warning, "available spare at its threshold " + std::to_string(threshold)}};
      }
      break;
    case kNvmePercentageUsedId:
      if (small && value.low < 90) break;
      return {{Verdict::Warning, "percentage used " + DecimalText(value) + ": 90 or more"}};
    case kNvmeMediaErrorsId:
      if (zero) break;
      return {{Verdict::Warning, "media and data integrity errors: " + DecimalText(value)}};
    default:
      break;
  }
  return {};
}

DriveReading AtaReadingFromTables(const SmartTables& tables, Byte slot) {
  DriveReading reading;
  reading.slot = slot;
  reading.family = tables.Family[slot];
  const THDDInfo& info = tables.HDDInfo[slot];
  reading.identity =
      DriveIdentity{.model = info.Model, .firmware = info.Firmware, .serial = info.SerialNumber};
  AtaPart& part = reading.part.emplace<AtaPart>();
  part.identify = info;
  part.blocks = AtaBlocks{.identify = tables.IdentifySector[slot],
                          .smart_data = tables.SmartDataSector,
                          .thresholds = tables.SmartThresholdSector,
                          .self_test_log = std::nullopt};
  // Without the S.M.A.R.T. data there is nothing to judge: its cleared block would read as a
  // healthy drive, so the condition stays not decided.
  reading.parts =
      PartsRead{.identity = true, .health = tables.HealthRead[slot], .self_test_log = false};
  part.status = AtaStatusFromSmartData(tables.SmartDataSector);
  if (!reading.parts.health) return reading;
  for (const ShownAttribute& attribute :
       ShownAttributes(tables.AttributeTable[slot], tables.ThresholdTable[slot])) {
    HealthItem item{.id = attribute.id,
                    .name = LookupAttributeName(attribute.id).name,
                    .flags = attribute.flags,
                    .current = attribute.current,
                    .worst = attribute.worst,
                    .threshold = attribute.threshold,
                    .raw = Counter128{attribute.raw, 0},
                    .findings = {}};
    item.findings = AtaAttributeFindings(AttributeTypeText(attribute.flags), attribute.id,
                                         attribute.worst, attribute.threshold, attribute.Raw16());
    if (attribute.id == kTemperatureAttributeId) reading.temperature_celsius = attribute.Raw16();
    reading.items.push_back(std::move(item));
  }
  reading.condition = JudgeCondition(reading.items);
  const Byte execution = part.status->self_test_status;
  reading.self_test.running = (execution >> 4) == kAtaSelfTestInProgress;
  if (reading.self_test.running) reading.self_test.remaining_percent = (execution & 0x0F) * 10;
  return reading;
}

AtaStatus AtaStatusFromSmartData(const Sector& smart_data) {
  using namespace smart_data;
  return AtaStatus{.offline_status = smart_data[kOfflineStatus],
                   .self_test_status = smart_data[kSelfTestStatus],
                   .offline_seconds = ReadLe16(smart_data, kOfflineTotalSeconds),
                   .offline_capability = smart_data[kOfflineCapability],
                   .smart_capability = ReadLe16(smart_data, kSmartCapability),
                   .error_logging = smart_data[kErrorLogging],
                   .short_self_test_minutes = smart_data[kShortPollingMinutes],
                   .extended_self_test_minutes = ExtendedSelfTestMinutes(smart_data)};
}

namespace {

SelfTestLogEntry AtaSelfTestLogEntry(const Sector& log, std::size_t k) {
  using namespace self_test_log;
  const std::size_t at = kFirstDescriptor + k * kDescriptorSize;
  const Byte status = log[at + kStatus];
  SelfTestLogEntry entry{.code = log[at + kType],
                         .status = status,
                         .power_on_hours = ReadLe16(log, at + kLifeHours),
                         .failing_lba = std::nullopt,
                         .remaining_percent = (status & 0x0F) * 10};
  if (status != 0) entry.failing_lba = ReadLe32(log, at + kFailureLba);
  return entry;
}

bool AtaEntryUsed(const Sector& log, std::size_t k) {
  using namespace self_test_log;
  return log[kFirstDescriptor + k * kDescriptorSize + kType] != 0;
}

}  // namespace

std::vector<SelfTestLogEntry> AtaSelfTestEntries(const Sector& log) {
  std::vector<SelfTestLogEntry> entries;
  for (std::size_t k = 0; k < self_test_log::kDescriptorCount && AtaEntryUsed(log, k); ++k) {
    entries.push_back(AtaSelfTestLogEntry(log, k));
  }
  return entries;
}

void AddAtaSelfTestLog(DriveReading& reading, const Sector& log) {
  reading.parts.self_test_log = true;
  if (AtaPart* part = std::get_if<AtaPart>(&reading.part); part && part->blocks)
    part->blocks->self_test_log = log;
  reading.self_test_log = AtaSelfTestEntries(log);
  // The most recent entry is the one the index names (from 1), if that entry is in use.
  reading.last_self_test.reset();
  const std::size_t index = log[self_test_log::kIndex];
  if (index >= 1 && index <= self_test_log::kDescriptorCount && AtaEntryUsed(log, index - 1)) {
    reading.last_self_test = AtaSelfTestLogEntry(log, index - 1);
  }
}

DriveReading NvmeReadingFromTables(const SmartTables& tables, Byte slot) {
  DriveReading reading;
  reading.slot = slot;
  reading.family = CommandFamily::Nvme;
  const NvmeIdentity identity =
      DecodeNvmeIdentity(tables.NvmeController[slot], tables.NvmeNamespace[slot]);
  reading.identity = DriveIdentity{
      .model = identity.Model, .firmware = identity.Firmware, .serial = identity.SerialNumber};
  const NvmeHealthLog& health = tables.NvmeHealth[slot];
  const bool health_read = tables.HealthRead[slot];
  reading.parts = PartsRead{.identity = true, .health = health_read, .self_test_log = false};
  reading.part = NvmePart{.identity = identity,
                          .blocks = NvmeBlocks{.controller = tables.NvmeController[slot],
                                               .namespace_data = tables.NvmeNamespace[slot],
                                               .health = health,
                                               .self_test_log = {}}};
  // A health log that did not come decides nothing: its zeros would read as a spare at its
  // threshold, and no log is no sign of health either.
  if (!health_read) return reading;
  const int spare_threshold = health[nvme_health::kAvailableSpareThreshold];
  for (const NvmeHealthField& field : kNvmeHealthFields) {
    HealthItem item{.id = field.id,
                    .name = field.name,
                    .flags = std::nullopt,
                    .current = std::nullopt,
                    .worst = std::nullopt,
                    .threshold = std::nullopt,
                    .raw = NvmeHealthValue(health, field),
                    .findings = {}};
    if (field.id == kNvmeAvailableSpareId) {
      item.current = health[nvme_health::kAvailableSpare];
      item.threshold = spare_threshold;
    }
    item.findings = NvmeFieldFindings(field.id, item.raw, spare_threshold);
    reading.items.push_back(std::move(item));
  }
  reading.condition = JudgeCondition(reading.items);
  reading.temperature_celsius = NvmeCelsius(ReadLe16(health, nvme_health::kCompositeTemperature));
  return reading;
}

void AddNvmeSelfTestLog(DriveReading& reading, const NvmeSelfTestLog& log) {
  using namespace nvme_self_test_log;
  reading.parts.self_test_log = true;
  if (NvmePart* part = std::get_if<NvmePart>(&reading.part); part && part->blocks)
    part->blocks->self_test_log = log;
  const Byte current = log[kCurrentOperation] & 0x0F;
  reading.self_test.current_code = current;
  reading.self_test.current_completion = log[kCurrentCompletion] & kCompletionMask;
  reading.self_test.running = current != kCodeNone;
  reading.self_test.remaining_percent =
      reading.self_test.running ? 100 - std::min<int>(reading.self_test.current_completion, 100)
                                : 0;
  reading.self_test_log.clear();
  for (const NvmeSelfTestResult& result : NvmeSelfTestResults(log)) {
    reading.self_test_log.push_back(SelfTestLogEntry{
        .code = result.code,
        .status = result.result,
        .power_on_hours = result.power_on_hours,
        .failing_lba = result.failing_lba_valid ? std::optional(result.failing_lba) : std::nullopt,
        .remaining_percent = std::nullopt});
  }
  // The log lists the newest result first.
  reading.last_self_test.reset();
  if (!reading.self_test_log.empty()) reading.last_self_test = reading.self_test_log.front();
}

DriveReading ReadingFromTables(const SmartTables& tables, Byte slot) {
  switch (tables.Family[slot]) {
    case CommandFamily::Ata:
    case CommandFamily::Sat:
      return AtaReadingFromTables(tables, slot);
    case CommandFamily::Nvme:
      return NvmeReadingFromTables(tables, slot);
    case CommandFamily::Scsi:  // its blocks are not in the tables: the session reads them
    case CommandFamily::None:
      break;
  }
  DriveReading reading;
  reading.slot = slot;
  return reading;
}

}  // namespace kestrine
