#include "linux_device_port.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>
#include <vector>

#include "ata_pass_through_block.h"
#include "ata_pass_through_cdb.h"
#include "ata_pass_through_reply.h"
#include "disk_path.h"
#include "legacy_answer.h"
#include "legacy_request.h"
#include "nvme_requests.h"
#include "pass_through_request.h"
#include "sat_pass_through_block.h"
#include "scsi_pass_through_reply.h"
#include "sg_io_exchange.h"
#include "storage_descriptor_writer.h"
#include "usb_bridge_requests.h"

namespace kestrine {

namespace {

// The least time a command is given: a disk in standby first spins up, which takes up to about
// 30 seconds, and a command timed out before then makes the kernel reset the link. 60 seconds,
// as smartmontools and sg3_utils give their commands. The blocks' own time-out (a Windows
// driver's, 2 seconds) is shorter; the legacy requests carry none.
constexpr std::uint32_t kSpinUpTimeOutSeconds = 60;
std::uint32_t TimeOutSeconds(std::uint32_t requested) {
  return std::max(requested, kSpinUpTimeOutSeconds);
}

// IDENTIFY DEVICE and the SMART commands leave bits 3:0 of the device register reserved; the
// Windows blocks carry the drive number there. The disk is chosen by its device node and the
// kernel sets the DEV bit itself, so those bits go out as 0, as other tools send them.
constexpr Byte kDeviceReservedBits = 0x0F;
Byte DeviceByte(const AtaRegisters& registers) {
  const bool reserved =
      registers.command == kIdentifyDeviceCommand || registers.command == kSmartCommand;
  return reserved ? static_cast<Byte>(registers.device & ~kDeviceReservedBits) : registers.device;
}

// A device-control code whose access bits include FILE_WRITE_ACCESS needs a handle opened for
// writing, as on Windows.
constexpr std::uint32_t kFileWriteAccess = 2;
constexpr bool NeedsWriteAccess(std::uint32_t code) {
  return ((code >> 14) & kFileWriteAccess) != 0;
}
static_assert(NeedsWriteAccess(kIoctlAtaPassThrough) && NeedsWriteAccess(kIoctlScsiPassThrough));
static_assert(NeedsWriteAccess(kSmartRcvDriveData) && NeedsWriteAccess(kSmartSendDriveCommand));
static_assert(!NeedsWriteAccess(kSmartGetVersion) && !NeedsWriteAccess(kIoctlStorageQueryProperty));
static_assert(NeedsWriteAccess(kIoctlStorageProtocolCommand));

// ATA_PASS_THROUGH_EX flags the port carries; data-out and DMA it does not.
constexpr std::uint16_t kAtaFlagsNoMultiple = 0x20;
constexpr std::uint16_t kAtaFlagsCarried = ata_block::kFlagsDrdyRequired | ata_block::kFlagsDataIn |
                                           ata_block::kFlags48Bit | kAtaFlagsNoMultiple;

// Each disk answers as the one drive of its own channel, the primary master.
constexpr Byte kIdeDeviceMapPrimaryMaster = 0x01;

// The receive buffer starts out as the caller's bytes where the request carries them, so what
// the device does not overwrite comes back unchanged.
void Prefill(std::vector<Byte>& buffer, std::span<const Byte> input, std::size_t offset) {
  if (offset >= input.size()) return;
  const std::size_t n = std::min(buffer.size(), input.size() - offset);
  std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(offset), n, buffer.begin());
}

}  // namespace

OpenFailure DescribeOpenFailure(const std::string& device, int error) {
  OpenFailure failure{OpenError::Other, device, std::generic_category().message(error)};
  if (error == EACCES || error == EPERM || error == EROFS) {
    failure.error = OpenError::AccessDenied;
  } else if (error == ENOENT || error == ENXIO || error == ENODEV) {
    failure.error = OpenError::NoDevice;
  }
  return failure;
}

LinuxDevicePort::LinuxDevicePort()
    : LinuxDevicePort(KernelSystemCalls(), LinuxDevicePortOptions{}) {}

LinuxDevicePort::LinuxDevicePort(LinuxSystemCalls& system, LinuxDevicePortOptions options)
    : system_(system), options_(std::move(options)) {}

LinuxDevicePort::~LinuxDevicePort() {
  for (const auto& [handle, disk] : disks_) system_.Close(disk.fd);
}

