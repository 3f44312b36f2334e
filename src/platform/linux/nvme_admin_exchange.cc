#include "nvme_admin_exchange.h"

#include <sys/ioctl.h>

#include <cstddef>
#include <cstring>

#include "nvme_admin_block.h"

namespace kestrine {

// The drive layer's block is the kernel's structure, byte for byte.
static_assert(sizeof(nvme_admin_cmd) == nvme_admin::kSize);
static_assert(offsetof(nvme_admin_cmd, opcode) == nvme_admin::kOpcode);
static_assert(offsetof(nvme_admin_cmd, flags) == nvme_admin::kFlags);
static_assert(offsetof(nvme_admin_cmd, rsvd1) == nvme_admin::kReserved1);
static_assert(offsetof(nvme_admin_cmd, nsid) == nvme_admin::kNsid);
static_assert(offsetof(nvme_admin_cmd, cdw2) == nvme_admin::kCdw2);
static_assert(offsetof(nvme_admin_cmd, cdw3) == nvme_admin::kCdw3);
static_assert(offsetof(nvme_admin_cmd, metadata) == nvme_admin::kMetadata);
static_assert(offsetof(nvme_admin_cmd, addr) == nvme_admin::kAddr);
static_assert(offsetof(nvme_admin_cmd, metadata_len) == nvme_admin::kMetadataLen);
static_assert(offsetof(nvme_admin_cmd, data_len) == nvme_admin::kDataLen);
static_assert(offsetof(nvme_admin_cmd, cdw10) == nvme_admin::kCdw10);
static_assert(offsetof(nvme_admin_cmd, cdw11) == nvme_admin::kCdw11);
static_assert(offsetof(nvme_admin_cmd, cdw12) == nvme_admin::kCdw12);
static_assert(offsetof(nvme_admin_cmd, cdw13) == nvme_admin::kCdw13);
static_assert(offsetof(nvme_admin_cmd, cdw14) == nvme_admin::kCdw14);
static_assert(offsetof(nvme_admin_cmd, cdw15) == nvme_admin::kCdw15);
static_assert(offsetof(nvme_admin_cmd, timeout_ms) == nvme_admin::kTimeoutMs);
static_assert(offsetof(nvme_admin_cmd, result) == nvme_admin::kResult);
static_assert(kNvmeIoctlAdminCmd == NVME_IOCTL_ADMIN_CMD);

NvmeAdminReply ExecuteNvmeAdmin(LinuxSystemCalls& system, int fd, const NvmeCommand& command,
                                std::span<Byte> data, std::uint32_t timeout_ms) {
  if (data.size() != command.data_length) return {};
  const NvmeAdminBlock block = BuildNvmeAdminBlock(command);
  nvme_admin_cmd request;
  std::memcpy(&request, block.data(), sizeof request);
  request.addr = data.empty() ? 0 : reinterpret_cast<std::uintptr_t>(data.data());
  request.timeout_ms = timeout_ms;
  const int answer = system.NvmeAdmin(fd, request);
  if (answer < 0) return {};
  return NvmeAdminReply{true, static_cast<std::uint32_t>(answer), request.result};
}

}  // namespace kestrine
