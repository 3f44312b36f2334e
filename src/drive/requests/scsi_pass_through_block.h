// SCSI_PASS_THROUGH (laid out as in sat_pass_through_block.h) carrying any SCSI command, with a
// data area of the command's length: the block of IOCTL_SCSI_PASS_THROUGH for the SCSI family's
// commands (data in, up to a whole log page) and the USB bridges' vendor commands (up to 4096
// bytes in or 512 bytes out).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "bytes.h"
#include "scsi_command.h"

namespace kestrine {

// The longest transfer a block carries: a whole log page.
inline constexpr std::uint32_t kScsiMaxTransfer = 0x10000;

// The whole block: header, filler, sense area and data area (data-out bytes in place); an empty
// block for a transfer longer than kScsiMaxTransfer.
std::vector<Byte> BuildScsiPassThroughBlock(const ScsiCommand& command,
                                            std::uint32_t timeout_seconds);

// Bytes sent: the header, and for data-out the data behind it. Bytes received: the whole block.
std::uint32_t ScsiPassThroughInSize(const ScsiCommand& command);

// What the bytes of a block that came back hold: the SCSI status, the sense bytes the driver had
// room for, the length the driver says moved (DataTransferLength) and the data of that length
// that lies within the bytes.
struct ScsiPassThroughReply {
  Byte status = 0;
  std::span<const Byte> sense;
  std::uint32_t transferred = 0;
  std::span<const Byte> data;
};
// Nothing for bytes shorter than the header, which holds the status. A driver returns only the
// bytes it wrote: a command without data may come back without its data area, or its sense area.
std::optional<ScsiPassThroughReply> ReadScsiPassThroughBlock(std::span<const Byte> block);

// The data a block brought back, `bytes_returned` of it valid: nullopt unless the SCSI status is
// GOOD and the device moved exactly the command's length (a reply claiming more, or less, or
// past what came back, is not the command's data).
std::optional<std::span<const Byte>> ReadScsiPassThroughData(std::span<const Byte> block,
                                                             std::uint32_t bytes_returned,
                                                             const ScsiCommand& command);

}  // namespace kestrine
