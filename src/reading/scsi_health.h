// A SCSI disk's identity and health, decoded from the blocks it answered (scsi_commands.h), and
// the rules that judge it (docs/sas.md gives their reasons).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reading.h"
#include "scsi_commands.h"
#include "scsi_pages.h"

namespace kestrine {

struct ScsiHealth {
  std::optional<ScsiInquiry> inquiry;
  std::optional<std::string> serial;
  std::optional<std::string> wwn;
  std::optional<ScsiBlockCharacteristics> characteristics;
  std::optional<ScsiCapacity> capacity;
  // Log page 00h was read: the disk answers LOG SENSE. Without it, nothing below is judged.
  bool log_sense = false;
  std::optional<ScsiErrorCounters> write_errors;
  std::optional<ScsiErrorCounters> read_errors;
  std::optional<ScsiErrorCounters> verify_errors;
  std::optional<std::uint64_t> non_medium_errors;
  std::optional<ScsiTemperature> temperature;
  std::optional<ScsiStartStop> start_stop;
  std::optional<std::vector<ScsiSelfTestEntry>> self_tests;
  std::optional<Byte> endurance_used;
  std::optional<ScsiBackgroundScan> background_scan;
  std::optional<ScsiInformationalException> informational_exception;
  std::optional<ScsiIeControl> ie_control;
  std::optional<std::uint32_t> grown_defects;
  // REQUEST SENSE's codes, asked where the disk has no page 2Fh.
  std::optional<SenseSummary> request_sense;
};

ScsiHealth DecodeScsiHealth(const ScsiBlocks& blocks);

// The additional sense code of a failure prediction.
inline constexpr Byte kAscFailurePrediction = 0x5D;

// The rules the health meets, in this order: an informational exception (page 2Fh's ASC not 0,
// or REQUEST SENSE's ASC 5Dh) is critical; uncorrected write, read or verify errors, grown
// defects, 100 % or more of the endurance used, or the temperature at or above the reference
// temperature are warnings.
std::vector<Finding> ScsiFindings(const ScsiHealth& health);

// The worst finding's condition; Ok with none; not decided for a disk that answers no LOG SENSE.
Condition ScsiCondition(const ScsiHealth& health);

}  // namespace kestrine
