#include "scsi_health.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "scsi_layout.h"
#include "text_format.h"

namespace kestrine {

namespace {

template <typename T>
std::optional<T> Decoded(const std::optional<std::vector<Byte>>& block,
                         std::optional<T> (*decode)(std::span<const Byte>)) {
  return block ? decode(*block) : std::nullopt;
}

const std::vector<Byte>* LogPage(const ScsiBlocks& blocks, Byte page) {
  const auto it = blocks.log.find(page);
  return it == blocks.log.end() ? nullptr : &it->second;
}

const std::vector<Byte>* VpdPage(const ScsiBlocks& blocks, Byte page) {
  const auto it = blocks.vpd.find(page);
  return it == blocks.vpd.end() ? nullptr : &it->second;
}

std::optional<ScsiErrorCounters> Counters(const ScsiBlocks& blocks, Byte page) {
  const std::vector<Byte>* data = LogPage(blocks, page);
  return data == nullptr ? std::nullopt : DecodeErrorCounterPage(*data, page);
}

std::string CodesText(Byte asc, Byte ascq) {
  return "ASC " + UpperHex(asc, 2) + "h, ASCQ " + UpperHex(ascq, 2) + "h";
}

// A finding and the item it judges.
struct ItemFinding {
  int id = 0;
  Finding finding;
};

void AddUncorrected(std::vector<ItemFinding>& findings,
                    const std::optional<ScsiErrorCounters>& page, const char* what, int id) {
  if (!page) return;
  const std::optional<std::uint64_t> count = page->Uncorrected();
  if (count && *count > 0) {
    findings.push_back(
        {id, {Verdict::Warning, std::to_string(*count) + " uncorrected " + what + " errors"}});
  }
}

std::vector<ItemFinding> ScsiItemFindings(const ScsiHealth& health) {
  std::vector<ItemFinding> findings;
  const int ie = kScsiInformationalExceptionId;
  if (const auto& exception = health.informational_exception; exception && exception->asc != 0) {
    findings.push_back(
        {ie,
         {Verdict::Critical,
          "Informational exception reported (" + CodesText(exception->asc, exception->ascq) +
              (exception->asc == kAscFailurePrediction ? "): failure prediction threshold exceeded"
                                                       : ")")}});
  } else if (const auto& sense = health.request_sense;
             sense && sense->asc == kAscFailurePrediction) {
    findings.push_back({ie,
                        {Verdict::Critical, "Failure prediction threshold exceeded (" +
                                                CodesText(sense->asc, sense->ascq) + ")"}});
  }
  AddUncorrected(findings, health.read_errors, "read", kScsiReadUncorrectedId);
  AddUncorrected(findings, health.write_errors, "write", kScsiWriteUncorrectedId);
  AddUncorrected(findings, health.verify_errors, "verify", kScsiVerifyUncorrectedId);
  if (health.grown_defects && *health.grown_defects > 0) {
    findings.push_back(
        {kScsiGrownDefectsId,
         {Verdict::Warning, std::to_string(*health.grown_defects) + " grown defects"}});
  }
  if (health.endurance_used && *health.endurance_used >= 100) {
    findings.push_back(
        {kScsiEnduranceUsedId,
         {Verdict::Warning, std::to_string(*health.endurance_used) + " % of the endurance used"}});
  }
  if (const auto& t = health.temperature;
      t && t->current && t->reference && *t->current >= *t->reference) {
    findings.push_back({kScsiTemperatureId,
                        {Verdict::Warning, "Temperature " + std::to_string(*t->current) +
                                               " C at or above the reference " +
                                               std::to_string(*t->reference) + " C"}});
  }
  return findings;
}

constexpr std::array<std::string_view, kScsiInformationalExceptionId> kScsiItemNames = {
    "Errors corrected on write",
    "Bytes processed on write",
    "Uncorrected errors on write",
    "Errors corrected on read",
    "Bytes processed on read",
    "Uncorrected errors on read",
    "Errors corrected on verify",
    "Bytes processed on verify",
    "Uncorrected errors on verify",
    "Non-medium errors",
    "Grown defects",
    "Temperature (Celsius)",
    "Start-stop cycles",
    "Load-unload cycles",
    "Percentage used endurance indicator",
    "Informational exception",
};

// The items whose values were read, without findings yet.
std::vector<HealthItem> ScsiItems(const ScsiHealth& health) {
  std::vector<HealthItem> items;
  const auto add = [&](int id, std::optional<std::uint64_t> raw,
                       std::optional<int> threshold = std::nullopt) {
    if (!raw) return;
    HealthItem item;
    item.id = id;
    item.name = ScsiItemName(id);
    item.threshold = threshold;
    item.raw = Counter128{*raw, 0};
    items.push_back(std::move(item));
  };
  using namespace scsi_log;
  const std::pair<const std::optional<ScsiErrorCounters>&, int> pages[] = {
      {health.write_errors, kScsiWriteCorrectedId},
      {health.read_errors, kScsiReadCorrectedId},
      {health.verify_errors, kScsiVerifyCorrectedId}};
  for (const auto& [page, first_id] : pages) {
    if (!page) continue;
    add(first_id, page->counters[kTotalCorrected]);
    add(first_id + 1, page->counters[kTotalBytesProcessed]);
    add(first_id + 2, page->counters[kTotalUncorrected]);
  }
  add(kScsiNonMediumErrorsId, health.non_medium_errors);
  add(kScsiGrownDefectsId, health.grown_defects);
  if (const auto& t = health.temperature; t && t->current) {
    add(kScsiTemperatureId, t->current,
        t->reference ? std::optional<int>(*t->reference) : std::nullopt);
  }
  if (const auto& cycles = health.start_stop) {
    add(kScsiStartStopCyclesId, cycles->accumulated_cycles);
    add(kScsiLoadUnloadCyclesId, cycles->accumulated_load_unload);
  }
  add(kScsiEnduranceUsedId, health.endurance_used);
  if (const auto& ie = health.informational_exception) {
    add(kScsiInformationalExceptionId, (ie->asc << 8) | ie->ascq);
  } else if (const auto& sense = health.request_sense) {
    add(kScsiInformationalExceptionId, (sense->asc << 8) | sense->ascq);
  }
  return items;
}

}  // namespace

ScsiHealth DecodeScsiHealth(const ScsiBlocks& blocks) {
  using namespace scsi_log;
  ScsiHealth health;
  health.inquiry = Decoded(blocks.inquiry, &DecodeStandardInquiry);
  if (const auto* data = VpdPage(blocks, scsi_vpd::kUnitSerialNumber)) {
    health.serial = DecodeUnitSerial(*data);
  }
  if (const auto* data = VpdPage(blocks, scsi_vpd::kDeviceIdentification)) {
    health.wwn = DecodeWorldWideName(*data);
  }
  if (const auto* data = VpdPage(blocks, scsi_vpd::kBlockCharacteristics)) {
    health.characteristics = DecodeBlockCharacteristics(*data);
  }
  health.capacity = Decoded(blocks.capacity16, &DecodeReadCapacity16);
  if (!health.capacity) health.capacity = Decoded(blocks.capacity10, &DecodeReadCapacity10);

  const std::vector<Byte>* supported = LogPage(blocks, kSupportedPages);
  health.log_sense = supported != nullptr && DecodeSupportedLogPages(*supported).has_value();
  health.write_errors = Counters(blocks, kWriteErrors);
  health.read_errors = Counters(blocks, kReadErrors);
  health.verify_errors = Counters(blocks, kVerifyErrors);
  auto page = [&](Byte code, auto decode) {
    const std::vector<Byte>* data = LogPage(blocks, code);
    return data == nullptr ? decltype(decode(std::span<const Byte>())){} : decode(*data);
  };
  health.non_medium_errors = page(kNonMediumErrors, &DecodeNonMediumErrors);
  health.temperature = page(kTemperature, &DecodeTemperaturePage);
  health.start_stop = page(kStartStopCycles, &DecodeStartStopPage);
  health.self_tests = page(kSelfTestResults, &DecodeSelfTestResults);
  health.endurance_used = page(kSolidStateMedia, &DecodeEnduranceUsed);
  health.background_scan = page(kBackgroundScan, &DecodeBackgroundScan);
  health.informational_exception = page(kInformationalExceptions, &DecodeInformationalExceptions);
  health.ie_control = Decoded(blocks.ie_mode, &DecodeIeControlPage);
  health.grown_defects = Decoded(blocks.defects12, &DecodeGrownDefects12);
  if (!health.grown_defects)
    health.grown_defects = Decoded(blocks.defects10, &DecodeGrownDefects10);
  health.request_sense = blocks.request_sense;
  return health;
}

std::vector<Finding> ScsiFindings(const ScsiHealth& health) {
  std::vector<Finding> findings;
  for (ItemFinding& item : ScsiItemFindings(health)) findings.push_back(std::move(item.finding));
  return findings;
}

Condition ScsiCondition(const ScsiHealth& health) {
  if (!health.log_sense) return Condition::NotDecided;
  Condition condition = Condition::Ok;
  for (const Finding& finding : ScsiFindings(health)) {
    condition = std::max(condition, ConditionOf(finding.verdict));
  }
  return condition;
}

}  // namespace kestrine

