// SCSI_PASS_THROUGH in its 32-bit layout, a 4-byte filler, a 32-byte sense area and a 512-byte
// data area, carrying the SAT ATA PASS-THROUGH (12) command: the block of IOCTL_SCSI_PASS_THROUGH.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "ata_registers.h"
#include "bytes.h"

namespace kestrine {

namespace sat_block {
inline constexpr std::size_t kLength = 0;               // u16, 44
inline constexpr std::size_t kScsiStatus = 2;           // u8
inline constexpr std::size_t kPathId = 3;               // u8
inline constexpr std::size_t kTargetId = 4;             // u8
inline constexpr std::size_t kLun = 5;                  // u8
inline constexpr std::size_t kCdbLength = 6;            // u8
inline constexpr std::size_t kSenseInfoLength = 7;      // u8
inline constexpr std::size_t kDataIn = 8;               // u8
inline constexpr std::size_t kDataTransferLength = 12;  // u32
inline constexpr std::size_t kTimeOutValue = 16;        // u32, seconds
inline constexpr std::size_t kDataBufferOffset = 20;    // u32
inline constexpr std::size_t kSenseInfoOffset = 24;     // u32
inline constexpr std::size_t kCdb = 28;                 // 16 bytes
inline constexpr std::size_t kHeaderSize = 44;          // sizeof(SCSI_PASS_THROUGH), 32-bit
inline constexpr std::size_t kSense = 48;
inline constexpr std::size_t kSenseSize = 32;
inline constexpr std::size_t kData = 80;
inline constexpr std::size_t kDataSize = 512;
inline constexpr std::size_t kBlockSize = kData + kDataSize;  // 592

inline constexpr Byte kCdbLength12 = 12;
inline constexpr Byte kSenseInfoLength24 = 24;
inline constexpr Byte kScsiIoctlDataOut = 0;
inline constexpr Byte kScsiIoctlDataIn = 1;
inline constexpr Byte kScsiIoctlDataUnspecified = 2;
inline constexpr std::uint32_t kTimeOutSeconds = 2;
}  // namespace sat_block

static_assert(sat_block::kBlockSize == 592);
static_assert(sat_block::kCdb + 16 == sat_block::kHeaderSize);

using SatPassThroughBlock = std::array<Byte, sat_block::kBlockSize>;

// The block for one ATA command of `length` data-in bytes (0 or 512), carried by ATA PASS-THROUGH
// (12). The registers go out as given (the device byte normally DriveSelectByte of the drive
// number), with the S.M.A.R.T. signature in LBA mid and high for 0xB0 and both clear otherwise. A
// length of 0 makes a non-data command: protocol 3 with no transfer length, and no data direction.
// With `return_registers` the command sets CK_COND: the translator answers CHECK CONDITION with
// the registers the drive returned in the sense data, even when the command succeeded.
SatPassThroughBlock BuildSatPassThroughBlock(const AtaRegisters& registers, std::uint32_t length,
                                             bool return_registers = false);

// Whether the ATA command of a block that came back completed without error: SCSI status GOOD,
// or sense data returning the ATA registers without ERR or DF.
bool SatCommandSucceeded(const SatPassThroughBlock& block);

// Bytes sent: the header only. Bytes received: the block up to the end of the requested data.
inline constexpr std::uint32_t kSatPassThroughInSize = sat_block::kHeaderSize;
constexpr std::uint32_t SatPassThroughOutSize(std::uint32_t length) {
  return static_cast<std::uint32_t>(sat_block::kData) + length;
}

}  // namespace kestrine
