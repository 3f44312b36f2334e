// NVMe admin commands carried by the vendor SCSI commands of USB-to-NVMe bridges. A bridge is a
// transport: the NVMe command and the blocks it returns are those of a direct NVMe drive, only
// carried in one or more SCSI commands, each its own CDB and data phase.
//
//   JMicron (JMS583 and kin): ATA PASS-THROUGH (12)'s opcode A1h, byte 1 the admin flag and a
//     phase. Three SCSI commands: the 512-byte NVMe command block out ("NVME" first), the data in
//     (or no data), and the completion in (512 bytes, "NVME" first, status in dword 5).
//   ASMedia (ASM2362/ASM2364): opcode E6h, one 16-byte CDB with the NVMe opcode, CDW10 and CDW12
//     and CDW13; data in. Identify and Get Log Page only.
//   Realtek (RTL9210/RTL9211/RTL9220): opcode E4h, one 16-byte CDB with the length, the NVMe
//     opcode and the low byte of CDW10; data in. Identify and Get Log Page of at most 512 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "bytes.h"
#include "nvme_command.h"
#include "scsi_command.h"

namespace kestrine {

enum class UsbBridge : std::uint8_t { JMicron, ASMedia, Realtek };
inline constexpr std::array<UsbBridge, 3> kUsbBridges = {UsbBridge::JMicron, UsbBridge::ASMedia,
                                                         UsbBridge::Realtek};

// "JMicron", "ASMedia", "Realtek".
std::string_view UsbBridgeName(UsbBridge bridge);

// Each SCSI command of a bridge request is given this long: a bridge that stalls is given up
// after it, and no disk spins up for these commands.
inline constexpr std::uint32_t kBridgeTimeOutSeconds = 10;

// The SCSI commands of a bridge request; which of them carries the command's data (the others
// carry the command or its completion), and how many of the NVMe command's data bytes it
// brings: a bridge may carry fewer than the command asks for, and the rest stays zero.
struct BridgeRequest {
  std::vector<ScsiCommand> phases;
  std::size_t data_phase = 0;
  std::uint32_t carried = 0;
  // JMicron's last phase brings the completion block (ReadJMicronCompletion).
  bool completion_phase = false;
};

namespace jmicron {
inline constexpr Byte kOpcode = 0xA1;  // ATA PASS-THROUGH (12)'s opcode
inline constexpr Byte kCdbLength = 12;
inline constexpr std::size_t kProtocolByte = 1;  // admin flag and phase
inline constexpr std::size_t kLength = 3;        // u24 big-endian, bytes 3 to 5
inline constexpr Byte kAdmin = 0x80;
// Phases (byte 1 bits 6:0).
inline constexpr Byte kPhaseCommand = 0x0;
inline constexpr Byte kPhaseNonData = 0x1;
inline constexpr Byte kPhaseDataIn = 0x2;
inline constexpr Byte kPhaseCompletion = 0xF;
// The NVMe command block and the completion block, both 512 bytes, both "NVME" first.
inline constexpr std::uint32_t kBlockSize = 512;
inline constexpr std::size_t kSignature = 0;  // u32 "NVME" (0x454D564E)
inline constexpr std::uint32_t kSignatureValue = 0x454D564E;
inline constexpr std::size_t kCommandOpcode = 8;  // u32
inline constexpr std::size_t kCommandNsid = 12;   // u32
inline constexpr std::size_t kCommandCdw10 = 48;  // u32, CDW11 to CDW15 follow
inline constexpr std::size_t kCommandCdw11 = 52;
inline constexpr std::size_t kCompletionResult = 8;   // u32, completion dword 0
inline constexpr std::size_t kCompletionStatus = 20;  // u32: the status field in bits 31:17
inline constexpr int kCompletionStatusShift = 17;
// The bridge hangs on a Device Self-test log read of more than 536 bytes: the header and 19 of
// its 20 results are read.
inline constexpr std::uint32_t kSelfTestLogLimit = 536;
}  // namespace jmicron

namespace asmedia {
inline constexpr Byte kOpcode = 0xE6;
inline constexpr Byte kCdbLength = 16;
inline constexpr std::size_t kNvmeOpcode = 1;
inline constexpr std::size_t kCdw10Low = 3;   // CDW10 bits 7:0
inline constexpr std::size_t kCdw10High = 6;  // CDW10 bits 31:16, big-endian
inline constexpr std::size_t kCdw13 = 8;      // big-endian
inline constexpr std::size_t kCdw12 = 12;     // big-endian
}  // namespace asmedia

namespace realtek {
inline constexpr Byte kOpcode = 0xE4;
inline constexpr Byte kCdbLength = 16;
inline constexpr std::size_t kLength = 1;  // u16 little-endian
inline constexpr std::size_t kNvmeOpcode = 3;
inline constexpr std::size_t kCdw10Low = 4;  // the CNS or the log identifier
// A longer log read brings back the previous command's data past 512 bytes.
inline constexpr std::uint32_t kLogLimit = 512;
}  // namespace realtek

// The SCSI commands that carry `command` through `bridge`; nullopt for a command the bridge does
// not carry (ASMedia and Realtek: Identify of the controller or of namespace 1 and Get Log Page
// of the controller only, no Device Self-test).
std::optional<BridgeRequest> BuildBridgeRequest(UsbBridge bridge, const NvmeCommand& command);

// The NVMe command a bridge reads from the SCSI command it was sent, as the bridge would (the
// simulated bridges start from this): for JMicron's first phase its command block (`out`), for
// ASMedia and Realtek the CDB, with the data length the CDB or the transfer (`length`) gives.
// nullopt for a SCSI command not of that bridge or with fields this program never sets.
std::optional<NvmeCommand> ReadBridgeCommand(UsbBridge bridge, std::span<const Byte> cdb,
                                             std::uint32_t length, std::span<const Byte> out);

// JMicron's phase (byte 1 bits 6:0) of an admin CDB of its own, nullopt for another CDB.
std::optional<Byte> JMicronPhase(std::span<const Byte> cdb);

// Whether a CDB is one of a bridge's vendor commands (the Linux port gives those only their own
// time-out: no disk spins up for them).
bool IsUsbBridgeCdb(std::span<const Byte> cdb);

// JMicron's completion block: the NVMe status (0 for success), nullopt when the block does not
// start with the signature.
std::optional<std::uint16_t> ReadJMicronCompletion(
    std::span<const Byte, jmicron::kBlockSize> block);
// The completion block a JMicron bridge answers with.
std::array<Byte, jmicron::kBlockSize> BuildJMicronCompletion(std::uint16_t status);

// The read-only NVMe commands a probe or a reading may send through each bridge: the opcode and
// the low byte of CDW10 (the Identify CNS, the log identifier).
struct BridgeReadCommand {
  UsbBridge bridge;
  Byte opcode;
  Byte selector;
};
inline constexpr std::array<BridgeReadCommand, 15> kBridgeReadCommands = {{
    {UsbBridge::JMicron, kNvmeIdentify, kCnsController},
    {UsbBridge::JMicron, kNvmeIdentify, kCnsNamespace},
    {UsbBridge::JMicron, kNvmeGetLogPage, kLogError},
    {UsbBridge::JMicron, kNvmeGetLogPage, kLogHealth},
    {UsbBridge::JMicron, kNvmeGetLogPage, kLogSelfTest},
    {UsbBridge::ASMedia, kNvmeIdentify, kCnsController},
    {UsbBridge::ASMedia, kNvmeIdentify, kCnsNamespace},
    {UsbBridge::ASMedia, kNvmeGetLogPage, kLogError},
    {UsbBridge::ASMedia, kNvmeGetLogPage, kLogHealth},
    {UsbBridge::ASMedia, kNvmeGetLogPage, kLogSelfTest},
    {UsbBridge::Realtek, kNvmeIdentify, kCnsController},
    {UsbBridge::Realtek, kNvmeIdentify, kCnsNamespace},
    {UsbBridge::Realtek, kNvmeGetLogPage, kLogError},
    {UsbBridge::Realtek, kNvmeGetLogPage, kLogHealth},
    {UsbBridge::Realtek, kNvmeGetLogPage, kLogSelfTest},
}};
static_assert([] {
  for (const BridgeReadCommand& c : kBridgeReadCommands) {
    if (c.opcode != kNvmeIdentify && c.opcode != kNvmeGetLogPage) return false;
  }
  return true;
}());

// Whether `command` is in that list for `bridge`.
bool IsBridgeReadCommand(UsbBridge bridge, const NvmeCommand& command);

}  // namespace kestrine