namespace kestrine {

DriveReading ScsiReadingFromBlocks(ScsiBlocks blocks, Byte slot) {
  DriveReading reading;
  reading.slot = slot;
  reading.family = CommandFamily::Scsi;
  ScsiHealth health = DecodeScsiHealth(blocks);
  if (health.inquiry) {
    reading.identity.model = health.inquiry->vendor.empty()
                                 ? health.inquiry->product
                                 : health.inquiry->vendor + " " + health.inquiry->product;
    reading.identity.firmware = health.inquiry->revision;
  }
  reading.identity.serial = health.serial.value_or(std::string());
  reading.parts.identity = health.inquiry.has_value();
  reading.parts.health = health.log_sense;
  if (health.log_sense) {
    reading.items = ScsiItems(health);
    for (ItemFinding& finding : ScsiItemFindings(health)) {
      const auto item = std::ranges::find(reading.items, finding.id, &HealthItem::id);
      if (item != reading.items.end()) item->findings.push_back(std::move(finding.finding));
    }
    reading.condition = ScsiCondition(health);
    if (health.temperature && health.temperature->current)
      reading.temperature_celsius = *health.temperature->current;
  }
  if (health.self_tests) {
    reading.parts.self_test_log = true;
    for (const ScsiSelfTestEntry& entry : *health.self_tests) {
      reading.self_test_log.push_back(SelfTestLogEntry{.code = entry.code,
                                                       .status = entry.result,
                                                       .power_on_hours = entry.power_on_hours,
                                                       .failing_lba = entry.first_failure_lba,
                                                       .remaining_percent = std::nullopt});
    }
    // Parameter 1 is the most recent test; a result of Fh is one under way.
    if (!reading.self_test_log.empty() && health.self_tests->front().parameter == 1) {
      reading.last_self_test = reading.self_test_log.front();
      reading.self_test.running =
          reading.self_test_log.front().status == scsi_log::kSelfTestInProgress;
    }
  }
  reading.part = ScsiPart{.health = std::move(health), .blocks = std::move(blocks)};
  return reading;
}

std::string_view ScsiItemName(int id) {
  if (id < 1 || id > static_cast<int>(kScsiItemNames.size())) return {};
  return kScsiItemNames[static_cast<std::size_t>(id - 1)];
}

bool InquiryNamesAtaDisk(const ScsiHealth& health) {
  return health.inquiry && health.inquiry->vendor == "ATA";
}

}  // namespace kestrine
