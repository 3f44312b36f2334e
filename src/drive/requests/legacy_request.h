// The legacy S.M.A.R.T. requests: SENDCMDINPARAMS (sent), SENDCMDOUTPARAMS (received) and
// GETVERSIONINPARAMS, the fallback of the ATA pass-through on older drivers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "ata_registers.h"
#include "bytes.h"

namespace kestrine {

namespace legacy {
// SENDCMDINPARAMS
inline constexpr std::size_t kCBufferSize = 0;  // u32
inline constexpr std::size_t kIrDriveRegs = 4;  // IDEREGS (kIdeRegs), 8 bytes
inline constexpr std::size_t kDriveNumber = 12;
inline constexpr std::size_t kInBuffer = 32;
inline constexpr std::size_t kRequestBlockSize = 38;
inline constexpr std::uint32_t kRequestSendSize = 37;  // first 37 bytes go to the driver

// SENDCMDOUTPARAMS
inline constexpr std::size_t kOutCBufferSize = 0;  // u32
inline constexpr std::size_t kDriverError = 4;     // DRIVERSTATUS.bDriverError
inline constexpr std::size_t kIdeError = 5;        // DRIVERSTATUS.bIDEError
inline constexpr std::size_t kStatusSize = 16;     // header up to bBuffer
inline constexpr std::size_t kOutBuffer = 16;
inline constexpr std::size_t kResponseSize = 528;  // header and one sector

// GETVERSIONINPARAMS
inline constexpr std::size_t kVersionSize = 24;
inline constexpr std::size_t kVersion = 0;
inline constexpr std::size_t kRevision = 1;
inline constexpr std::size_t kIdeDeviceMap = 3;
inline constexpr std::size_t kCapabilities = 4;  // u32
}  // namespace legacy

using LegacyRequestBlock = std::array<Byte, legacy::kRequestBlockSize>;
using LegacyResponse = std::array<Byte, legacy::kResponseSize>;
using LegacyStatusSlot = std::array<Byte, legacy::kStatusSize>;
using SmartVersionBlockBytes = std::array<Byte, legacy::kVersionSize>;

// What one legacy request carries: the buffer size, the drive's registers and the drive number.
struct LegacyRegisters {
  std::uint32_t buffer_size = 0;  // cBufferSize: 512 to read a sector, 0 otherwise
  AtaRegisters registers;         // irDriveRegs
  Byte drive_number = 0;          // bDriveNumber
};

LegacyRequestBlock BuildLegacyRequest(const LegacyRegisters& registers);

}  // namespace kestrine
