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
constexpr std::size_t kFixedAdditionalLength = 7;
constexpr std::size_t kFixedAsc = 12;
constexpr std::size_t kFixedAscq = 13;
constexpr std::size_t kFixedAtaSize = 12;
constexpr RegisterLayout kFixedRegisters{.features = 3,
                                         .count = 6,
                                         .lba_low = 9,
                                         .lba_mid = 10,
                                         .lba_high = 11,
                                         .device = 5,
                                         .command = 4};

// Descriptor format: key, ASC, ASCQ, additional length, then descriptors from byte 8.
constexpr std::size_t kDescKey = 1;
constexpr std::size_t kDescAsc = 2;
constexpr std::size_t kDescAscq = 3;
constexpr std::size_t kDescAdditionalLength = 7;
constexpr std::size_t kDescFirst = 8;
// ATA Status Return descriptor; the 48-bit high-order bytes of count and LBA sit one before each.
constexpr Byte kAtaStatusReturn = 0x09;
constexpr Byte kAtaStatusReturnLength = 0x0C;
constexpr std::size_t kAtaDescExtend = 2;
constexpr RegisterLayout kDescriptorRegisters{.features = 3,
                                              .count = 5,
                                              .lba_low = 7,
                                              .lba_mid = 9,
                                              .lba_high = 11,
                                              .device = 12,
                                              .command = 13};
constexpr std::size_t kAtaDescSize = 14;

std::optional<AtaReturned> FixedAtaRegisters(std::span<const Byte> s) {
  if (s.size() < kFixedAtaSize) return std::nullopt;
  // This format has room only for flags telling that the 48-bit high-order bytes are non-zero,
  // not for the bytes: they stay unknown (not `extended`).
  AtaReturned ata;
  ata.current = ReadRegisters(s, kFixedRegisters);
  return ata;
}

AtaReturned DescriptorAtaRegisters(std::span<const Byte> d) {
  AtaReturned ata;
  ata.extended = (d[kAtaDescExtend] & 0x01) != 0;
  ata.current = ReadRegisters(d, kDescriptorRegisters);
  if (ata.extended) {
    const RegisterLayout& at = kDescriptorRegisters;
    ata.previous = AtaRegisters{.count = d[at.count - 1],
                                .lba_low = d[at.lba_low - 1],
                                .lba_mid = d[at.lba_mid - 1],
                                .lba_high = d[at.lba_high - 1]};
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

FixedSenseData FixedSense(Byte key, Byte asc, Byte ascq, const AtaRegisters& returned) {
  FixedSenseData sense{};
  sense[0] = kFixedCurrent;
  sense[kFixedKey] = key;
  sense[kFixedAdditionalLength] = static_cast<Byte>(sense.size() - (kFixedAdditionalLength + 1));
  sense[kFixedAsc] = asc;
  sense[kFixedAscq] = ascq;
  WriteRegisters(sense, kFixedRegisters, returned);
  return sense;
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
