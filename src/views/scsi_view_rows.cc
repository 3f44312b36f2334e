#include "scsi_view_rows.h"

#include <array>

#include "scsi_layout.h"
#include "text_format.h"

namespace kestrine {

namespace {

std::string SelfTestCodeText(Byte code) {
  static constexpr std::array<const char*, 8> kTexts = {
      "Default",          "Background short", "Background extended", "Reserved",
      "Abort background", "Foreground short", "Foreground extended", "Reserved"};
  return code < kTexts.size() ? kTexts[code] : "Reserved";
}

std::string SelfTestResultText(Byte result) {
  static constexpr std::array<const char*, 8> kTexts = {
      "Completed without error", "Aborted by SEND DIAGNOSTIC", "Aborted by another way",
      "Failed: unknown error",   "Failed: segment unknown",    "Failed: first segment",
      "Failed: second segment",  "Failed: another segment",
  };
  if (result == scsi_log::kSelfTestInProgress) return "Self-test in progress";
  return result < kTexts.size() ? kTexts[result] : "Reserved 0x" + UpperHex(result);
}

std::string FormFactorText(Byte form_factor) {
  static constexpr std::array<const char*, 6> kTexts = {
      "Not reported", "5.25 inch", "3.5 inch", "2.5 inch", "1.8 inch", "Less than 1.8 inch"};
  return form_factor < kTexts.size() ? kTexts[form_factor] : "Reserved";
}

std::string CodesText(Byte asc, Byte ascq) {
  return "ASC " + UpperHex(asc, 2) + "h, ASCQ " + UpperHex(ascq, 2) + "h";
}

}  // namespace

std::vector<std::vector<std::string>> ScsiIdentifyViewRows(const ScsiHealth& health) {
  std::vector<std::vector<std::string>> rows;
  if (const auto& inquiry = health.inquiry) {
    rows.push_back({"Vendor", inquiry->vendor});
    rows.push_back({"Product", inquiry->product});
    rows.push_back({"Revision", inquiry->revision});
  }
  rows.push_back({"SN", health.serial.value_or("")});
  rows.push_back({"WWN", health.wwn.value_or("")});
  if (const auto& capacity = health.capacity) {
    rows.push_back({"Capacity", std::to_string(capacity->blocks * capacity->block_length) +
                                    " bytes (" + std::to_string(capacity->blocks) + " blocks)"});
    rows.push_back({"LogicalBlockSize", std::to_string(capacity->block_length)});
  }
  if (const auto& characteristics = health.characteristics) {
    if (const auto& rate = characteristics->rotation_rate) {
      rows.push_back({"Rotation", *rate == scsi_vpd::kNonRotating
                                      ? std::string("Solid state")
                                      : std::to_string(*rate) + " rpm"});
    }
    rows.push_back({"FormFactor", FormFactorText(characteristics->form_factor)});
  }
  return rows;
}

std::vector<std::vector<std::string>> ScsiSelfTestLogRows(
    const std::vector<SelfTestLogEntry>& entries) {
  std::vector<std::vector<std::string>> rows;
  for (const SelfTestLogEntry& entry : entries) {
    rows.push_back({std::to_string(rows.size() + 1), std::to_string(entry.power_on_hours),
                    SelfTestCodeText(entry.code), SelfTestResultText(entry.status),
                    entry.failing_lba ? std::to_string(*entry.failing_lba) : "", ""});
  }
  return rows;
}

std::vector<std::vector<std::string>> ScsiGeneralViewRows(const ScsiHealth& health) {
  std::vector<std::vector<std::string>> rows;
  if (const auto& ie = health.informational_exception) {
    rows.push_back({"Informational exception", UpperHex(ie->asc, 2) + UpperHex(ie->ascq, 2),
                    ie->asc == 0 ? "None reported" : CodesText(ie->asc, ie->ascq)});
  } else if (const auto& sense = health.request_sense) {
    rows.push_back({"Informational exception (REQUEST SENSE)",
                    UpperHex(sense->asc, 2) + UpperHex(sense->ascq, 2),
                    sense->asc == 0 ? "None reported" : CodesText(sense->asc, sense->ascq)});
  }
  if (const auto& control = health.ie_control) {
    rows.push_back({"Failure prediction reporting", control->dexcpt ? "Disabled" : "Enabled",
                    "DEXCPT " + std::to_string(control->dexcpt ? 1 : 0)});
    rows.push_back({"Test failure prediction", control->test ? "On" : "Off",
                    "TEST " + std::to_string(control->test ? 1 : 0)});
    rows.push_back({"Reporting method", std::to_string(control->mrie), "MRIE"});
  }
  if (const auto& scan = health.background_scan) {
    rows.push_back({"Background scan status", UpperHex(scan->status, 2),
                    std::to_string(scan->scans_performed) + " scans performed"});
  }
  return rows;
}

}  // namespace kestrine
