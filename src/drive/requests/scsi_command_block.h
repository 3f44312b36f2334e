// Any SCSI command the SCSI family sends, in the block of IOCTL_SCSI_PASS_THROUGH: the header,
// filler and sense area laid out as for the SAT commands (sat_pass_through_block.h), then a data
// area as long as the command's data-in transfer.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "bytes.h"
#include "scsi_cdb.h"

namespace kestrine {

// The longest data-in transfer a block carries: a whole log page.
inline constexpr std::uint32_t kScsiMaxDataIn = 0x10000;

// The block for `cdb` with `data_in` bytes to receive (0: a command that moves no data), or an
// empty block for a transfer longer than kScsiMaxDataIn.
std::vector<Byte> BuildScsiCommandBlock(const ScsiCdb& cdb, std::uint32_t data_in);

// What the bytes of a block that came back hold: the SCSI status, the sense bytes the driver had
// room for, and the data the device returned (DataTransferLength, never past the bytes).
struct ScsiCommandReply {
  Byte status = 0;
  std::span<const Byte> sense;
  std::span<const Byte> data;
};
// Nothing for bytes shorter than the header, which holds the status. A driver returns only the
// bytes it wrote: a command without data may come back without its data area, or its sense area.
std::optional<ScsiCommandReply> ReadScsiCommandBlock(std::span<const Byte> block);

// Bytes sent: the header only. Bytes received: the block up to the end of its data area.
std::uint32_t ScsiCommandInSize();

}  // namespace kestrine
