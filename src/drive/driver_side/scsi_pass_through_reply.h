// What a Windows driver answers to IOCTL_SCSI_PASS_THROUGH once the command has been carried,
// written once for every device that plays the driver (the simulated bay, the Linux port).
#pragma once

#include <cstdint>
#include <span>

#include "bytes.h"
#include "pass_through_request.h"

namespace kestrine {

// The header as sent, with the device's SCSI status and the bytes moved (DataTransferLength; 0
// without a data phase), `sense` up to the request's sense length at its offset, and for a read
// the data buffer at its offset. `out` holds all of that (ReadScsiPassThroughRequest checked the
// request against its size); `in` and `out` may be the same bytes. Returns the bytes returned:
// the end of the header, of the sense bytes written, or of the data moved, whichever is last.
std::uint32_t WriteScsiPassThroughReply(std::span<const Byte> in,
                                        const ScsiPassThroughRequest& request, Byte status,
                                        std::span<const Byte> sense, std::span<const Byte> data,
                                        std::uint32_t moved, std::span<Byte> out);

}  // namespace kestrine
