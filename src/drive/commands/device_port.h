// The device port: all that the drive layer needs of a platform. A port opens a device by path,
// closes it, carries one synchronous device-control exchange and takes debug text. The Windows
// port maps it onto CreateFileA/DeviceIoControl, the Linux port onto SG_IO, and the simulated
// drive bay answers from the drive's side.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "power_mode.h"

namespace kestrine {

enum class Access { ReadWrite, ReadOnly };

using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kInvalidHandle = -1;

// Windows device-control codes, CTL_CODE(device type, function, method, access).
constexpr std::uint32_t CtlCode(std::uint32_t device_type, std::uint32_t function,
                                std::uint32_t method, std::uint32_t access) {
  return (device_type << 16) | (access << 14) | (function << 2) | method;
}
inline constexpr std::uint32_t kIoctlAtaPassThrough = 0x4D02C;
inline constexpr std::uint32_t kIoctlScsiPassThrough = 0x4D004;
inline constexpr std::uint32_t kSmartGetVersion = 0x74080;
inline constexpr std::uint32_t kSmartSendDriveCommand = 0x7C084;
inline constexpr std::uint32_t kSmartRcvDriveData = 0x7C088;
// Also carries the NVMe protocol-specific queries (Identify, Get Log Page; nvme_query_block.h),
// which a port without that query translates into its own admin request (nvme_admin_block.h).
inline constexpr std::uint32_t kIoctlStorageQueryProperty = 0x2D1400;
// NVMe admin commands that move no data (the Device Self-test command), in a
// STORAGE_PROTOCOL_COMMAND. A port without NVMe translates it into its own admin request.
inline constexpr std::uint32_t kIoctlStorageProtocolCommand = 0x2DD3C0;
// IOCTL_SCSI_BASE 4, IOCTL_DISK_BASE 7, IOCTL_STORAGE_BASE 0x2D; METHOD_BUFFERED 0;
// FILE_ANY_ACCESS 0, FILE_READ_ACCESS 1, FILE_READ_ACCESS | FILE_WRITE_ACCESS 3.
static_assert(kIoctlAtaPassThrough == CtlCode(4, 0x040B, 0, 3));
static_assert(kIoctlScsiPassThrough == CtlCode(4, 0x0401, 0, 3));
static_assert(kSmartGetVersion == CtlCode(7, 0x0020, 0, 1));
static_assert(kSmartSendDriveCommand == CtlCode(7, 0x0021, 0, 3));
static_assert(kSmartRcvDriveData == CtlCode(7, 0x0022, 0, 3));
static_assert(kIoctlStorageQueryProperty == CtlCode(0x2D, 0x0500, 0, 0));
static_assert(kIoctlStorageProtocolCommand == CtlCode(0x2D, 0x04F0, 0, 3));

// Why an open failed, as far as the platform tells.
enum class OpenError {
  None,          // the last open succeeded, or the port cannot tell
  NoDevice,      // no device behind the path
  AccessDenied,  // the device is there, but the user may not open it
  Other,
};

// A USB device's vendor and product ids.
struct UsbId {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  auto operator<=>(const UsbId&) const = default;
};

struct OpenFailure {
  OpenError error = OpenError::None;
  std::string device;  // the platform's name of what it tried to open ("/dev/sda")
  std::string reason;  // the system's own words ("Permission denied")
};

class DevicePort {
 public:
  virtual ~DevicePort() = default;
  // Opens an existing device, sharing reading and writing with others. kInvalidHandle on failure.
  virtual DeviceHandle Open(std::string_view path, Access access) = 0;
  virtual bool Close(DeviceHandle handle) = 0;
  // One synchronous exchange. `in` and `out` may be the same bytes (the pass-through blocks are
  // sent and received in place), so an implementation reads all of `in` before it writes `out`.
  virtual bool Control(DeviceHandle handle, std::uint32_t code, std::span<const std::uint8_t> in,
                       std::span<std::uint8_t> out, std::uint32_t& bytes_returned) = 0;
  virtual void DebugText(std::string_view text) = 0;
  // Why the last Open failed; OpenError::None after one that succeeded.
  virtual OpenFailure LastOpenFailure() const { return {}; }
  // The ID of the NVMe namespace an open handle addresses, where the platform tells it; nullopt
  // where it does not (the protocol-specific query names the namespace it asks about, and
  // Windows documents no way to learn the handle's own).
  virtual std::optional<std::uint32_t> NvmeNamespaceId(DeviceHandle) { return std::nullopt; }
  // What the system knows of the device's power without opening it or sending it anything:
  // Suspended where it holds the device suspended (an open would resume it), else Unknown.
  virtual PowerMode PowerWithoutOpening(std::string_view /*path*/) { return PowerMode::Unknown; }
  // The ids of the USB device (a bridge) the disk behind an open handle sits on, where the
  // platform tells them; nullopt for a disk not on USB and where the platform does not tell.
  virtual std::optional<UsbId> UsbDeviceId(DeviceHandle) { return std::nullopt; }
};

// A port with no devices: every open fails. Used where a platform has no port of its own.
class NullDevicePort final : public DevicePort {
 public:
  DeviceHandle Open(std::string_view, Access) override { return kInvalidHandle; }
  bool Close(DeviceHandle) override { return false; }
  bool Control(DeviceHandle, std::uint32_t, std::span<const std::uint8_t>, std::span<std::uint8_t>,
               std::uint32_t& bytes_returned) override {
    bytes_returned = 0;
    return false;
  }
  void DebugText(std::string_view) override {}
};

}  // namespace kestrine
