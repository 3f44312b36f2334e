// The drive layer: drive handles, the three ATA command transports, the S.M.A.R.T. command set,
// the NVMe commands, and the per-drive tables their answers are stored in. One SmartDrv holds all
// of that state for a program's run; it reaches devices only through its DevicePort.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ata_pass_through_block.h"
#include "bytes.h"
#include "device_port.h"
#include "identify_decode.h"
#include "legacy_request.h"
#include "nvme_layout.h"
#include "power_mode.h"
#include "sat_pass_through_block.h"
#include "smart_layout.h"
#include "storage_property.h"
#include "usb_bridge_requests.h"

namespace kestrine {

// What a command of the drive layer gives back: one byte, 1 for success and 0 for failure. The
// window decides what to tell the user; no command shows a message.
enum class CommandResult : std::uint8_t { Failure = 0, Success = 1 };

constexpr CommandResult ResultOf(bool succeeded) {
  return succeeded ? CommandResult::Success : CommandResult::Failure;
}
constexpr bool Succeeded(CommandResult result) {
  return result == CommandResult::Success;
}

inline constexpr std::size_t kDriveSlots = 256;  // every drive number a byte can hold

using AttributeEntry = std::array<Byte, smart_entry::kSize>;
using ThresholdEntry = std::array<Byte, smart_entry::kSize>;
using AttributeSlot = std::array<AttributeEntry, smart_entry::kCount>;
using ThresholdSlot = std::array<ThresholdEntry, smart_entry::kCount>;
static_assert(sizeof(AttributeSlot) == smart_entry::kEntriesSize);

// The family of commands and requests whose Identify last answered for a drive: ATA commands in
// the ATA pass-through or the legacy requests (the ATA family), ATA commands in a SCSI
// pass-through (the SAT family), or NVMe admin commands through the protocol-specific query and
// command (tried only after both others), or SCSI commands to a SAS or SCSI disk in a SCSI
// pass-through (scsi_commands.h; the session sets it). None before any answer.
enum class CommandFamily : std::uint8_t { None, Ata, Sat, Nvme, Scsi };

// The tables, zero at start. Indexed by drive number (a byte), so no slot outside is reachable.
struct SmartTables {
  std::array<Sector, kDriveSlots> IdentifySector{};
  std::array<THDDInfo, kDriveSlots> HDDInfo{};
  std::array<AttributeSlot, kDriveSlots> AttributeTable{};
  std::array<ThresholdSlot, kDriveSlots> ThresholdTable{};
  Sector SmartDataSector{};       // the last S.M.A.R.T. data block read, whatever the drive
  Sector SmartThresholdSector{};  // the last thresholds block read, whatever the drive
  std::array<LegacyStatusSlot, kDriveSlots> LegacyStatus{};
  std::array<CommandFamily, kDriveSlots> Family{};
  LegacyRequestBlock LegacyRequest{};
  SmartVersionBlockBytes SmartVersionBlock{};
  // NVMe drives: Identify Controller, Identify Namespace (the handle's namespace) and the health
  // log, and the last Device Self-test log read, whatever the drive.
  std::array<NvmeIdentifyBlock, kDriveSlots> NvmeController{};
  std::array<NvmeIdentifyBlock, kDriveSlots> NvmeNamespace{};
  std::array<NvmeHealthLog, kDriveSlots> NvmeHealth{};
  NvmeSelfTestLog NvmeSelfTest{};
  // Whether the drive's health table came in its last read: S.M.A.R.T. READ DATA's entries (ATA
  // and SAT families) or the SMART / Health Information log (NVMe). False: the slot holds zeros
  // and nothing is known of the drive's health, so no condition can be judged from it.
  std::array<bool, kDriveSlots> HealthRead{};
  // The USB bridge whose vendor commands carried an NVMe drive's Identify; nullopt for a drive
  // whose Identify came directly.
  std::array<std::optional<UsbBridge>, kDriveSlots> Bridge{};
};

class SmartDrv {
 public:
  explicit SmartDrv(DevicePort& port);

  DevicePort& Port() { return port_; }

  // The tables, for the view fillers and the tests.
  SmartTables& Tables() { return *tables_; }
  const SmartTables& Tables() const { return *tables_; }

  // Drive handles. `name` is the drive selector's text; "\\.\" is put before it.
  DeviceHandle OpenDrive(std::string_view name);
  // The path OpenDrive opens for a selector text.
  static std::string DevicePathOf(std::string_view name);
  bool CloseDrive(DeviceHandle handle);

  // The two pass-through transports. The destination's size is the data length (0 for none).
  // A completed exchange is 1 even where the drive aborted the command; `drive_error`, when
  // given, tells whether it did (an error or device fault in its status, or, through SAT, no
  // GOOD status and no registers without one).
  CommandResult AtaPassThrough(DeviceHandle handle, Byte drive_number, Byte command, Byte features,
                               Byte sector_count, Byte sector_number, std::span<Byte> destination,
                               bool* drive_error = nullptr);
  CommandResult SatPassThrough(DeviceHandle handle, Byte drive_number, Byte command, Byte features,
                               Byte sector_count, Byte sector_number, std::span<Byte> destination,
                               bool* drive_error = nullptr);

