#include "sysfs_disk.h"

#include <fstream>
#include <string_view>
#include <system_error>

namespace kestrine {

namespace fs = std::filesystem;

namespace {

// Unit serial number VPD page: page code at byte 1, big-endian page length at 2, text from 4.
constexpr std::size_t kVpdPageCode = 1;
constexpr std::size_t kVpdPageLength = 2;
constexpr std::size_t kVpdPayload = 4;
constexpr unsigned char kUnitSerialNumberPage = 0x80;

// A directory name made of `stem` and a decimal number: "ata3", "usb1", "session2".
bool NumberedName(std::string_view name, std::string_view stem) {
  if (!name.starts_with(stem) || name.size() == stem.size()) return false;
  for (char c : name.substr(stem.size())) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// sysfs ends each text attribute with one line feed.
std::string WithoutLineEnd(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

std::string_view TrimmedRight(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\0')) {
    text.remove_suffix(1);
  }
  return text;
}

// A USB id as sysfs writes it: four hexadecimal digits and a line feed.
std::optional<std::uint16_t> UsbIdField(const fs::path& path) {
  const std::optional<std::string> text = ReadSysfsFile(path, 16);
  if (!text) return std::nullopt;
  const std::string digits = WithoutLineEnd(*text);
  if (digits.size() != 4) return std::nullopt;
  std::uint16_t value = 0;
  for (const char c : digits) {
    int digit = 0;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = static_cast<std::uint16_t>(value * 16 + digit);
  }
  return value;
}

}  // namespace

std::optional<std::string> ReadSysfsFile(const fs::path& path, std::size_t limit) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes(limit, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(limit));
  if (file.bad()) return std::nullopt;
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  return bytes;
}

SysfsDisk::SysfsDisk(fs::path sysfs_root, std::string name)
    : root_(std::move(sysfs_root)), name_(std::move(name)) {}

std::optional<std::string> SysfsDisk::DeviceAttribute(const char* name) const {
  std::optional<std::string> text = ReadSysfsFile(BlockDir() / "device" / name);
  if (!text) return std::nullopt;
  return WithoutLineEnd(std::move(*text));
}

DiskAttachment SysfsDisk::Attachment() const {
  std::error_code error;
  const fs::path device = fs::canonical(BlockDir() / "device", error);
  if (error) return {};
  const fs::path root = fs::canonical(root_, error);
  if (error) return {};

  // The device's place in the device tree names every bus on the way to it, e.g.
  // devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0 for a disk on libata.
  std::optional<fs::path> ata_port;
  bool usb = false;
  bool sas = false;
  bool fibre = false;
  bool iscsi = false;
  fs::path walked = root;
  for (const fs::path& part : device.lexically_relative(root)) {
    walked /= part;
    const std::string name = part.string();
    if (NumberedName(name, "usb")) {
      usb = true;
    } else if (NumberedName(name, "ata")) {
      ata_port = walked;
    } else if (name.starts_with("end_device-")) {
      sas = true;
    } else if (name.starts_with("rport-")) {
      fibre = true;
    } else if (NumberedName(name, "session")) {
      iscsi = true;
    }
  }

  DiskAttachment attachment;
  const std::optional<std::string> vendor = DeviceAttribute("vendor");
  const bool ata_vendor = vendor && TrimmedRight(*vendor) == "ATA";
  attachment.ata_layer = !usb && (ata_port.has_value() || ata_vendor);
  if (usb) {
    attachment.bus_type = BusType::Usb;
  } else if (ata_port) {
    attachment.bus_type = SerialLink(*ata_port) ? BusType::Sata : BusType::Ata;
  } else if (sas) {
    attachment.bus_type = BusType::Sas;
  } else if (fibre) {
    attachment.bus_type = BusType::Fibre;
  } else if (iscsi) {
    attachment.bus_type = BusType::Iscsi;
  } else {
    attachment.bus_type = BusType::Scsi;
  }
  return attachment;
}

bool SysfsDisk::SerialLink(const fs::path& ata_port_dir) const {
  // A serial link reports its negotiated speed ("6.0 Gbps"); a parallel one "<unknown>".
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(ata_port_dir, error)) {
    const std::string link = entry.path().filename().string();
    if (!link.starts_with("link")) continue;
    for (const fs::path& speed :
         {entry.path() / "ata_link" / link / "sata_spd", entry.path() / "sata_spd",
          root_ / "class" / "ata_link" / link / "sata_spd"}) {
      const std::optional<std::string> text = ReadSysfsFile(speed, 64);
      if (text && text->find("Gbps") != std::string::npos) return true;
    }
  }
  return false;
}

DescriptorTexts SysfsDisk::Texts() const {
  DescriptorTexts texts;
  texts.vendor = DeviceAttribute("vendor");
  texts.product = DeviceAttribute("model");
  texts.revision = DeviceAttribute("rev");
  if (const std::optional<std::string> page = ReadSysfsFile(BlockDir() / "device" / "vpd_pg80")) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(page->data());
    if (page->size() >= kVpdPayload && bytes[kVpdPageCode] == kUnitSerialNumberPage) {
      const std::size_t length =
          (static_cast<std::size_t>(bytes[kVpdPageLength]) << 8) | bytes[kVpdPageLength + 1];
      texts.serial = page->substr(kVpdPayload, length);
    }
  }
  return texts;
}

DescriptorTexts SysfsDisk::NvmeTexts() const {
  DescriptorTexts texts;
  texts.product = DeviceAttribute("model");
  texts.revision = DeviceAttribute("firmware_rev");
  texts.serial = DeviceAttribute("serial");
  return texts;
}

bool SysfsDisk::Removable() const {
  const std::optional<std::string> text = ReadSysfsFile(BlockDir() / "removable", 16);
  return text && !text->empty() && (*text)[0] == '1';
}

std::uint8_t SysfsDisk::DeviceType() const {
  const std::optional<std::string> text = DeviceAttribute("type");
  if (!text || text->empty() || text->size() > 2) return 0;
  unsigned value = 0;
  for (char c : *text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value <= 0x1F ? static_cast<std::uint8_t>(value) : 0;
}

std::optional<UsbId> SysfsDisk::UsbParentId() const {
  std::error_code error;
  const fs::path root = fs::canonical(root_, error);
  if (error) return std::nullopt;
  fs::path dir = fs::canonical(BlockDir() / "device", error);
  if (error) return std::nullopt;
  // The disk's own device and its SCSI host carry no ids; the USB interface neither. The first
  // directory above with idVendor is the USB device.
  while (dir != root && dir.has_relative_path() && dir.string().starts_with(root.string())) {
    if (fs::exists(dir / "idVendor", error)) {
      const std::optional<std::uint16_t> vendor = UsbIdField(dir / "idVendor");
      const std::optional<std::uint16_t> product = UsbIdField(dir / "idProduct");
      if (!vendor || !product) return std::nullopt;  // not the hub's ids instead
      return UsbId{*vendor, *product};
    }
    dir = dir.parent_path();
  }
  return std::nullopt;
}

bool SysfsDisk::RuntimeSuspended() const {
  const std::optional<std::string> status =
      ReadSysfsFile(BlockDir() / "device" / "power" / "runtime_status", 64);
  return status && WithoutLineEnd(*status) == "suspended";
}

}  // namespace kestrine
