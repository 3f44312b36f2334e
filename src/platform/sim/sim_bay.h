// The simulated drive bay: a device port whose devices are simulated drives, ATA drives and NVMe
// drives (sim_bay_nvme.cc). It answers every request block from the drive's side, parsing it as a
// driver would (a block with wrong lengths, offsets or sizes is refused, not answered), runs the
// ATA or NVMe command against the drive's image and records what was sent. Tests, benchmarks and
// the demo program run the real code through it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ata_registers.h"
#include "bytes.h"
#include "device_port.h"
#include "nvme_command.h"
#include "nvme_layout.h"
#include "scsi_image_builder.h"
#include "storage_bus.h"
#include "usb_bridge_requests.h"

namespace kestrine {

struct ScsiPassThroughRequest;

// What a drive holds: its four blocks and what the storage stack says of it. An NVMe drive holds
// its NVMe blocks instead: it answers the NVMe requests and refuses every ATA one. A SAS or SCSI
// disk holds its SCSI image (sim_bay_scsi.cc): it answers SCSI commands and refuses every ATA one.
struct DriveImage {
  Sector identify{};
  Sector smart_data{};
  Sector thresholds{};
  Sector self_test_log{};
  std::optional<NvmeBlocks> nvme;
  std::optional<ScsiDiskImage> scsi;
  // An NVMe drive in a USB enclosure: the bridge answers its vendor SCSI commands with the NVMe
  // blocks (sim_bay_usb_bridge.cc), and the NVMe requests of a direct drive do not reach it.
  std::optional<UsbBridge> usb_bridge;
  // The USB device's ids the system gives for a disk on USB; nullopt where it gives none.
  std::optional<UsbId> usb_id;
  // ATA log pages by log address and page (drive_image_logs.h writes them): READ LOG EXT gives
  // any of them, S.M.A.R.T. READ LOG the first page of a log.
  std::map<std::pair<Byte, std::uint16_t>, Sector> log_pages;
  std::string vendor;
  std::string product;
  std::string revision;
  std::string serial;
  bool removable = false;
  BusType bus_type = BusType::Sata;
};

// Which requests the drive's stack carries, and the faults tests can switch on.
struct DriveBehaviour {
  bool answers_ata_pass_through = true;
  bool answers_legacy = true;
  bool answers_sat = true;
  bool answers_property_query = true;
  bool legacy_version_fails = false;
  bool open_fails = false;
  bool open_denied = false;       // the open fails for want of rights
  bool aborts_self_test = false;  // a self-test start is refused (aborted, or an NVMe error)
  // The drive answers IDENTIFY but not its health table: S.M.A.R.T. READ DATA is aborted, the
  // NVMe health log refused (as by USB bridges that carry IDENTIFY only).
  bool refuses_health_data = false;
  // A USB bridge that stalls: each of its vendor commands is held for the request's time-out on
  // the bay's clock, then fails as the system fails a command that timed out.
  bool bridge_stalls = false;
  std::uint8_t sat_scsi_status = 0;  // non-zero: every SAT reply carries this status
};

struct RecordedRequest {
  DeviceHandle handle = kInvalidHandle;
  int drive = -1;  // -1 for a handle that names no drive
  std::uint32_t code = 0;
  std::vector<Byte> in;
  std::size_t out_size = 0;
  bool answered = false;
};

struct RecordedOpen {
  std::string path;
  Access access = Access::ReadWrite;
  DeviceHandle handle = kInvalidHandle;
};

class SimDrive {
 public:
  DriveImage image;
  DriveBehaviour behaviour;
  // A request the drive's stack refuses outright, whatever the flags say (for tests).
  std::function<bool(std::uint32_t code, std::span<const Byte> in)> refuse;

  // The self-test under way, if any.
  struct RunningTest {
    Byte subcommand = 0;
    std::chrono::milliseconds started{0};
    std::chrono::milliseconds duration{0};
  };
  std::optional<RunningTest> running_test;
  int self_tests_started = 0;  // short and extended tests the drive has started
  // In standby: CHECK POWER MODE answers 00h, and any other ATA command spins the drive up.
  bool standby = false;
  // A JMicron bridge's NVMe command, between its command phase and its data phase, and the
  // status of the last one run, for its completion phase.
  std::optional<NvmeCommand> bridge_command;
  std::uint16_t bridge_status = 0;
  // The system holds the device suspended (as Linux's runtime power management does): asked
  // before an open, the bay says so.
  bool suspended = false;
};

struct AtaOutcome {
  bool aborted = false;
  std::size_t data_bytes = 0;  // bytes the command returned (0 or 512)
  std::optional<Byte> count;   // the sector count register, where the command returns one
};

class SimBay final : public DevicePort {
 public:
  using Clock = std::function<std::chrono::milliseconds()>;

  SimBay();

  SimDrive& AddDrive(int number, DriveImage image, DriveBehaviour behaviour = {});
  void RemoveDrive(int number);
  SimDrive* FindDrive(int number);

  // The clock the self-tests run on: a manual one that starts at 0, or one the program sets.
  void SetClock(Clock clock) { clock_ = std::move(clock); }
  void AdvanceClock(std::chrono::milliseconds by) { manual_now_ += by; }
  std::chrono::milliseconds Now() const { return clock_ ? clock_() : manual_now_; }

