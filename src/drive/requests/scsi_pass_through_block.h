// SCSI_PASS_THROUGH (laid out as in sat_pass_through_block.h) carrying any SCSI command, with a
// data area of the command's length: the block of IOCTL_SCSI_PASS_THROUGH for the USB bridges'
// vendor commands, which move up to 4096 bytes in or 512 bytes out.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "bytes.h"
#include "usb_bridge_requests.h"

namespace kestrine {

// The whole block: header, filler, sense area and data area (data-out bytes in place).
std::vector<Byte> BuildScsiPassThroughBlock(const ScsiCommand& command,
                                            std::uint32_t timeout_seconds);

// Bytes sent: the header, and for data-out the data behind it. Bytes received: the whole block.
std::uint32_t ScsiPassThroughInSize(const ScsiCommand& command);

// The data a block brought back, `bytes_returned` of it valid: nullopt unless the SCSI status is
// GOOD and the device moved exactly the command's length (a reply claiming more, or less, or
// past what came back, is not the command's data).
std::optional<std::span<const Byte>> ReadScsiPassThroughData(std::span<const Byte> block,
                                                             std::uint32_t bytes_returned,
                                                             const ScsiCommand& command);

}  // namespace kestrine
