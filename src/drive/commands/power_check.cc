// CHECK POWER MODE through the families that carry ATA commands, and what the system knows of a
// device's power before it is opened.
#include <algorithm>
#include <string>

#include "scsi_sense.h"
#include "smart_drv.h"

namespace kestrine {

namespace {

bool DriveReportsError(const AtaRegisters& returned) {
  return (returned.command & (kAtaStatusError | kAtaStatusDeviceFault)) != 0;
}

}  // namespace

std::optional<Byte> SmartDrv::PowerModeCountAta(DeviceHandle handle) {
  // The device register's low bits are not applicable to this command: it goes out clear, not
  // with the drive number the S.M.A.R.T. commands carry there.
  const std::optional<AtaRegisters> returned =
      AtaNonDataRegisters(handle, {.command = kCheckPowerModeCommand});
  if (!returned || DriveReportsError(*returned)) return std::nullopt;
  return returned->count;
}

std::optional<Byte> SmartDrv::PowerModeCountSat(DeviceHandle handle, Byte drive_number) {
  SatPassThroughBlock block = BuildSatPassThroughBlock(
      {.device = DriveSelectByte(drive_number), .command = kCheckPowerModeCommand}, 0, true);
  if (!SatExchange(handle, block, 0)) return std::nullopt;
  // Only registers that came back in the sense data tell the mode; a translator that answers
  // GOOD without them has told nothing.
  const std::size_t sense_length =
      std::min<std::size_t>(block[sat_block::kSenseInfoLength], sat_block::kSenseSize);
  const SenseSummary sense =
      ParseSense(std::span<const Byte>(block.data() + sat_block::kSense, sense_length));
  if (!sense.ata || DriveReportsError(sense.ata->current)) return std::nullopt;
  return sense.ata->current.count;
}

PowerMode SmartDrv::CheckPowerMode(DeviceHandle handle, Byte drive_number) {
  std::optional<Byte> count;
  switch (tables_->Family[drive_number]) {
    case CommandFamily::Ata:
      count = PowerModeCountAta(handle);
      break;
    case CommandFamily::Sat:
      count = PowerModeCountSat(handle, drive_number);
      break;
    case CommandFamily::None:
      count = PowerModeCountAta(handle);
      if (!count) count = PowerModeCountSat(handle, drive_number);
      break;
    case CommandFamily::Nvme:
    case CommandFamily::Scsi:  // no ATA command reaches it
      break;
  }
  return count ? PowerModeFromCount(*count) : PowerMode::Unknown;
}

PowerMode SmartDrv::PowerModeWithoutWaking(std::string_view name, Byte drive_number) {
  switch (tables_->Family[drive_number]) {
    case CommandFamily::Nvme:
      return PowerMode::Unknown;  // NVMe power states say nothing of a spun-down disk
    case CommandFamily::Scsi:
      return PowerMode::Unknown;  // CHECK POWER MODE is an ATA command
    case CommandFamily::None:
    case CommandFamily::Ata:
    case CommandFamily::Sat:
      break;
  }
  if (port_.PowerWithoutOpening(DevicePathOf(name)) == PowerMode::Suspended) {
    return PowerMode::Suspended;
  }
  const DeviceHandle handle = OpenDrive(name);
  if (handle == kInvalidHandle) return PowerMode::Unknown;
  const PowerMode mode = CheckPowerMode(handle, drive_number);
  CloseDrive(handle);
  return mode;
}

}  // namespace kestrine