  const std::vector<RecordedRequest>& Requests() const { return requests_; }
  const std::vector<RecordedOpen>& Opens() const { return opens_; }
  const std::vector<DeviceHandle>& Closes() const { return closes_; }
  const std::vector<std::string>& DebugLines() const { return debug_; }
  int OpenHandleCount() const { return static_cast<int>(handles_.size()); }
  void ClearRecords();
  // Keep no records (benchmarks).
  void SetRecording(bool on) { recording_ = on; }

  // The drive number a path names, as PhysicalDriveNumber (drive_path.h) reads it.
  static std::optional<int> ResolvePath(std::string_view path);

  // Runs one ATA command on a drive, as the drive would; `data` receives what it returns.
  AtaOutcome ExecuteAta(SimDrive& drive, const AtaRegisters& registers, std::span<Byte> data);

  // Runs one NVMe admin command on an NVMe drive, as its controller would: `data` (the command's
  // data length) receives what it returns. The NVMe status: 0 for success, else status code type
  // in bits 10:8 and status code in 7:0.
  std::uint16_t ExecuteNvme(SimDrive& drive, const NvmeCommand& command, std::span<Byte> data);

  // Linux's NVME_IOCTL_ADMIN_CMD on a handle: the nvme_admin_cmd block (its result field is
  // written back) and the data buffer its address stands for. Returns what the ioctl returns:
  // 0, the NVMe status when the controller failed the command, or kNvmeAdminRefused when the
  // driver refuses the request (no NVMe device behind the handle, a malformed block, a buffer
  // that is not the data length). Recorded as a request with code kNvmeIoctlAdminCmd.
  int NvmeAdminCommand(DeviceHandle handle, std::span<Byte> block, std::span<Byte> data);

  // DevicePort
  DeviceHandle Open(std::string_view path, Access access) override;
  bool Close(DeviceHandle handle) override;
  bool Control(DeviceHandle handle, std::uint32_t code, std::span<const Byte> in,
               std::span<Byte> out, std::uint32_t& bytes_returned) override;
  void DebugText(std::string_view text) override;
  OpenFailure LastOpenFailure() const override { return last_open_failure_; }
  PowerMode PowerWithoutOpening(std::string_view path) override;
  std::optional<UsbId> UsbDeviceId(DeviceHandle handle) override;

 private:
  struct OpenHandle {
    int drive;
    Access access;
  };
  bool Dispatch(SimDrive& drive, Access access, std::uint32_t code, std::span<const Byte> in,
                std::span<Byte> out, std::uint32_t& bytes_returned);
  bool AnswerAtaPassThrough(SimDrive& drive, std::span<const Byte> in, std::span<Byte> out,
                            std::uint32_t& bytes_returned);
  bool AnswerScsiPassThrough(SimDrive& drive, std::span<const Byte> in, std::span<Byte> out,
                             std::uint32_t& bytes_returned);
  bool AnswerScsiDisk(SimDrive& drive, const ScsiPassThroughRequest& request,
                      std::span<const Byte> in, std::span<Byte> out, std::uint32_t& bytes_returned);
  bool AnswerUsbBridge(SimDrive& drive, Access access, std::uint32_t code, std::span<const Byte> in,
                       std::span<Byte> out, std::uint32_t& bytes_returned);
  bool AnswerSmartRequest(SimDrive& drive, std::uint32_t code, std::span<const Byte> in,
                          std::span<Byte> out, std::uint32_t& bytes_returned);
  bool AnswerNvmeQuery(SimDrive& drive, std::span<const Byte> in, std::span<Byte> out,
                       std::uint32_t& bytes_returned);
  bool AnswerNvmeProtocolCommand(SimDrive& drive, std::span<const Byte> in, std::span<Byte> out,
                                 std::uint32_t& bytes_returned);
  void UpdateSelfTest(SimDrive& drive);
  void UpdateNvmeSelfTest(SimDrive& drive);

  std::map<int, SimDrive> drives_;
  std::map<DeviceHandle, OpenHandle> handles_;
  DeviceHandle next_handle_ = 0x100;
  std::chrono::milliseconds manual_now_{0};
  Clock clock_;
  bool recording_ = true;
  std::vector<RecordedRequest> requests_;
  std::vector<RecordedOpen> opens_;
  std::vector<DeviceHandle> closes_;
  std::vector<std::string> debug_;
  OpenFailure last_open_failure_;
};

// What the bay's admin entry gives for a request the driver refuses.
inline constexpr int kNvmeAdminRefused = -1;

// NVMe status values (status code type << 8 | status code).
inline constexpr std::uint16_t kNvmeInvalidOpcode = 0x001;
inline constexpr std::uint16_t kNvmeInvalidField = 0x002;
inline constexpr std::uint16_t kNvmeInvalidNamespace = 0x00B;
inline constexpr std::uint16_t kNvmeInvalidLogPage = 0x109;
inline constexpr std::uint16_t kNvmeSelfTestInProgress = 0x11D;

// The STORAGE_DEVICE_DESCRIPTOR reply for a drive image, laid out as the platform lays it out.
// Returns false when `out` cannot hold even the descriptor's header.
bool BuildStorageDeviceDescriptor(const DriveImage& image, std::span<Byte> out,
                                  std::uint32_t& bytes_returned);

// Recomputes byte 511 so that the 512 bytes sum to zero, as ATA data structures do.
void SetAtaChecksum(Sector& sector);

}  // namespace kestrine
