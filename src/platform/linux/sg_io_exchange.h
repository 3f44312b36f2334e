// One SCSI command through SG_IO, and the ATA PASS-THROUGH (16) command that carries an ATA
// command to a disk on the kernel's ATA layer (or behind a SCSI/ATA translator). The builders and
// the reading of the reply are plain byte work; only Execute touches the system.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "ata_registers.h"
#include "bytes.h"
#include "linux_system_calls.h"
#include "scsi_sense.h"

namespace kestrine {

namespace scsi {
// driver_status: its low half is the driver's verdict; "sense follows" is not a failure.
inline constexpr std::uint16_t kDriverStatusMask = 0x0F;
inline constexpr std::uint16_t kDriverSense = 0x08;
}  // namespace scsi

// One SCSI command as SG_IO carries it.
struct SgIoCommand {
  std::array<Byte, 16> cdb{};
  Byte cdb_length = 0;
  int direction = SG_DXFER_NONE;
  // Bytes to send (SG_DXFER_TO_DEV), or the buffer that receives (SG_DXFER_FROM_DEV).
  std::vector<Byte> data;
  std::uint32_t timeout_ms = 0;
  Byte sense_capacity = 0;  // how much sense data the caller takes
};

// What came back.
struct SgIoReply {
  bool delivered = false;  // the kernel took the request at all
  Byte status = 0;
  std::uint16_t host_status = 0;
  std::uint16_t driver_status = 0;
  std::vector<Byte> sense;        // the bytes the kernel wrote, at most sense_capacity
  std::uint32_t transferred = 0;  // data bytes actually moved
  // The exchange completed at the transport level: neither the host adapter nor the driver
  // reports a failure. The SCSI status may still be CHECK CONDITION.
  bool TransportOk() const;
};

SgIoReply Execute(LinuxSystemCalls& system, int fd, SgIoCommand& command);

// An ATA command for ATA PASS-THROUGH (16).
struct AtaCommand {
  AtaRegisters current;
  std::optional<AtaRegisters> previous;  // 48-bit command: the high-order bytes
  bool data_in = false;
  std::uint32_t length = 0;  // data-in bytes wanted (0 for a non-data command)
  std::uint32_t timeout_seconds = 0;
};

// PIO data-in moves whole 512-byte blocks: the buffer is rounded up to them, and the caller takes
// the first `length` bytes. A non-data command asks for the registers back (CK_COND).
SgIoCommand BuildAtaPassThrough16(const AtaCommand& command);

// How an ATA pass-through exchange ended.
struct AtaPassThroughResult {
  // The command reached the drive and the drive completed it, successfully or not. False when
  // the stack could not carry it (transport failure, the opcode or a field refused as illegal,
  // any other refusal without ATA registers).
  bool completed = false;
  std::optional<AtaReturned> registers;
  // The drive reported an error (ERR or DF in the status register).
  bool DriveError() const;
};

AtaPassThroughResult ReadAtaPassThroughReply(const SgIoReply& reply);

}  // namespace kestrine
