// What sysfs tells about one SCSI disk (/sys/block/sdX): where it hangs, whether the kernel's ATA
// layer drives it, and the texts the storage stack reports for it. The root is a parameter so that
// tests read a fake tree made in a temporary folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kestrine {

// STORAGE_BUS_TYPE values the port reports.
namespace storage_bus {
inline constexpr std::uint32_t kUnknown = 0;
inline constexpr std::uint32_t kScsi = 1;
inline constexpr std::uint32_t kAta = 3;
inline constexpr std::uint32_t kFibre = 6;
inline constexpr std::uint32_t kUsb = 7;
inline constexpr std::uint32_t kIscsi = 9;
inline constexpr std::uint32_t kSas = 10;
inline constexpr std::uint32_t kSata = 11;
}  // namespace storage_bus

struct DiskAttachment {
  std::uint32_t bus_type = storage_bus::kUnknown;
  // ATA commands reach the drive: libata drives it, or a SCSI/ATA translator that says so
  // (vendor "ATA"). A USB bridge never counts, as on Windows.
  bool ata_layer = false;
};

// The storage stack's texts of a disk; absent ones stay empty.
struct DiskTexts {
  std::optional<std::string> vendor;
  std::optional<std::string> product;
  std::optional<std::string> revision;
  std::optional<std::string> serial;
};

class SysfsDisk {
 public:
  SysfsDisk(std::filesystem::path sysfs_root, std::string name);

  DiskAttachment Attachment() const;
  DiskTexts Texts() const;
  bool Removable() const;
  // SCSI peripheral device type (0 for a disk).
  std::uint8_t DeviceType() const;

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
