// The SCSI commands that carry an ATA command to a SCSI/ATA translator, ATA PASS-THROUGH (12) and
// (16): their bytes, and a writer and a reader for the registers in each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "ata_registers.h"
#include "bytes.h"

namespace kestrine {

namespace ata_cdb {
inline constexpr Byte kOpcode12 = 0xA1;
inline constexpr Byte kOpcode16 = 0x85;
inline constexpr std::size_t kLength12 = 12;
inline constexpr std::size_t kLength16 = 16;
// Byte 1: PROTOCOL in bits 4-1, EXTEND (48-bit registers) in bit 0.
inline constexpr std::size_t kProtocolByte = 1;
inline constexpr Byte kProtocolNonData = 3 << 1;
inline constexpr Byte kProtocolPioDataIn = 4 << 1;
inline constexpr Byte kProtocolMask = 0x1E;
inline constexpr Byte kExtend = 0x01;
// Byte 2: CK_COND, T_DIR, BYTE_BLOCK and T_LENGTH.
inline constexpr std::size_t kFlagsByte = 2;
inline constexpr Byte kCheckCondition = 0x20;       // return the registers
inline constexpr Byte kTransferFromDevice = 0x08;   // T_DIR
inline constexpr Byte kLengthInBlocks = 0x04;       // BYTE_BLOCK
inline constexpr Byte kLengthInSectorCount = 0x02;  // T_LENGTH 2
inline constexpr Byte kLengthField = 0x03;          // T_LENGTH
inline constexpr Byte kNoTransfer = 0x00;           // T_LENGTH 0: no data
// Reading SECTOR COUNT blocks of 512 bytes from the device.
inline constexpr Byte kSectorsFromDevice =
    kTransferFromDevice | kLengthInBlocks | kLengthInSectorCount;
inline constexpr std::uint32_t kBlockSize = 512;
}  // namespace ata_cdb

// The protocol number a CDB's byte 1 names (4: PIO data-in).
constexpr Byte AtaCdbProtocol(Byte protocol_byte) {
  return static_cast<Byte>((protocol_byte & ata_cdb::kProtocolMask) >> 1);
}
static_assert(AtaCdbProtocol(ata_cdb::kProtocolPioDataIn) == 4);

// ATA PASS-THROUGH (12): opcode, byte 1, byte 2 and the seven registers, into cdb[0..11].
void WriteAtaPassThrough12(std::span<Byte> cdb, Byte protocol, Byte flags,
                           const AtaRegisters& registers);

// ATA PASS-THROUGH (16), into cdb[0..15]: with `previous`, the 48-bit high-order bytes go in as
// well and byte 1 says EXTEND.
void WriteAtaPassThrough16(std::span<Byte> cdb, Byte protocol, Byte flags,
                           const AtaRegisters& current,
                           const std::optional<AtaRegisters>& previous);

// What an ATA PASS-THROUGH CDB asks for; only the registers of the current command are read.
struct AtaCdbRequest {
  Byte protocol_byte = 0;
  Byte flags = 0;
  AtaRegisters registers;
};

// Reads an ATA PASS-THROUGH (12) or (16) CDB of `length` bytes; nullopt for any other command.
std::optional<AtaCdbRequest> ReadAtaPassThroughCdb(std::span<const Byte> cdb, std::size_t length);

}  // namespace kestrine
