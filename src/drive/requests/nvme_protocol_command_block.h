// IOCTL_STORAGE_PROTOCOL_COMMAND: a STORAGE_PROTOCOL_COMMAND carrying one 64-byte NVMe admin
// command, followed by room for the driver's error information. The in-box NVMe driver lets the
// Device Self-test command through this way (Windows 10 1903 and later); the block moves no data.
// 32-bit layout; the same bytes come back with the driver's status filled in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "bytes.h"
#include "nvme_command.h"

namespace kestrine {

namespace nvme_protocol_command {
inline constexpr std::size_t kVersion = 0;                        // u32
inline constexpr std::size_t kLength = 4;                         // u32, the structure's size
inline constexpr std::size_t kProtocolType = 8;                   // u32
inline constexpr std::size_t kFlags = 12;                         // u32
inline constexpr std::size_t kReturnStatus = 16;                  // u32 (out)
inline constexpr std::size_t kErrorCode = 20;                     // u32 (out)
inline constexpr std::size_t kCommandLength = 24;                 // u32
inline constexpr std::size_t kErrorInfoLength = 28;               // u32
inline constexpr std::size_t kDataToDeviceTransferLength = 32;    // u32
inline constexpr std::size_t kDataFromDeviceTransferLength = 36;  // u32
inline constexpr std::size_t kTimeOutValue = 40;                  // u32, seconds
inline constexpr std::size_t kErrorInfoOffset = 44;               // u32
inline constexpr std::size_t kDataToDeviceBufferOffset = 48;      // u32
inline constexpr std::size_t kDataFromDeviceBufferOffset = 52;    // u32
inline constexpr std::size_t kCommandSpecific = 56;               // u32
inline constexpr std::size_t kReserved0 = 60;                     // u32
inline constexpr std::size_t kFixedProtocolReturnData = 64;       // u32 (out): completion dword 0
inline constexpr std::size_t kReserved1 = 68;                     // 3 × u32
inline constexpr std::size_t kCommand = 80;                       // the NVMe command
inline constexpr std::uint32_t kStructSize = 84;   // sizeof(STORAGE_PROTOCOL_COMMAND): Command[1]
inline constexpr std::uint32_t kCommandSize = 64;  // STORAGE_PROTOCOL_COMMAND_LENGTH_NVME
inline constexpr std::size_t kErrorInfo = kCommand + kCommandSize;  // 144
inline constexpr std::uint32_t kErrorInfoSize = 64;                 // sizeof(NVME_ERROR_INFO_LOG)
inline constexpr std::size_t kBlockSize = kErrorInfo + kErrorInfoSize;  // 208

inline constexpr std::uint32_t kStructureVersion = 1;  // STORAGE_PROTOCOL_STRUCTURE_VERSION
inline constexpr std::uint32_t kProtocolTypeNvme = 3;
inline constexpr std::uint32_t kFlagAdapterRequest = 0x80000000;  // ..._FLAG_ADAPTER_REQUEST
inline constexpr std::uint32_t kNvmeAdminCommand =
    0x01;  // STORAGE_PROTOCOL_SPECIFIC_NVME_ADMIN_COMMAND
inline constexpr std::uint32_t kTimeOutSeconds = 60;
// STORAGE_PROTOCOL_STATUS_*.
inline constexpr std::uint32_t kStatusPending = 0x0;
inline constexpr std::uint32_t kStatusSuccess = 0x1;
inline constexpr std::uint32_t kStatusError = 0x2;
inline constexpr std::uint32_t kStatusInvalidRequest = 0x3;
inline constexpr std::uint32_t kStatusNotSupported = 0xFF;
}  // namespace nvme_protocol_command

// The 64-byte NVMe submission queue entry of an admin command.
namespace nvme_sqe {
inline constexpr std::size_t kOpcode = 0;     // CDW0 bits 7:0
inline constexpr std::size_t kFlags = 1;      // CDW0 bits 15:8: fused operation, PSDT
inline constexpr std::size_t kCommandId = 2;  // u16, set by the driver
inline constexpr std::size_t kNsid = 4;       // u32
inline constexpr std::size_t kCdw2 = 8;
inline constexpr std::size_t kCdw3 = 12;
inline constexpr std::size_t kMetadataPointer = 16;  // u64
inline constexpr std::size_t kDataPointer = 24;      // 16 bytes
inline constexpr std::size_t kCdw10 = 40;
inline constexpr std::size_t kCdw11 = 44;
inline constexpr std::size_t kCdw12 = 48;
inline constexpr std::size_t kCdw13 = 52;
inline constexpr std::size_t kCdw14 = 56;
inline constexpr std::size_t kCdw15 = 60;
}  // namespace nvme_sqe

static_assert(nvme_protocol_command::kBlockSize == 208);

using NvmeProtocolCommandBlock = std::array<Byte, nvme_protocol_command::kBlockSize>;

// The block for one admin command that moves no data (the Device Self-test command), sent to the
// controller (the adapter-request flag), with room for the error information behind it.
NvmeProtocolCommandBlock BuildNvmeProtocolCommandBlock(const NvmeCommand& command);

// The admin command a block carries, as the driver reads it: nullopt for a block shorter than
// its error information, another version, size, protocol or command kind, a command that asks
// for data or carries fields this program never sets.
std::optional<NvmeCommand> ReadNvmeProtocolCommandBlock(std::span<const Byte> block);

// Whether the driver reported the command completed: ReturnStatus SUCCESS.
bool NvmeProtocolCommandSucceeded(std::span<const Byte> block);

}  // namespace kestrine
