// A driver's side of the legacy S.M.A.R.T. requests: its answer to the version query, the check
// of what SENDCMDINPARAMS asks for, and the SENDCMDOUTPARAMS it answers with. The simulated bay
// and the Linux port both answer through these; only the running of the command is their own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ata_registers.h"
#include "bytes.h"

namespace kestrine {

// GETVERSIONINPARAMS of an ATA disk's driver: version 1.1, IDENTIFY and S.M.A.R.T. commands, the
// given device map. False when `out` cannot hold it.
bool WriteSmartVersionAnswer(Byte ide_device_map, std::span<Byte> out,
                             std::uint32_t& bytes_returned);

// What a driver takes a legacy request for.
struct LegacyCommand {
  AtaRegisters registers;
  bool reads_sector = false;       // SMART_RCV_DRIVE_DATA: one sector comes back
  bool returns_registers = false;  // SMART RETURN STATUS: the registers come back after the status
};

// Reads SENDCMDINPARAMS (`in`, as sent) for SMART_RCV_DRIVE_DATA (`receive`) or
// SMART_SEND_DRIVE_COMMAND, with an output buffer of `out_size` bytes. A receive carries
// IDENTIFY DEVICE or a S.M.A.R.T. read of one sector into a 512-byte buffer; a send carries one
// of the S.M.A.R.T. commands that move no data. Anything else, or buffers too small for the
// answer, is refused (nullopt) before any drive sees it.
std::optional<LegacyCommand> ReadLegacyCommand(bool receive, std::span<const Byte> in,
                                               std::size_t out_size);

// How the drive ended a legacy command.
struct LegacyOutcome {
  bool error = false;            // the drive reported an error (aborted the command)
  AtaRegisters returned;         // the drive's registers: the error register in `features`
  std::span<const Byte> sector;  // what a read returned (512 bytes, or empty)
};

// Writes SENDCMDOUTPARAMS for a command ReadLegacyCommand accepted: the status (the buffer size
// returned, SMART_IDE_ERROR and the error register on an error), then the sector read or the
// registers returned. Gives the bytes returned.
std::uint32_t WriteLegacyAnswer(const LegacyCommand& command, const LegacyOutcome& outcome,
                                std::span<Byte> out);

}  // namespace kestrine
