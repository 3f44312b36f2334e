// ATA_PASS_THROUGH_EX in its 32-bit layout, a 4-byte filler and a 512-byte data area: the block
// sent with IOCTL_ATA_PASS_THROUGH and received back in place.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "ata_registers.h"
#include "bytes.h"

namespace kestrine {

namespace ata_block {
inline constexpr std::size_t kLength = 0;              // u16, 40
inline constexpr std::size_t kAtaFlags = 2;            // u16
inline constexpr std::size_t kPathId = 4;              // u8
inline constexpr std::size_t kTargetId = 5;            // u8
inline constexpr std::size_t kLun = 6;                 // u8
inline constexpr std::size_t kDataTransferLength = 8;  // u32
inline constexpr std::size_t kTimeOutValue = 12;       // u32, seconds
inline constexpr std::size_t kDataBufferOffset = 20;   // u32
inline constexpr std::size_t kPreviousTaskFile = 24;   // 8 bytes
inline constexpr std::size_t kCurrentTaskFile = 32;    // 8 bytes
inline constexpr std::size_t kHeaderSize = 40;         // sizeof(ATA_PASS_THROUGH_EX), 32-bit
inline constexpr std::size_t kData = 44;               // after the 4-byte filler
inline constexpr std::size_t kDataSize = 512;
inline constexpr std::size_t kBlockSize = kData + kDataSize;  // 556

inline constexpr std::uint16_t kFlagsDataIn = 2;  // ATA_FLAGS_DATA_IN
inline constexpr std::uint16_t kFlagsDrdyRequired = 1;
// ATA_FLAGS_48BIT_COMMAND: the previous task file carries the 48-bit high-order bytes.
inline constexpr std::uint16_t kFlags48Bit = 8;
inline constexpr std::uint32_t kTimeOutSeconds = 2;
inline constexpr Byte kDataMarker = 0xCF;
}  // namespace ata_block

static_assert(ata_block::kBlockSize == 556);
static_assert(ata_block::kCurrentTaskFile + kIdeRegsSize == ata_block::kHeaderSize);

using AtaPassThroughBlock = std::array<Byte, ata_block::kBlockSize>;

// The block for one ATA command of `length` data-in bytes (0 for none; at most 512). The device
// register carries what the caller puts there (the drive layer puts the drive number itself); the
// LBA registers are set only for 0xB0: the sector number as given and the S.M.A.R.T. signature.
AtaPassThroughBlock BuildAtaPassThroughBlock(const AtaRegisters& registers, std::uint32_t length);

// The current task file of a block: the registers sent, or those the driver returned.
std::span<Byte> CurrentTaskFile(std::span<Byte> block);
std::span<const Byte> CurrentTaskFile(std::span<const Byte> block);

// The number of bytes sent and received: the header and filler, then the requested data.
constexpr std::uint32_t AtaPassThroughExchangeSize(std::uint32_t length) {
  return static_cast<std::uint32_t>(ata_block::kData) + length;
}

}  // namespace kestrine