DeviceHandle LinuxDevicePort::Open(std::string_view path, Access access) {
  last_open_failure_ = OpenFailure{};
  const std::optional<std::uint32_t> number = PhysicalDriveNumber(path);
  if (!number) {
    last_open_failure_ = OpenFailure{OpenError::NoDevice, std::string(path), {}};
    return kInvalidHandle;
  }
  DiskName disk = DiskNameForDrive(*number);
  // Non-blocking, so that a removable disk without a medium still opens.
  const int flags = (access == Access::ReadWrite ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC;
  const std::filesystem::path device = options_.dev_root / disk.name;
  errno = 0;
  const int fd = system_.Open(device.c_str(), flags);
  if (fd < 0) {
    last_open_failure_ = DescribeOpenFailure(device.string(), errno);
    return kInvalidHandle;
  }
  disks_[fd] = OpenDisk{fd, std::move(disk.name), access, disk.nvme};
  return fd;
}

PowerMode LinuxDevicePort::PowerWithoutOpening(std::string_view path) {
  const std::optional<std::uint32_t> number = PhysicalDriveNumber(path);
  if (!number) return PowerMode::Unknown;
  const DiskName disk = DiskNameForDrive(*number);
  if (disk.nvme) return PowerMode::Unknown;
  return SysfsDisk(options_.sysfs_root, disk.name).RuntimeSuspended() ? PowerMode::Suspended
                                                                      : PowerMode::Unknown;
}

bool LinuxDevicePort::Close(DeviceHandle handle) {
  const auto it = disks_.find(handle);
  if (it == disks_.end()) return false;
  const int fd = it->second.fd;
  disks_.erase(it);
  return system_.Close(fd) == 0;
}

std::optional<std::uint32_t> LinuxDevicePort::NvmeNamespaceId(DeviceHandle handle) {
  const auto it = disks_.find(handle);
  if (it == disks_.end() || !it->second.nvme) return std::nullopt;
  // IDs run from 1; 0 and -1 (the request failed) name none.
  const int id = system_.NvmeNamespaceId(it->second.fd);
  if (id <= 0) return std::nullopt;
  return static_cast<std::uint32_t>(id);
}

std::optional<UsbId> LinuxDevicePort::UsbDeviceId(DeviceHandle handle) {
  const auto it = disks_.find(handle);
  if (it == disks_.end() || it->second.nvme) return std::nullopt;
  return Sysfs(it->second).UsbParentId();
}

void LinuxDevicePort::DebugText(std::string_view text) {
  if (options_.debug_sink) options_.debug_sink(text);
}

bool LinuxDevicePort::Control(DeviceHandle handle, std::uint32_t code, std::span<const Byte> in,
                              std::span<Byte> out, std::uint32_t& bytes_returned) {
  bytes_returned = 0;
  const auto it = disks_.find(handle);
  if (it == disks_.end()) return false;
  const OpenDisk& disk = it->second;
  if (NeedsWriteAccess(code) && disk.access != Access::ReadWrite) return false;
  // `in` and `out` may be the same bytes: read from a copy.
  const std::vector<Byte> input(in.begin(), in.end());
  if (disk.nvme) return AnswerNvme(disk, code, input, out, bytes_returned);
  switch (code) {
    case kIoctlAtaPassThrough:
      return Sysfs(disk).Attachment().ata_layer &&
             AnswerAtaPassThrough(disk, input, out, bytes_returned);
    case kSmartGetVersion:
      return Sysfs(disk).Attachment().ata_layer &&
             WriteSmartVersionAnswer(kIdeDeviceMapPrimaryMaster, out, bytes_returned);
    case kSmartRcvDriveData:
    case kSmartSendDriveCommand:
      return Sysfs(disk).Attachment().ata_layer &&
             AnswerSmartRequest(disk, code == kSmartRcvDriveData, input, out, bytes_returned);
    case kIoctlScsiPassThrough:
      return AnswerScsiPassThrough(disk, input, out, bytes_returned);
    case kIoctlStorageQueryProperty:
      return AnswerPropertyQuery(disk, input, out, bytes_returned);
    default:
      return false;
  }
}

bool LinuxDevicePort::AnswerAtaPassThrough(const OpenDisk& disk, std::span<const Byte> in,
                                           std::span<Byte> out, std::uint32_t& bytes_returned) {
  const std::optional<AtaPassThroughRequest> request = ReadAtaPassThroughRequest(in, out.size());
  // Only data-in and non-data commands are carried, with the flags the kernel can honour.
  if (!request || (request->flags & ~kAtaFlagsCarried) != 0) return false;
  const std::uint32_t length = request->length;

  AtaCommand command;
  command.current = request->current;
  if ((request->flags & ata_block::kFlags48Bit) != 0) command.previous = request->previous;
  command.data_in = request->data_in;
  command.length = length;
  command.current.device = DeviceByte(command.current);
  command.timeout_seconds = TimeOutSeconds(request->timeout_seconds);
  SgIoCommand sg = BuildAtaPassThrough16(command);
  if (length != 0) Prefill(sg.data, in, request->data_offset);
  const AtaPassThroughResult result = ReadAtaPassThroughReply(Execute(system_, disk.fd, sg));
  if (!result.completed) return false;

  // The registers come back as Windows returns them: error in the features byte, status in the
  // command byte, the 48-bit high-order bytes in the previous task file.
  AtaRegisters current = CompletionRegisters(request->current, false);
  std::optional<AtaRegisters> previous;
  if (result.registers) {
    current = result.registers->current;
    if (result.registers->extended) {
      previous = request->previous;
      previous->count = result.registers->previous.count;
      previous->lba_low = result.registers->previous.lba_low;
      previous->lba_mid = result.registers->previous.lba_mid;
      previous->lba_high = result.registers->previous.lba_high;
    }
  }
  const std::span<const Byte> data(sg.data.data(), length);
  bytes_returned = WriteAtaPassThroughReply(in, *request, current, previous, data, out);
  return true;
}

bool LinuxDevicePort::AnswerSmartRequest(const OpenDisk& disk, bool receive,
                                         std::span<const Byte> in, std::span<Byte> out,
                                         std::uint32_t& bytes_returned) {
  const std::optional<LegacyCommand> legacy = ReadLegacyCommand(receive, in, out.size());
  if (!legacy) return false;
  AtaCommand command;
  command.current = legacy->registers;
  command.data_in = legacy->reads_sector;
  command.length = legacy->reads_sector ? ata_cdb::kBlockSize : 0;
  command.current.device = DeviceByte(command.current);
  command.timeout_seconds = TimeOutSeconds(0);
  SgIoCommand sg = BuildAtaPassThrough16(command);
  const AtaPassThroughResult result = ReadAtaPassThroughReply(Execute(system_, disk.fd, sg));
  if (!result.completed) return false;
  bytes_returned = WriteLegacyAnswer(
      *legacy,
      LegacyOutcome{.error = result.DriveError(),
                    .returned = result.registers ? result.registers->current : AtaRegisters{},
                    .sector = sg.data},
      out);
  return true;
}

bool LinuxDevicePort::AnswerScsiPassThrough(const OpenDisk& disk, std::span<const Byte> in,
                                            std::span<Byte> out, std::uint32_t& bytes_returned) {
  using namespace sat_block;
  const std::optional<ScsiPassThroughRequest> request = ReadScsiPassThroughRequest(in, out.size());
  // An unspecified direction cannot be told to the kernel for a transfer.
  if (!request || (request->length != 0 && request->direction == kScsiIoctlDataUnspecified)) {
    return false;
  }
  const Byte cdb_length = request->cdb_length;
  const Byte sense_length = request->sense_length;
  const Byte direction = request->direction;
  const std::uint32_t length = request->length;
  const std::uint32_t data_offset = request->data_offset;

  SgIoCommand sg;
  sg.cdb_length = cdb_length;
  std::copy_n(request->cdb.begin(), cdb_length, sg.cdb.begin());
  // A USB bridge's vendor command wakes no disk: it keeps the block's own short time-out, so
  // that a bridge that stalls is given up soon.
  const bool bridge = IsUsbBridgeCdb(std::span<const Byte>(request->cdb.data(), cdb_length));
  sg.timeout_ms =
      (bridge ? request->timeout_seconds : TimeOutSeconds(request->timeout_seconds)) * 1000;
  sg.sense_capacity = sense_length;
  if (length == 0) {
    sg.direction = SG_DXFER_NONE;
  } else if (direction == kScsiIoctlDataIn) {
    sg.direction = SG_DXFER_FROM_DEV;
    sg.data.assign(length, Byte{0});
    Prefill(sg.data, in, data_offset);
  } else {
    sg.direction = SG_DXFER_TO_DEV;
    sg.data.assign(in.begin() + data_offset, in.begin() + data_offset + length);
  }
  const SgIoReply reply = Execute(system_, disk.fd, sg);
  // Whatever SCSI status the device gave, the request was carried: the caller reads ScsiStatus.
  if (!reply.TransportOk()) return false;

  bytes_returned = WriteScsiPassThroughReply(in, *request, reply.status, reply.sense, sg.data,
                                             reply.transferred, out);
  return true;
}

bool LinuxDevicePort::AnswerPropertyQuery(const OpenDisk& disk, std::span<const Byte> in,
                                          std::span<Byte> out, std::uint32_t& bytes_returned) {
  if (!IsStandardDevicePropertyQuery(in)) return false;
  const SysfsDisk sysfs = Sysfs(disk);
  StorageDescriptorFacts facts;
  facts.device_type = sysfs.DeviceType();
  facts.removable = sysfs.Removable();
  facts.bus_type = disk.nvme ? BusType::Nvme : sysfs.Attachment().bus_type;
  facts.texts = disk.nvme ? sysfs.NvmeTexts() : sysfs.Texts();
  // A text the buffer cannot hold whole is left out rather than handed over cut.
  return WriteStorageDeviceDescriptor(facts, TextsCutShort::ClearOffsets, out, bytes_returned);
}

bool LinuxDevicePort::AnswerNvme(const OpenDisk& disk, std::uint32_t code, std::span<const Byte> in,
                                 std::span<Byte> out, std::uint32_t& bytes_returned) {
  // The ATA and SCSI requests do not reach an NVMe namespace, as on Windows.
  const std::uint32_t timeout_ms = TimeOutSeconds(0) * 1000;
  if (code == kIoctlStorageProtocolCommand) {
    return AnswerNvmeProtocolCommand(system_, disk.fd, in, out, timeout_ms, bytes_returned);
  }
  if (code != kIoctlStorageQueryProperty) return false;
  if (IsStandardDevicePropertyQuery(in)) return AnswerPropertyQuery(disk, in, out, bytes_returned);
  return AnswerNvmeProtocolQuery(system_, disk.fd, in, out, timeout_ms, bytes_returned);
}

}  // namespace kestrine
