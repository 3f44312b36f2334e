// A scripted disk behind the SG_IO seam (a SCSI disk's SG_IO replies, an NVMe namespace's admin
// replies) and a fake sysfs tree in a temporary folder, for the Linux device port's tests and
// fuzz targets.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "bytes.h"
#include "linux_system_calls.h"

namespace kestrine::testing {

// One SG_IO request as the port handed it over.
struct SeenSgIo {
  int fd = -1;
  sg_io_hdr_t header{};
  std::vector<Byte> cdb;
  std::vector<Byte> data_out;  // what a to-device transfer carried
};

// What the disk answers.
struct ScriptedReply {
  int result = 0;  // -1: the ioctl itself fails
  Byte status = 0;
  std::uint16_t host_status = 0;
  std::uint16_t driver_status = 0;
  std::vector<Byte> sense{};
  std::vector<Byte> data{};  // written to the start of a from-device buffer
  int resid = 0;
};

// One NVMe admin command as the port handed it over, and what the controller answers.
struct SeenNvmeAdmin {
  int fd = -1;
  nvme_admin_cmd command{};
};

struct ScriptedNvmeReply {
  int result = 0;            // -1: the ioctl fails (errno EACCES); above 0: the NVMe status
  std::uint32_t dword0 = 0;  // completion dword 0
  std::vector<Byte> data{};  // written to the start of the data buffer
};

class FakeSystemCalls final : public LinuxSystemCalls {
 public:
  std::set<std::string> existing;  // device paths that open
  std::set<std::string> denied;    // device paths there, but refused (EACCES)
  std::vector<std::pair<std::string, int>> opens;
  std::vector<int> closes;
  std::vector<SeenSgIo> exchanges;
  std::deque<ScriptedReply> replies;  // taken in order; then `fallback`
  ScriptedReply fallback;
  std::vector<SeenNvmeAdmin> admin_commands;
  std::deque<ScriptedNvmeReply> nvme_replies;  // taken in order; then `nvme_fallback`
  ScriptedNvmeReply nvme_fallback;
  int namespace_id = 1;  // what NVME_IOCTL_ID answers (-1: it fails)

  int Open(const char* path, int flags) override {
    opens.emplace_back(path, flags);
    if (existing.contains(path)) return next_fd_++;
    errno = denied.contains(path) ? EACCES : ENOENT;
    return -1;
  }
  int Close(int fd) override {
    closes.push_back(fd);
    return 0;
  }
  int SgIo(int fd, sg_io_hdr_t& header) override {
    SeenSgIo seen{fd, header, {}, {}};
    if (header.cmdp != nullptr) seen.cdb.assign(header.cmdp, header.cmdp + header.cmd_len);
    auto* data = static_cast<Byte*>(header.dxferp);
    if (header.dxfer_direction == SG_DXFER_TO_DEV && data != nullptr) {
      seen.data_out.assign(data, data + header.dxfer_len);
    }
    exchanges.push_back(seen);
    // What the kernel refuses outright.
    if (header.interface_id != 'S' || header.cmdp == nullptr || header.cmd_len < 6 ||
        header.cmd_len > 16 || (header.dxfer_len != 0 && data == nullptr) ||
        (header.mx_sb_len != 0 && header.sbp == nullptr)) {
      return -1;
    }
    ScriptedReply reply = fallback;
    if (!replies.empty()) {
      reply = replies.front();
      replies.pop_front();
    }
    if (reply.result != 0) return -1;
    if (header.dxfer_direction == SG_DXFER_FROM_DEV) {
      std::copy_n(reply.data.begin(), std::min<std::size_t>(reply.data.size(), header.dxfer_len),
                  data);
    }
    const std::size_t sense = std::min<std::size_t>(reply.sense.size(), header.mx_sb_len);
    std::copy_n(reply.sense.begin(), sense, header.sbp);
    header.sb_len_wr = static_cast<unsigned char>(sense);
    header.status = reply.status;
    header.masked_status = static_cast<unsigned char>(reply.status >> 1);
    header.host_status = reply.host_status;
    header.driver_status = reply.driver_status;
    if (sense != 0) header.driver_status |= 0x08;  // the kernel's "sense follows"
    header.resid = reply.resid;
    return 0;
  }
  int NvmeAdmin(int fd, nvme_admin_cmd& command) override {
    admin_commands.push_back({fd, command});
    // What the kernel refuses outright: a data length without a buffer.
    if (command.data_len != 0 && command.addr == 0) {
      errno = EFAULT;
      return -1;
    }
    ScriptedNvmeReply reply = nvme_fallback;
    if (!nvme_replies.empty()) {
      reply = nvme_replies.front();
      nvme_replies.pop_front();
    }
    if (reply.result < 0) {
      errno = EACCES;
      return -1;
    }
    auto* data = reinterpret_cast<Byte*>(static_cast<std::uintptr_t>(command.addr));
    std::copy_n(reply.data.begin(), std::min<std::size_t>(reply.data.size(), command.data_len),
                data);
    command.result = reply.dword0;
    return reply.result;
  }

