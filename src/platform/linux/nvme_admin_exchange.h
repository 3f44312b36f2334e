// One NVMe admin command through NVME_IOCTL_ADMIN_CMD: the drive layer's nvme_admin_cmd block
// (nvme_admin_block.h) with the port's data buffer and time-out filled in, and what came back.
#pragma once

#include <cstdint>
#include <span>

#include "bytes.h"
#include "linux_system_calls.h"
#include "nvme_command.h"

namespace kestrine {

struct NvmeAdminReply {
  bool delivered = false;    // the kernel took the request and the controller answered it
  std::uint32_t status = 0;  // the controller's status field: 0 for success
  std::uint32_t result = 0;  // completion dword 0
  bool Succeeded() const { return delivered && status == 0; }
};

// Sends `command` on `fd`; the controller's data lands in `data`, which must hold exactly the
// command's data length (nothing is sent otherwise).
NvmeAdminReply ExecuteNvmeAdmin(LinuxSystemCalls& system, int fd, const NvmeCommand& command,
                                std::span<Byte> data, std::uint32_t timeout_ms);

}  // namespace kestrine
