// How the fuzz targets read their input, shared with the seed maker (seed_maker.cc) so that the
// seeds it writes with the program's own request builders are laid out as the targets read them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device_port.h"

namespace kestrine::fuzzing {

// Takes bytes off the front of the input; past its end every byte reads as zero.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t Next16() { return static_cast<std::uint16_t>(Next() | (Next() << 8)); }
  std::vector<std::uint8_t> Take(std::size_t n) {
    n = std::min(n, size_ - at_);
    std::vector<std::uint8_t> bytes(data_ + at_, data_ + at_ + n);
    at_ += n;
    return bytes;
  }
  std::vector<std::uint8_t> Rest() { return Take(size_ - at_); }
  // Fills `destination` whole: what the input no longer holds reads as zero.
  void Fill(std::span<std::uint8_t> destination) {
    for (std::uint8_t& byte : destination) byte = Next();
  }
  bool AtEnd() const { return at_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Builds an input in the same layout.
class InputWriter {
 public:
  void Put(std::uint8_t byte) { bytes_.push_back(byte); }
  void Put16(std::uint16_t value) {
    Put(static_cast<std::uint8_t>(value));
    Put(static_cast<std::uint8_t>(value >> 8));
  }
  template <typename Range>
  void PutBytes(const Range& range) {
    bytes_.insert(bytes_.end(), std::begin(range), std::end(range));
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// The control codes a request's first byte picks from (modulo their number).
inline constexpr std::uint32_t kPortCodes[] = {
    kIoctlAtaPassThrough, kIoctlScsiPassThrough,  kSmartGetVersion,
    kSmartRcvDriveData,   kSmartSendDriveCommand, kIoctlStorageQueryProperty,
};
inline constexpr std::size_t kPortCodeCount = sizeof(kPortCodes) / sizeof(kPortCodes[0]);

// sim_bay_fuzz and the steps of sim_bay_sequence_fuzz: a request to the simulated bay.
//   byte 0     the control code, an index into kBayCodes
//   bytes 1-2  the reply buffer's size (little-endian, modulo kBayMaxReply)
//   byte 3     bit 0: the request block is also the reply buffer; bit 1: opened read-only
//   then       the request block (sim_bay_fuzz: the rest; a sequence step: 2-byte length first)
inline constexpr std::size_t kBayMaxReply = 1200;
inline constexpr std::uint8_t kBayShared = 1;
inline constexpr std::uint8_t kBayReadOnly = 2;

// sim_bay_sequence_fuzz: steps until the input ends, each one byte of kind and its fields.
enum class BayStep : std::uint8_t {
  kRequest = 0,  // a request as above, its block's length as 2 bytes before the block
  kAdvance = 1,  // the bay's clock moves on by (2 bytes) seconds
  kReopen = 2,   // the handle is closed and the drive opened again
};
inline constexpr std::size_t kBayStepKinds = 3;

// sg_io_port_fuzz: the fixed-size fields first, so that the fuzzer can change any length without
// moving the bytes behind it, and the sense data last.
//   byte 0        the control code, an index into the port's codes; 0xFF: the descriptor builder
//   byte 1        bit 0: the USB disk; 1: read-only; 2: in place; 3: the call fails;
//                 4: host status; 5: driver status
//   byte 2        SCSI status
//   bytes 3, 4    host and driver status (used where byte 1 says so)
//   bytes 5-6     residual count (signed)
//   bytes 7-8     request block size, 9-10 reply buffer size, 11-12 reply data size (modulo 2048)
//   then          the request block, the reply data, and the rest: the sense data
inline constexpr std::size_t kSgIoMaxBlock = 2048;
inline constexpr std::uint8_t kSgIoUsbDisk = 1;
inline constexpr std::uint8_t kSgIoReadOnly = 2;
inline constexpr std::uint8_t kSgIoInPlace = 4;
inline constexpr std::uint8_t kSgIoCallFails = 8;
inline constexpr std::uint8_t kSgIoHostStatus = 16;
inline constexpr std::uint8_t kSgIoDriverStatus = 32;

// nvme_bay_fuzz: a request to an NVMe drive of the simulated bay, then the clock moved on and the
// same request again.
//   byte 0     the request: an index into kNvmeBayRequests
//   bytes 1-2  the reply buffer's size, or the admin command's data buffer (modulo kNvmeMaxReply)
//   byte 3     bit 0: the request block is also the reply buffer; bit 1: opened read-only
//   byte 4     minutes the clock moves on between the two requests
//   then       the request block
enum class NvmeBayRequest : std::uint8_t { kQuery = 0, kProtocolCommand = 1, kAdminCommand = 2 };
inline constexpr std::size_t kNvmeBayRequests = 3;
inline constexpr std::size_t kNvmeMaxReply = 4200;

// nvme_admin_port_fuzz: a request to an NVMe namespace of the Linux port and the controller's
// answer to the admin command it becomes.
//   byte 0        bit 0: IOCTL_STORAGE_PROTOCOL_COMMAND (else the property query); 1: read-only;
//                 2: in place; 3: the kernel refuses the admin command
//   bytes 1-2     the controller's status (0: success), 3-6 its completion dword 0
//   bytes 7-8     request block size, 9-10 reply buffer size (modulo kNvmePortMaxBlock)
//   then          the request block, and the rest: the data the controller returns
inline constexpr std::size_t kNvmePortMaxBlock = 8192;
inline constexpr std::uint8_t kNvmePortProtocolCommand = 1;
inline constexpr std::uint8_t kNvmePortReadOnly = 2;
inline constexpr std::uint8_t kNvmePortInPlace = 4;
inline constexpr std::uint8_t kNvmePortKernelRefuses = 8;

// usb_bridge_*_fuzz: the replies to the SCSI pass-through exchanges of a bridge's commands, one
// after another until the input ends (every exchange after that fails), each
//   byte 0     bit 0: the exchange fails
//   bytes 1-2  the bytes returned it reports
//   bytes 3-4  the reply's length, then the reply: written over the block from its start
inline constexpr std::uint8_t kBridgeExchangeFails = 1;

}  // namespace kestrine::fuzzing
