#include "scsi_health.h"

#include <algorithm>

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

void AddUncorrected(std::vector<Finding>& findings, const std::optional<ScsiErrorCounters>& page,
                    const char* what) {
  if (!page) return;
  const std::optional<std::uint64_t> count = page->Uncorrected();
  if (count && *count > 0) {
    findings.push_back(
        {Verdict::Warning, std::to_string(*count) + " uncorrected " + what + " errors"});
  }
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
  if (const auto& ie = health.informational_exception; ie && ie->asc != 0) {
    findings.push_back(
        {Verdict::Critical,
         "Informational exception reported (" + CodesText(ie->asc, ie->ascq) +
             (ie->asc == kAscFailurePrediction ? "): failure prediction threshold exceeded"
                                               : ")")});
  } else if (const auto& sense = health.request_sense;
             sense && sense->asc == kAscFailurePrediction) {
    findings.push_back({Verdict::Critical, "Failure prediction threshold exceeded (" +
                                               CodesText(sense->asc, sense->ascq) + ")"});
  }
  AddUncorrected(findings, health.read_errors, "read");
  AddUncorrected(findings, health.write_errors, "write");
  AddUncorrected(findings, health.verify_errors, "verify");
  if (health.grown_defects && *health.grown_defects > 0) {
    findings.push_back(
        {Verdict::Warning, std::to_string(*health.grown_defects) + " grown defects"});
  }
  if (health.endurance_used && *health.endurance_used >= 100) {
    findings.push_back(
        {Verdict::Warning, std::to_string(*health.endurance_used) + " % of the endurance used"});
  }
  if (const auto& t = health.temperature;
      t && t->current && t->reference && *t->current >= *t->reference) {
    findings.push_back({Verdict::Warning, "Temperature " + std::to_string(*t->current) +
                                              " C at or above the reference " +
                                              std::to_string(*t->reference) + " C"});
  }
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
