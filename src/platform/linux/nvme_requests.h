// The drive layer's Windows NVMe requests carried to an NVMe namespace (/dev/nvmeXnY) as
// NVME_IOCTL_ADMIN_CMD commands:
// - the protocol-specific IOCTL_STORAGE_QUERY_PROPERTY (Identify, Get Log Page) becomes the admin
//   command the in-box Windows driver sends for it, and its data comes back behind a
//   STORAGE_PROTOCOL_DATA_DESCRIPTOR;
// - IOCTL_STORAGE_PROTOCOL_COMMAND carries only the Device Self-test command (short or extended,
//   every namespace), and comes back with the driver's status filled in.
// A request that is malformed, asks for anything else, or that the kernel or the controller
// refuses fails with the reply untouched, as a driver fails it. A self-test the controller
// refuses completes with the error status, as on Windows.
#pragma once

#include <cstdint>
#include <span>

#include "bytes.h"
#include "linux_system_calls.h"

namespace kestrine {

bool AnswerNvmeProtocolQuery(LinuxSystemCalls& system, int fd, std::span<const Byte> in,
                             std::span<Byte> out, std::uint32_t timeout_ms,
                             std::uint32_t& bytes_returned);

// `timeout_ms` is the least time the command gets; the block's own time-out may ask for more.
bool AnswerNvmeProtocolCommand(LinuxSystemCalls& system, int fd, std::span<const Byte> in,
                               std::span<Byte> out, std::uint32_t timeout_ms,
                               std::uint32_t& bytes_returned);

}  // namespace kestrine
