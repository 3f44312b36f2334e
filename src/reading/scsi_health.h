// A SCSI disk's identity and health, decoded from the blocks it answered (scsi_commands.h), and
// the rules that judge it (docs/sas.md gives their reasons).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reading.h"
#include "scsi_commands.h"
#include "scsi_pages.h"

namespace kestrine {

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

// The health items of a SCSI disk, as the Attributes view shows them, in this order: for each
// of the write, read and verify error counter pages the errors corrected, the bytes processed
// and the uncorrected errors; the non-medium errors; the grown defects; the temperature (its
// threshold the reference temperature); the start-stop and load-unload cycles; the endurance used;
// the informational exception (its raw value ASC << 8 | ASCQ). An item whose value was not read is
// left out.
enum ScsiItemId : int {
  kScsiWriteCorrectedId = 1,
  kScsiWriteProcessedId,
  kScsiWriteUncorrectedId,
  kScsiReadCorrectedId,
  kScsiReadProcessedId,
  kScsiReadUncorrectedId,
  kScsiVerifyCorrectedId,
  kScsiVerifyProcessedId,
  kScsiVerifyUncorrectedId,
  kScsiNonMediumErrorsId,
  kScsiGrownDefectsId,
  kScsiTemperatureId,
  kScsiStartStopCyclesId,
  kScsiLoadUnloadCyclesId,
  kScsiEnduranceUsedId,
  kScsiInformationalExceptionId,
};

// An item's name, as the Attributes view shows it; empty for an id that is none of the above.
std::string_view ScsiItemName(int id);

// The reading of a SCSI disk from its blocks, in drive slot `slot`; the items carry the findings
// of the rules above, each on the item it judges.
DriveReading ScsiReadingFromBlocks(ScsiBlocks blocks, Byte slot);

// Whether the standard INQUIRY data names an ATA disk behind a SCSI/ATA translator (vendor
// "ATA"): such a disk is read as ATA, never as the SCSI family.
bool InquiryNamesAtaDisk(const ScsiHealth& health);

}  // namespace kestrine
