// NVMe admin commands as the drive layer asks for them: the opcode, the namespace and the command
// dwords that matter here, and the data length. Each request block (the Windows protocol query
// and protocol command, the Linux nvme_admin_cmd) is built from or read back into this one value,
// so that the bay and the Linux port carry out exactly what the Windows block asks for.
#pragma once

#include <cstdint>

#include "bytes.h"
#include "nvme_layout.h"

namespace kestrine {

// Admin opcodes.
inline constexpr Byte kNvmeGetLogPage = 0x02;
inline constexpr Byte kNvmeIdentify = 0x06;
inline constexpr Byte kNvmeDeviceSelfTest = 0x14;

// Identify CNS values (CDW10 bits 7:0).
inline constexpr std::uint32_t kCnsNamespace = 0x00;
inline constexpr std::uint32_t kCnsController = 0x01;

// Log page identifiers (CDW10 bits 7:0).
inline constexpr Byte kLogError = 0x01;
inline constexpr Byte kLogHealth = 0x02;
inline constexpr Byte kLogSelfTest = 0x06;

// Device Self-test codes (STC, CDW10 bits 3:0).
inline constexpr std::uint32_t kStcShort = 0x1;
inline constexpr std::uint32_t kStcExtended = 0x2;
inline constexpr std::uint32_t kStcAbort = 0xF;

// Namespace identifiers: the first namespace, and "every namespace" / the controller as a whole.
inline constexpr std::uint32_t kFirstNamespace = 1;
inline constexpr std::uint32_t kAllNamespaces = 0xFFFFFFFF;

struct NvmeCommand {
  Byte opcode = 0;
  std::uint32_t nsid = 0;
  std::uint32_t cdw10 = 0;
  std::uint32_t cdw11 = 0;
  std::uint32_t data_length = 0;  // bytes the controller returns (0: none)
  bool operator==(const NvmeCommand&) const = default;
};

constexpr NvmeCommand IdentifyControllerCommand() {
  return {kNvmeIdentify, 0, kCnsController, 0, nvme_controller::kSize};
}

constexpr NvmeCommand IdentifyNamespaceCommand(std::uint32_t nsid) {
  return {kNvmeIdentify, nsid, kCnsNamespace, 0, nvme_namespace::kSize};
}

// Get Log Page of `length` bytes (a multiple of 4, at least 4) from offset 0: NUMDL, the dword
// count less one, in CDW10 bits 31:16, NUMDU in CDW11 bits 15:0.
constexpr NvmeCommand GetLogPageCommand(Byte log_id, std::uint32_t nsid, std::uint32_t length) {
  const std::uint32_t dwords = length / 4 - 1;
  return {kNvmeGetLogPage, nsid, ((dwords & 0xFFFF) << 16) | log_id, dwords >> 16, length};
}

constexpr NvmeCommand HealthLogCommand() {
  return GetLogPageCommand(kLogHealth, kAllNamespaces, nvme_health::kSize);
}

constexpr NvmeCommand SelfTestLogCommand() {
  return GetLogPageCommand(kLogSelfTest, kAllNamespaces, nvme_self_test_log::kSize);
}

// A self-test of every namespace and the controller.
constexpr NvmeCommand DeviceSelfTestCommand(std::uint32_t code) {
  return {kNvmeDeviceSelfTest, kAllNamespaces, code & 0xF, 0, 0};
}

// The byte count a Get Log Page command asks for, from its NUMDL and NUMDU.
constexpr std::uint64_t LogPageLength(const NvmeCommand& command) {
  const std::uint64_t dwords = ((command.cdw10 >> 16) | ((command.cdw11 & 0xFFFF) << 16)) + 1ULL;
  return dwords * 4;
}

static_assert(HealthLogCommand().cdw10 == 0x007F0002);
static_assert(SelfTestLogCommand().cdw10 == 0x008C0006);
static_assert(LogPageLength(SelfTestLogCommand()) == nvme_self_test_log::kSize);

}  // namespace kestrine
