// SCSI sense data as a SCSI/ATA translator returns it: the sense key and codes, and the ATA
// registers of an ATA PASS-THROUGH command (the ATA status return descriptor, or its image in
// fixed-format sense data). Read by the Linux port from SG_IO and by the drive layer from the
// sense area of a SCSI pass-through block.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "ata_registers.h"
#include "bytes.h"

namespace kestrine {

// SCSI status, sense keys and codes told apart.
namespace scsi {
inline constexpr Byte kStatusGood = 0x00;
inline constexpr Byte kStatusCheckCondition = 0x02;
inline constexpr Byte kSenseNoSense = 0x00;
inline constexpr Byte kSenseRecoveredError = 0x01;
inline constexpr Byte kSenseIllegalRequest = 0x05;
inline constexpr Byte kSenseAbortedCommand = 0x0B;
inline constexpr Byte kAscInvalidOpcode = 0x20;
inline constexpr Byte kAscInvalidFieldInCdb = 0x24;
inline constexpr Byte kAscqAtaInformationAvailable = 0x1D;  // with ASC 0
}  // namespace scsi

// The registers a drive returned, from the sense data of an ATA pass-through command.
struct AtaReturned {
  AtaRegisters current;   // features = error, command = status
  AtaRegisters previous;  // the 48-bit high-order bytes (count and LBA), when `extended`
  bool extended = false;  // the high-order bytes came back
  bool operator==(const AtaReturned&) const = default;
};

struct SenseSummary {
  Byte key = 0;
  Byte asc = 0;
  Byte ascq = 0;
  std::optional<AtaReturned> ata;  // ATA status return descriptor or its fixed-format image
  bool operator==(const SenseSummary&) const = default;
};

// Reads fixed (0x70/0x71) and descriptor (0x72/0x73) format sense data; short or unknown data
// reads as an empty summary.
SenseSummary ParseSense(std::span<const Byte> sense);

// Fixed-format sense data (current, VALID clear) as a SCSI/ATA translator writes it: the sense key,
// ASC and ASCQ, and in the INFORMATION field the registers a drive returned (error and status,
// device and count; the LBA in the COMMAND-SPECIFIC INFORMATION).
using FixedSenseData = std::array<Byte, 18>;
FixedSenseData FixedSense(Byte key, Byte asc, Byte ascq, const AtaRegisters& returned = {});

// Whether an ATA command carried by a SCSI/ATA translator completed without error: SCSI status
// GOOD, or CHECK CONDITION with sense key NO SENSE or RECOVERED ERROR whose sense data returns
// the ATA registers with neither ERR nor DF.
bool AtaCommandSucceeded(Byte scsi_status, std::span<const Byte> sense);

}  // namespace kestrine