  // One non-data ATA command through the ATA pass-through: 1 when it completed and the drive's
  // status register came back without an error.
  CommandResult AtaNonData(DeviceHandle handle, Byte drive_number, Byte command, Byte features,
                           Byte sector_count, Byte sector_number);

  // The three legacy exchanges, on the module-level blocks.
  bool LegacyVersionQuery(DeviceHandle handle);
  bool LegacyReceive(DeviceHandle handle, Byte drive_number, const LegacyRegisters& registers,
                     LegacyResponse& response);
  bool LegacySend(DeviceHandle handle, Byte drive_number, const LegacyRegisters& registers);

  // The S.M.A.R.T. command set.
  CommandResult IdentifyDeviceAta(DeviceHandle handle, Byte drive_number);
  CommandResult IdentifyDeviceSat(DeviceHandle handle, Byte drive_number);
  void ReadThresholdsAta(DeviceHandle handle, Byte drive_number);
  void ReadSmartDataAta(DeviceHandle handle, Byte drive_number);
  CommandResult ReadSmartDataSat(DeviceHandle handle, Byte drive_number);
  CommandResult ReadThresholdsSat(DeviceHandle handle, Byte drive_number);
  CommandResult ReadSelfTestLogAta(DeviceHandle handle, Byte drive_number, Sector& block);
  CommandResult ReadSelfTestLogSat(DeviceHandle handle, Byte drive_number, Sector& block);
  // The self-test log through the ATA family, else through SAT into the same block.
  CommandResult ReadSelfTestLog(DeviceHandle handle, Byte drive_number, Sector& block);
  CommandResult RunSelfTestAta(DeviceHandle handle, Byte drive_number, Byte features,
                               Byte sector_number, Byte sector_count);
  CommandResult RunSelfTestSat(DeviceHandle handle, Byte drive_number, Byte features,
                               Byte sector_number, Byte sector_count);

  // The NVMe family, through the protocol-specific query on the drive's handle: Identify
  // Controller and Identify Namespace (the handle's namespace where the port tells it, else
  // namespace 1) into the drive's slots (1 when both answered; the family becomes
  // Nvme), the health log into its slot, the Device Self-test log into NvmeSelfTest (zeroed when
  // it does not answer), and the start of a self-test (kStcShort, kStcExtended) through the
  // protocol command: 1 only when the driver reports the command completed.
  CommandResult IdentifyDeviceNvme(DeviceHandle handle, Byte drive_number);
  CommandResult ReadHealthLogNvme(DeviceHandle handle, Byte drive_number);
  CommandResult ReadSelfTestLogNvme(DeviceHandle handle);
  CommandResult RunSelfTestNvme(DeviceHandle handle, std::uint32_t code);

  // Replaces the drive's THDDInfo record with the decode of its IdentifySector slot.
  void DecodeIdentify(Byte drive_number);

  // The drive's power mode, asked without waking it: CHECK POWER MODE through the family that
  // answered last (the ATA pass-through, or SAT with the registers returned), or, before any
  // family answered, through the ATA pass-through and then SAT. Unknown for an NVMe drive and
  // where neither carries the command.
  PowerMode CheckPowerMode(DeviceHandle handle, Byte drive_number);
  // The same for a drive not yet opened: first what the system knows of the device, since an
  // open may resume a device it holds suspended; then the drive's own answer. The drive is
  // opened only when the system does not hold it suspended.
  PowerMode PowerModeWithoutWaking(std::string_view name, Byte drive_number);

  // The storage-property query on its own read-only handle. Fills `property` on success only.
  bool QueryDiskProperty(std::string_view path, TDisk_Property& property);
  // The same query on a handle already open.
  bool QueryDiskProperty(DeviceHandle handle, TDisk_Property& property);

 private:
  // One non-data ATA command through the ATA pass-through: the registers the drive returned
  // (status in `command`), nullopt when the exchange failed.
  std::optional<AtaRegisters> AtaNonDataRegisters(DeviceHandle handle,
                                                  const AtaRegisters& registers);
  // CHECK POWER MODE's sector count through one family; nullopt when the command did not come
  // back completed with its registers.
  std::optional<Byte> PowerModeCountAta(DeviceHandle handle);
  std::optional<Byte> PowerModeCountSat(DeviceHandle handle, Byte drive_number);
  // One SCSI pass-through exchange of the block: its header goes in, and the block comes back up
  // to the end of `length` data bytes.
  bool SatExchange(DeviceHandle handle, SatPassThroughBlock& block, std::uint32_t length);
  // One protocol-specific query; the data lands in `destination` (its size is the length) only
  // when the reply holds all of it.
  bool NvmeQuery(DeviceHandle handle, std::vector<Byte> query, std::span<Byte> destination);

  enum class Table { Attributes, Thresholds };
  void StoreEntries(Table table, Byte drive_number, std::span<const Byte, 512> block);
  void ClearEntries(Table table, Byte drive_number);
  // Sets HealthRead for a read of the attributes: whether the drive gave them without an error.
  void NoteHealthRead(Table table, Byte drive_number, bool read);
  CommandResult ReadEntriesAta(DeviceHandle handle, Byte drive_number, Byte features,
                               Byte sector_number, Table table);
  CommandResult ReadEntriesSat(DeviceHandle handle, Byte drive_number, Byte features,
                               Byte sector_number, Table table);

  DevicePort& port_;
  std::unique_ptr<SmartTables> tables_;
};

}  // namespace kestrine
