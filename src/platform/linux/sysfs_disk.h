// What sysfs tells about one SCSI disk (/sys/block/sdX): where it hangs, whether the kernel's ATA
// layer drives it, and the texts the storage stack reports for it. The root is a parameter so that
// tests read a fake tree made in a temporary folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "storage_bus.h"
#include "storage_descriptor_writer.h"
#include "usb_bridge_detect.h"

namespace kestrine {

struct DiskAttachment {
  BusType bus_type = BusType::Unknown;
  // ATA commands reach the drive: libata drives it, or a SCSI/ATA translator that says so
  // (vendor "ATA"). A USB bridge never counts, as on Windows.
  bool ata_layer = false;
};

class SysfsDisk {
 public:
  SysfsDisk(std::filesystem::path sysfs_root, std::string name);

  DiskAttachment Attachment() const;
  DescriptorTexts Texts() const;  // absent ones stay empty
  // An NVMe namespace's texts, from its controller (or subsystem): model, firmware, serial.
  DescriptorTexts NvmeTexts() const;
  bool Removable() const;
  // SCSI peripheral device type (0 for a disk).
  std::uint8_t DeviceType() const;
  // The kernel's runtime power management holds the disk suspended (device/power/runtime_status
  // reads "suspended"): an open, and every SG_IO, would resume it and spin it up.
  bool RuntimeSuspended() const;
  // The vendor and product ids of the USB device the disk hangs below (its bridge): idVendor
  // and idProduct of the nearest device above it that has them. nullopt off USB, or when they
  // do not read as ids.
  std::optional<UsbId> UsbParentId() const;

 private:
  std::filesystem::path BlockDir() const { return root_ / "block" / name_; }
  std::optional<std::string> DeviceAttribute(const char* name) const;
  bool SerialLink(const std::filesystem::path& ata_port_dir) const;

  std::filesystem::path root_;
  std::string name_;
};

// The bytes of a small sysfs file, at most `limit` of them; nullopt when it cannot be read.
std::optional<std::string> ReadSysfsFile(const std::filesystem::path& path,
                                         std::size_t limit = 4096);

}  // namespace kestrine
