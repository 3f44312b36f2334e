// The Linux device port: the drive layer's Windows request blocks carried to SCSI disks through
// the SCSI generic interface (SG_IO), and to NVMe namespaces as NVMe admin commands, so the drive
// layer runs unchanged.
//
// - "\\.\PHYSICALDRIVEn" opens the n-th SCSI disk (/dev/sda, /dev/sdb, ...).
// - IOCTL_ATA_PASS_THROUGH and the legacy SMART requests become one ATA PASS-THROUGH (16)
//   command each, and are answered only for disks that ATA commands reach (the kernel's ATA
//   layer, not a USB bridge), as on Windows.
// - IOCTL_SCSI_PASS_THROUGH sends its CDB as it is.
// - IOCTL_STORAGE_QUERY_PROPERTY answers with a STORAGE_DEVICE_DESCRIPTOR built from sysfs.
// - "\\.\PHYSICALDRIVE192" and up open NVMe namespaces (disk_path.h), which answer only the
//   property query (bus type NVMe) and the NVMe requests, as NVMe admin commands
//   (nvme_requests.h).
//
// A request the disk's stack cannot carry fails, so the caller falls back to the next transport;
// a request that reached the drive completes even when the drive aborted the command.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "bytes.h"
#include "device_port.h"
#include "linux_system_calls.h"
#include "sysfs_disk.h"

namespace kestrine {

// What an open(2) that failed with `error` (an errno value) means to the drive layer.
OpenFailure DescribeOpenFailure(const std::string& device, int error);

struct LinuxDevicePortOptions {
  std::filesystem::path sysfs_root = "/sys";
  std::filesystem::path dev_root = "/dev";
  // Receives the debug text of the drive layer. Linux has no debugger output channel, so by
  // default the text goes nowhere.
  std::function<void(std::string_view)> debug_sink;
};

class LinuxDevicePort final : public DevicePort {
 public:
  // The real disks: the kernel's calls, /sys and /dev.
  LinuxDevicePort();
  LinuxDevicePort(LinuxSystemCalls& system, LinuxDevicePortOptions options);
  ~LinuxDevicePort() override;
  LinuxDevicePort(const LinuxDevicePort&) = delete;
  LinuxDevicePort& operator=(const LinuxDevicePort&) = delete;

  DeviceHandle Open(std::string_view path, Access access) override;
  bool Close(DeviceHandle handle) override;
  bool Control(DeviceHandle handle, std::uint32_t code, std::span<const Byte> in,
               std::span<Byte> out, std::uint32_t& bytes_returned) override;
  void DebugText(std::string_view text) override;
  OpenFailure LastOpenFailure() const override { return last_open_failure_; }
  // An NVMe namespace's ID, as the kernel gives it: the "n1" of "nvme0n1" is only the kernel's
  // count of the controller's namespaces, not the ID.
  std::optional<std::uint32_t> NvmeNamespaceId(DeviceHandle handle) override;
  // A SCSI disk that runtime power management holds suspended, from sysfs; NVMe namespaces are
  // not asked.
  PowerMode PowerWithoutOpening(std::string_view path) override;
  // The USB device above a SCSI disk in sysfs; NVMe namespaces have none.
  std::optional<UsbId> UsbDeviceId(DeviceHandle handle) override;

 private:
  struct OpenDisk {
    int fd = -1;
    std::string name;  // "sda", "nvme0n1"
    Access access = Access::ReadOnly;
    bool nvme = false;
  };

  SysfsDisk Sysfs(const OpenDisk& disk) const { return SysfsDisk(options_.sysfs_root, disk.name); }
  bool AnswerAtaPassThrough(const OpenDisk& disk, std::span<const Byte> in, std::span<Byte> out,
                            std::uint32_t& bytes_returned);
  bool AnswerSmartRequest(const OpenDisk& disk, bool receive, std::span<const Byte> in,
                          std::span<Byte> out, std::uint32_t& bytes_returned);
  bool AnswerScsiPassThrough(const OpenDisk& disk, std::span<const Byte> in, std::span<Byte> out,
                             std::uint32_t& bytes_returned);
  bool AnswerPropertyQuery(const OpenDisk& disk, std::span<const Byte> in, std::span<Byte> out,
                           std::uint32_t& bytes_returned);
  bool AnswerNvme(const OpenDisk& disk, std::uint32_t code, std::span<const Byte> in,
                  std::span<Byte> out, std::uint32_t& bytes_returned);

  LinuxSystemCalls& system_;
  LinuxDevicePortOptions options_;
  std::map<DeviceHandle, OpenDisk> disks_;
  OpenFailure last_open_failure_;
};

}  // namespace kestrine
