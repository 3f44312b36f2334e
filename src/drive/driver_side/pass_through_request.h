// The two pass-through blocks as a driver reads them: what a device port needs to carry the
// request, or nothing for a block a driver refuses (a wrong length field, data or sense outside
// the buffers, a transfer with no direction, a time-out of zero or beyond the drivers' limit).
// The simulated bay and the Linux port both start from these.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "ata_registers.h"
#include "bytes.h"

namespace kestrine {

// The limits the drivers set: 30 hours for a time-out, 64 KiB for one transfer.
inline constexpr std::uint32_t kMaxPassThroughTimeOutSeconds = 108000;
inline constexpr std::uint32_t kMaxPassThroughTransfer = 64 * 1024;

struct AtaPassThroughRequest {
  std::uint16_t flags = 0;
  bool data_in = false;
  bool data_out = false;
  std::uint32_t length = 0;
  std::uint32_t data_offset = 0;
  std::uint32_t timeout_seconds = 0;
  AtaRegisters previous;  // PreviousTaskFile: the 48-bit high-order bytes
  AtaRegisters current;   // CurrentTaskFile
};

// IOCTL_ATA_PASS_THROUGH: `in` as sent, `out_size` the output buffer's size.
std::optional<AtaPassThroughRequest> ReadAtaPassThroughRequest(std::span<const Byte> in,
                                                               std::size_t out_size);

struct ScsiPassThroughRequest {
  Byte cdb_length = 0;
  std::array<Byte, 16> cdb{};
  Byte direction = 0;  // SCSI_IOCTL_DATA_OUT, _IN or _UNSPECIFIED
  std::uint32_t length = 0;
  std::uint32_t data_offset = 0;
  Byte sense_length = 0;
  std::uint32_t sense_offset = 0;
  std::uint32_t timeout_seconds = 0;
};

// IOCTL_SCSI_PASS_THROUGH: `in` as sent, `out_size` the output buffer's size.
std::optional<ScsiPassThroughRequest> ReadScsiPassThroughRequest(std::span<const Byte> in,
                                                                 std::size_t out_size);

}  // namespace kestrine
