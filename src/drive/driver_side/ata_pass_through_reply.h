// A driver's answer to IOCTL_ATA_PASS_THROUGH: the block that comes back. The simulated bay and
// the Linux port both answer through this; only the running of the command is their own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "ata_registers.h"
#include "bytes.h"
#include "pass_through_request.h"

namespace kestrine {

// The registers of a command that completed without the drive's own coming back: those sent, with
// a clear error register and the ready status, or ABRT and the ready status with ERR.
AtaRegisters CompletionRegisters(const AtaRegisters& sent, bool aborted);

// Writes the block that comes back for a request ReadAtaPassThroughRequest accepted (`in` as
// sent): the header as sent, then the registers the drive returned (error in the features byte,
// status in the command byte; with `previous`, the 48-bit high-order bytes in the previous task
// file), and the data read at the request's data offset. Gives the bytes returned.
std::uint32_t WriteAtaPassThroughReply(std::span<const Byte> in,
                                       const AtaPassThroughRequest& request,
                                       const AtaRegisters& current,
                                       const std::optional<AtaRegisters>& previous,
                                       std::span<const Byte> data, std::span<Byte> out);

}  // namespace kestrine
