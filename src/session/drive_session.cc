#include "drive_session.h"

#include "ata_registers.h"
#include "drive_path.h"
#include "nvme_command.h"
#include "scsi_health.h"
#include "scsi_session.h"
#include "statistics_read.h"
#include "usb_bridge_commands.h"
#include "usb_nvme_probe.h"

namespace kestrine {

namespace {

// A drive handle held for the session, closed when it ends.
class OpenHandle {
 public:
  OpenHandle(SmartDrv& drive_layer, std::string_view selected)
      : drive_layer_(drive_layer), handle_(drive_layer.OpenDrive(selected)) {}
  ~OpenHandle() {
    if (handle_ != kInvalidHandle) drive_layer_.CloseDrive(handle_);
  }
  OpenHandle(const OpenHandle&) = delete;
  OpenHandle& operator=(const OpenHandle&) = delete;
  DeviceHandle Handle() const { return handle_; }

 private:
  SmartDrv& drive_layer_;
  DeviceHandle handle_;
};

DriveOutcome OpenOutcome(OpenError error) {
  switch (error) {
    case OpenError::AccessDenied:
      return DriveOutcome::NoRights;
    case OpenError::NoDevice:
      return DriveOutcome::Gone;
    case OpenError::Other:
      return DriveOutcome::Failed;
    case OpenError::None:
      break;
  }
  // The port cannot tell why: the drive is taken for one that does not answer.
  return DriveOutcome::NotSmart;
}

// Whether a drive last read in `family` is asked its power mode: NVMe drives are not (their
// power states say nothing of a spun-down disk); the ATA families and a drive not read yet are.
bool AsksPowerMode(CommandFamily family) {
  switch (family) {
    case CommandFamily::Nvme:
    case CommandFamily::Scsi:  // CHECK POWER MODE is an ATA command
      return false;
    case CommandFamily::None:
    case CommandFamily::Ata:
    case CommandFamily::Sat:
      break;
  }
  return true;
}

// The probe chain: the ATA family first (the ATA pass-through, then the legacy requests), then
// SAT, then, on USB, the NVMe bridges, then NVMe, then the SCSI family; the SCSI family first on a
// bus that names SCSI. The family that answered IDENTIFY (INQUIRY) reads its health blocks; nullopt
// when none did.
std::optional<DriveReading> Probe(SmartDrv& drive_layer, DeviceHandle handle, Byte drive_number,
                                  std::string_view bus_type) {
  const bool scsi_bus = IsScsiBus(bus_type);
  if (scsi_bus) {
    if (std::optional<DriveReading> reading = ProbeScsi(drive_layer, handle, drive_number))
      return reading;
  }
  if (Succeeded(drive_layer.IdentifyDeviceAta(handle, drive_number))) {
    drive_layer.ReadThresholdsAta(handle, drive_number);
    drive_layer.ReadSmartDataAta(handle, drive_number);
    return AtaReadingFromTables(drive_layer.Tables(), drive_number);
  }
  if (Succeeded(drive_layer.IdentifyDeviceSat(handle, drive_number))) {
    drive_layer.ReadSmartDataSat(handle, drive_number);
    drive_layer.ReadThresholdsSat(handle, drive_number);
    return AtaReadingFromTables(drive_layer.Tables(), drive_number);
  }
  if (auto usb = ProbeUsbNvme(drive_layer, handle, drive_number, bus_type)) return usb;
  if (Succeeded(drive_layer.IdentifyDeviceNvme(handle, drive_number))) {
    drive_layer.ReadHealthLogNvme(handle, drive_number);
    return NvmeReadingFromTables(drive_layer.Tables(), drive_number);
  }
  if (!scsi_bus) return ProbeScsi(drive_layer, handle, drive_number);
  return std::nullopt;
}

}  // namespace

SessionResult ReadDrive(SmartDrv& drive_layer, std::string_view selected, Byte drive_number,
                        SessionOptions options) {
  SessionResult result;
  // An NVMe drive has no power mode to ask without waking it; a device the system holds
  // suspended is not opened, which would resume it.
  if (options.check_power && AsksPowerMode(drive_layer.Tables().Family[drive_number]) &&
      drive_layer.Port().PowerWithoutOpening(SmartDrv::DevicePathOf(selected)) ==
          PowerMode::Suspended) {
    result.outcome = DriveOutcome::Asleep;
    result.asleep = PowerMode::Suspended;
    return result;
  }
  const OpenHandle drive(drive_layer, selected);
  if (drive.Handle() == kInvalidHandle) {
    const OpenFailure failure = drive_layer.Port().LastOpenFailure();
    result.outcome = OpenOutcome(failure.error);
    result.message = OpenFailureText(failure).value_or(std::string());
    return result;
  }
  if (options.check_power) {
    const PowerMode mode = drive_layer.CheckPowerMode(drive.Handle(), drive_number);
    if (Asleep(mode)) {
      result.outcome = DriveOutcome::Asleep;
      result.asleep = mode;
      return result;
    }
  }
  TDisk_Property property;
  if (drive_layer.QueryDiskProperty(drive.Handle(), property)) result.bus_type = property.BusType;
  std::optional<DriveReading> reading =
      Probe(drive_layer, drive.Handle(), drive_number, result.bus_type);
  if (!reading) {
    result.outcome = DriveOutcome::NotSmart;
    return result;
  }
  result.outcome = DriveOutcome::Read;
  result.reading = std::move(*reading);
  ReadSelfTestLogInto(drive_layer, drive.Handle(), result.reading, result.self_test_log_asked);
  ReadStatisticsInto(drive_layer, drive.Handle(), result.reading);
  return result;
}

bool ReadSelfTestLogInto(SmartDrv& drive_layer, DeviceHandle handle, DriveReading& reading,
                         bool& asked) {
  asked = false;
  switch (reading.family) {
    case CommandFamily::Ata:
    case CommandFamily::Sat: {
      asked = true;
      Sector log{};
      if (!Succeeded(drive_layer.ReadSelfTestLog(handle, reading.slot, log))) return false;
      AddAtaSelfTestLog(reading, log);
      return true;
    }
    case CommandFamily::Nvme:
      // A controller without the Device Self-test command has no such log: it refuses the read.
      if (const NvmePart* part = std::get_if<NvmePart>(&reading.part);
          part == nullptr || !part->identity || !part->identity->SelfTestSupported)
        return true;
      asked = true;
      if (!Succeeded(reading.usb_bridge
                         ? ReadSelfTestLogBridge(drive_layer, handle, *reading.usb_bridge)
                         : drive_layer.ReadSelfTestLogNvme(handle))) {
        return false;
      }
      AddNvmeSelfTestLog(reading, drive_layer.Tables().NvmeSelfTest);
      return true;
    case CommandFamily::Scsi:
      // Read with the disk's other log pages, where it lists the page.
      asked = ScsiListsSelfTestLog(reading);
      return !asked || reading.parts.self_test_log;
    case CommandFamily::None:
      break;
  }
  return true;
}

bool StartSelfTest(SmartDrv& drive_layer, DeviceHandle handle, Byte drive_number, Byte test_code) {
  if (Succeeded(drive_layer.RunSelfTestAta(handle, drive_number, kSmartExecuteOfflineImmediate,
                                           test_code, 0))) {
    return true;
  }
  // Through SAT the handle alone selects the drive, so the command carries drive number 0.
  if (Succeeded(drive_layer.RunSelfTestSat(handle, 0, kSmartExecuteOfflineImmediate, test_code, 0)))
    return true;
  // Neither ATA family took it: on a drive the last refresh read as NVMe, its Device Self-test
  // command of the same kind. Other drives get no NVMe request.
  switch (drive_layer.Tables().Family[drive_number]) {
    case CommandFamily::Nvme: {
      const std::uint32_t code = test_code == kShortSelfTestOffline ? kStcShort : kStcExtended;
      // Behind a USB bridge, only where the bridge carries the command.
      if (const auto bridge = drive_layer.Tables().Bridge[drive_number]) {
        return Succeeded(RunSelfTestBridge(drive_layer, handle, *bridge, code));
      }
      return Succeeded(drive_layer.RunSelfTestNvme(handle, code));
    }
    case CommandFamily::Scsi:
      return StartScsiSelfTest(drive_layer.Port(), handle,
                               test_code == kShortSelfTestOffline
                                   ? ScsiSelfTest::BackgroundShort
                                   : ScsiSelfTest::BackgroundExtended);
    case CommandFamily::None:
    case CommandFamily::Ata:
    case CommandFamily::Sat:
      break;
  }
  return false;
}

ListedDrives ListDrives(DevicePort& port) {
  ListedDrives listed;
  for (int number = 0; number <= 255; ++number) {
    const std::string path = DriveDevicePath(number);
    if (port.PowerWithoutOpening(path) == PowerMode::Suspended) {
      listed.paths.push_back(path);
      continue;
    }
    const DeviceHandle handle = port.Open(path, Access::ReadOnly);
    if (handle == kInvalidHandle) {
      listed.refused = listed.refused || port.LastOpenFailure().error == OpenError::AccessDenied;
      continue;
    }
    listed.paths.push_back(path);
    port.Close(handle);
  }
  return listed;
}

std::optional<std::string> OpenFailureText(const OpenFailure& failure) {
  switch (failure.error) {
    case OpenError::None:
      return std::nullopt;
    case OpenError::NoDevice:
      return "no such drive";
    case OpenError::AccessDenied:
    case OpenError::Other:
      break;
  }
  return "cannot open " + failure.device + ": " + failure.reason;
}

}  // namespace kestrine
