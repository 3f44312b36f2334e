#include "scsi_sense.h"

#include <algorithm>

namespace kestrine {

namespace {

// Sense data formats (response codes, without the VALID bit).
constexpr Byte kResponseCodeMask = 0x7F;
constexpr Byte kFixedCurrent = 0x70;
constexpr Byte kFixedDeferred = 0x71;
constexpr Byte kDescriptorCurrent = 0x72;
constexpr Byte kDescriptorDeferred = 0x73;
constexpr Byte kFixedValid = 0x80;

// Fixed format: sense key, ASC, ASCQ; for ATA pass-through the INFORMATION field holds error,
// status, device and count, and the COMMAND-SPECIFIC INFORMATION the extend flag and the LBA.
constexpr std::size_t kFixedKey = 2;
constexpr std::size_t kFixedError = 3;
constexpr std::size_t kFixedStatus = 4;
constexpr std::size_t kFixedDevice = 5;
constexpr std::size_t kFixedCount = 6;
constexpr std::size_t kFixedLbaLow = 9;
constexpr std::size_t kFixedLbaMid = 10;
constexpr std::size_t kFixedLbaHigh = 11;
constexpr std::size_t kFixedAsc = 12;
constexpr std::size_t kFixedAscq = 13;
constexpr std::size_t kFixedAtaSize = 12;

// Descriptor format: key, ASC, ASCQ, additional length, then descriptors from byte 8.
constexpr std::size_t kDescKey = 1;
constexpr std::size_t kDescAsc = 2;
constexpr std::size_t kDescAscq = 3;
constexpr std::size_t kDescAdditionalLength = 7;
constexpr std::size_t kDescFirst = 8;
// ATA Status Return descriptor.
constexpr Byte kAtaStatusReturn = 0x09;
constexpr Byte kAtaStatusReturnLength = 0x0C;
constexpr std::size_t kAtaDescExtend = 2;
constexpr std::size_t kAtaDescError = 3;
constexpr std::size_t kAtaDescCount = 5;
constexpr std::size_t kAtaDescLbaLow = 7;
constexpr std::size_t kAtaDescLbaMid = 9;
constexpr std::size_t kAtaDescLbaHigh = 11;
constexpr std::size_t kAtaDescDevice = 12;
constexpr std::size_t kAtaDescStatus = 13;
constexpr std::size_t kAtaDescSize = 14;

std::optional<AtaReturned> FixedAtaRegisters(std::span<const Byte> s) {
  if (s.size() < kFixedAtaSize) return std::nullopt;
  AtaReturned ata;
  ata.current.features = s[kFixedError];
  ata.current.command = s[kFixedStatus];
  ata.current.device = s[kFixedDevice];
  ata.current.count = s[kFixedCount];
  ata.current.lba_low = s[kFixedLbaLow];
  ata.current.lba_mid = s[kFixedLbaMid];
  ata.current.lba_high = s[kFixedLbaHigh];
  // This format has room only for flags telling that the 48-bit high-order bytes are non-zero,
  // not for the bytes: they stay unknown (not `extended`).
  return ata;
}

AtaReturned DescriptorAtaRegisters(std::span<const Byte> d) {
  AtaReturned ata;
  ata.extended = (d[kAtaDescExtend] & 0x01) != 0;
  ata.current.features = d[kAtaDescError];
  ata.current.count = d[kAtaDescCount];
  ata.current.lba_low = d[kAtaDescLbaLow];
  ata.current.lba_mid = d[kAtaDescLbaMid];
  ata.current.lba_high = d[kAtaDescLbaHigh];
  ata.current.device = d[kAtaDescDevice];
  ata.current.command = d[kAtaDescStatus];
  if (ata.extended) {
    ata.previous.count = d[kAtaDescCount - 1];
    ata.previous.lba_low = d[kAtaDescLbaLow - 1];
    ata.previous.lba_mid = d[kAtaDescLbaMid - 1];
    ata.previous.lba_high = d[kAtaDescLbaHigh - 1];
  }
  return ata;
}

}  // namespace

SenseSummary ParseSense(std::span<const Byte> s) {
  SenseSummary summary;
  if (s.empty()) return summary;
  const Byte code = s[0] & kResponseCodeMask;
  if (code == kFixedCurrent || code == kFixedDeferred) {
    if (s.size() > kFixedKey) summary.key = s[kFixedKey] & 0x0F;
    if (s.size() > kFixedAsc) summary.asc = s[kFixedAsc];
    if (s.size() > kFixedAscq) summary.ascq = s[kFixedAscq];
    // A SCSI/ATA translator marks the INFORMATION field valid when it holds the registers, and
    // says "ATA pass-through information available" when it returns them without an error.
    const bool information_available = s.size() > kFixedAscq && summary.asc == 0 &&
                                       summary.ascq == scsi::kAscqAtaInformationAvailable;
    if ((s[0] & kFixedValid) != 0 || information_available) summary.ata = FixedAtaRegisters(s);
  } else if (code == kDescriptorCurrent || code == kDescriptorDeferred) {
    if (s.size() < kDescFirst) return summary;
    summary.key = s[kDescKey] & 0x0F;
    summary.asc = s[kDescAsc];
    summary.ascq = s[kDescAscq];
    const std::size_t end = std::min(s.size(), kDescFirst + s[kDescAdditionalLength]);
    std::size_t at = kDescFirst;
    while (at + 2 <= end) {
      const Byte type = s[at];
      const std::size_t length = s[at + 1];
      if (type == kAtaStatusReturn && length >= kAtaStatusReturnLength &&
          at + kAtaDescSize <= end) {
        summary.ata = DescriptorAtaRegisters(s.subspan(at, kAtaDescSize));
        break;
      }
      at += 2 + length;
    }
  }
  return summary;
}

bool AtaCommandSucceeded(Byte scsi_status, std::span<const Byte> sense) {
  if (scsi_status == scsi::kStatusGood) return true;
  if (scsi_status != scsi::kStatusCheckCondition) return false;
  const SenseSummary summary = ParseSense(sense);
  // A translator that returns the registers of a command that completed says so with NO SENSE
  // or RECOVERED ERROR. Any other key (ABORTED COMMAND, ILLEGAL REQUEST, ...) means the command
  // failed, whatever registers it carries: fixed-format sense marked VALID may hold other
  // information, and a short reply reads as zero registers.
  if (summary.key != scsi::kSenseNoSense && summary.key != scsi::kSenseRecoveredError) return false;
  return summary.ata &&
         (summary.ata->current.command & (kAtaStatusError | kAtaStatusDeviceFault)) == 0;
}

}  // namespace kestrine
