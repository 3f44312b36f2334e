// struct nvme_admin_cmd (Linux's NVME_IOCTL_ADMIN_CMD, the same as nvme_passthru_cmd): 72 bytes.
// The data address is the caller's: the block carries 0 there until the port sets it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "bytes.h"
#include "nvme_command.h"

namespace kestrine {

namespace nvme_admin {
inline constexpr std::size_t kOpcode = 0;        // u8
inline constexpr std::size_t kFlags = 1;         // u8
inline constexpr std::size_t kReserved1 = 2;     // u16
inline constexpr std::size_t kNsid = 4;          // u32
inline constexpr std::size_t kCdw2 = 8;          // u32
inline constexpr std::size_t kCdw3 = 12;         // u32
inline constexpr std::size_t kMetadata = 16;     // u64, address
inline constexpr std::size_t kAddr = 24;         // u64, address of the data
inline constexpr std::size_t kMetadataLen = 32;  // u32
inline constexpr std::size_t kDataLen = 36;      // u32
inline constexpr std::size_t kCdw10 = 40;        // u32
inline constexpr std::size_t kCdw11 = 44;        // u32
inline constexpr std::size_t kCdw12 = 48;        // u32
inline constexpr std::size_t kCdw13 = 52;        // u32
inline constexpr std::size_t kCdw14 = 56;        // u32
inline constexpr std::size_t kCdw15 = 60;        // u32
inline constexpr std::size_t kTimeoutMs = 64;    // u32
inline constexpr std::size_t kResult = 68;       // u32, completion dword 0 (out)
inline constexpr std::size_t kSize = 72;
// A self-test start or a log read is quick; the drive runs the test in the background. Sixty
// seconds, as the other families allow a drive in standby to spin up.
inline constexpr std::uint32_t kTimeoutMilliseconds = 60000;
}  // namespace nvme_admin

// NVME_IOCTL_ADMIN_CMD, _IOWR('N', 0x41, struct nvme_admin_cmd): the Linux request that carries
// the block.
inline constexpr std::uint32_t kNvmeIoctlAdminCmd = 0xC0484E41;

using NvmeAdminBlock = std::array<Byte, nvme_admin::kSize>;

// The block for one admin command; the data address stays 0.
NvmeAdminBlock BuildNvmeAdminBlock(const NvmeCommand& command);

// The command a block asks for, as a driver reads it: nullopt for a block of the wrong size or
// with fields this program never sets (flags, metadata, CDW2, CDW3, CDW12 to CDW15).
std::optional<NvmeCommand> ReadNvmeAdminBlock(std::span<const Byte> block);

}  // namespace kestrine