  int NvmeNamespaceId(int) override {
    if (namespace_id < 0) errno = ENOTTY;
    return namespace_id;
  }

 private:
  int next_fd_ = 3;
};

// Sense data a SCSI/ATA translator returns for an ATA pass-through command, in both formats.
inline std::vector<Byte> FixedAtaSense(Byte key, Byte asc, Byte ascq, Byte error, Byte status) {
  std::vector<Byte> s(18, 0);
  s[0] = 0xF0;  // VALID, current
  s[2] = key;
  s[3] = error;
  s[4] = status;
  s[5] = 0x40;  // device
  s[6] = 0x01;  // count
  s[7] = 10;
  s[12] = asc;
  s[13] = ascq;
  return s;
}

inline std::vector<Byte> DescriptorAtaSense(Byte key, Byte asc, Byte ascq, Byte error,
                                            Byte status) {
  return {0x72,  key,  asc,  ascq, 0,    0,    0,    14,   0x09, 0x0C, 0x00,
          error, 0x00, 0x01, 0x00, 0x00, 0x00, 0x4F, 0x00, 0xC2, 0x40, status};
}

// Sense data without ATA registers (a refusal).
inline std::vector<Byte> PlainSense(Byte key, Byte asc, Byte ascq = 0) {
  std::vector<Byte> s(18, 0);
  s[0] = 0x70;
  s[2] = key;
  s[7] = 10;
  s[12] = asc;
  s[13] = ascq;
  return s;
}

// A sysfs tree under a fresh temporary folder.
class FakeSysfsTree {
 public:
  struct Disk {
    std::string name;         // "sda"
    std::string device_path;  // below devices/: ".../ata1/host0/target0:0:0/0:0:0:0"
    std::optional<std::string> vendor;
    std::optional<std::string> model;
    std::optional<std::string> rev;
    std::optional<std::string> serial;  // written as VPD page 0x80
    bool removable = false;
  };

  FakeSysfsTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrine-sysfs-XXXXXX");
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
  }
  ~FakeSysfsTree() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  FakeSysfsTree(const FakeSysfsTree&) = delete;
  FakeSysfsTree& operator=(const FakeSysfsTree&) = delete;

  const std::filesystem::path& Root() const { return root_; }

  void AddDisk(const Disk& disk) {
    const std::filesystem::path device = root_ / "devices" / disk.device_path;
    std::filesystem::create_directories(device);
    auto text = [&](const char* name, const std::optional<std::string>& value) {
      if (value) Write(device / name, *value + "\n");
    };
    text("vendor", disk.vendor);
    text("model", disk.model);
    text("rev", disk.rev);
    Write(device / "type", "0\n");
    if (disk.serial) {
      std::string page = {0, static_cast<char>(0x80), 0, static_cast<char>(disk.serial->size())};
      Write(device / "vpd_pg80", page + *disk.serial);
    }
    const std::filesystem::path block = root_ / "block" / disk.name;
    std::filesystem::create_directories(block);
    Write(block / "removable", disk.removable ? "1\n" : "0\n");
    std::filesystem::create_directory_symlink(device, block / "device");
  }

  // An NVMe namespace ("nvme0n1") of a controller below devices/, with the controller's texts.
  void AddNvmeNamespace(const std::string& name, const std::string& controller_path,
                        const std::string& model, const std::string& serial,
                        const std::string& firmware) {
    const std::filesystem::path controller = root_ / "devices" / controller_path;
    std::filesystem::create_directories(controller);
    Write(controller / "model", model + "\n");
    Write(controller / "serial", serial + "\n");
    Write(controller / "firmware_rev", firmware + "\n");
    const std::filesystem::path block = root_ / "block" / name;
    std::filesystem::create_directories(block);
    Write(block / "removable", "0\n");
    std::filesystem::create_directory_symlink(controller, block / "device");
  }

  // The link of an ATA port and the speed its sata_spd attribute reports.
  void AddLink(const std::string& ata_port_path, const std::string& link,
               const std::string& speed) {
    const std::filesystem::path dir = root_ / "devices" / ata_port_path / link / "ata_link" / link;
    std::filesystem::create_directories(dir);
    Write(dir / "sata_spd", speed + "\n");
  }

  // idVendor and idProduct of a USB device below devices/, as sysfs writes them.
  void SetUsbIds(const std::string& usb_device_path, const std::string& vendor,
                 const std::string& product) {
    const std::filesystem::path dir = root_ / "devices" / usb_device_path;
    std::filesystem::create_directories(dir);
    Write(dir / "idVendor", vendor + "\n");
    Write(dir / "idProduct", product + "\n");
  }

  // The disk's runtime power-management state, as device/power/runtime_status says it.
  void SetRuntimeStatus(const std::string& disk, const std::string& status) {
    const std::filesystem::path power = root_ / "block" / disk / "device" / "power";
    std::filesystem::create_directories(power);
    Write(power / "runtime_status", status + "\n");
  }

  static void Write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }

 private:
  std::filesystem::path root_;
};

}  // namespace kestrine::testing
