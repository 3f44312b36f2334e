// The drive session: one refresh of one drive, with no window. It opens the drive once, asks its
// power mode when told to, runs the probe chain (ATA pass-through and legacy, SAT, NVMe), reads
// identity, health, thresholds, the self-test log and the bus type, closes the drive and returns
// one complete reading with what came of it. The window and kestrine-cli both read drives here;
// nothing of one drive's session is carried into the next.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device_port.h"
#include "power_mode.h"
#include "reading.h"
#include "smart_drv.h"

namespace kestrine {

// What came of a session.
enum class DriveOutcome : std::uint8_t {
  Read,    // the drive answered IDENTIFY: the reading holds it (its health data may not have come)
  Asleep,  // asked first, the drive was in standby or suspended and was left so
  NotSmart,  // it opened but no family's IDENTIFY answered
  NoRights,  // the device is there, but may not be opened
  Gone,      // no device behind the path
  Failed,    // the open failed otherwise
};

struct SessionOptions {
  // Ask the power mode first, without waking the drive, and leave a sleeping drive unread.
  bool check_power = false;
};

struct SessionResult {
  DriveOutcome outcome = DriveOutcome::Failed;
  // Why the drive could not be opened, in the platform's words (NoRights, Gone, Failed).
  std::string message;
  PowerMode asleep = PowerMode::Unknown;  // Asleep: Standby or Suspended
  std::string bus_type;  // the storage descriptor's bus; empty when the query did not answer
  // Whether the drive's family has a self-test log that was asked for; the reading says whether
  // it came (parts.self_test_log).
  bool self_test_log_asked = false;
  DriveReading reading;  // Read only

  bool Identified() const { return outcome == DriveOutcome::Read; }
};

// One session on the drive the selector's text `selected` names, number `drive_number`.
SessionResult ReadDrive(SmartDrv& drive_layer, std::string_view selected, Byte drive_number,
                        SessionOptions options = {});

// The self-test log of the drive read last into `reading`, on an open handle: ATA or SAT, or NVMe
// where the controller announces the Device Self-test command. False when it was asked for and
// did not come; `asked` says whether it was asked for at all.
bool ReadSelfTestLogInto(SmartDrv& drive_layer, DeviceHandle handle, DriveReading& reading,
                         bool& asked);

// Starts a short or extended self-test (kShortSelfTestOffline, kExtendedSelfTestOffline) on an
// open handle: through the ATA pass-through, else SAT, else, on a drive last read as NVMe, its
// Device Self-test command of the same kind.
bool StartSelfTest(SmartDrv& drive_layer, DeviceHandle handle, Byte drive_number, Byte test_code);

// The drives that open, in number order, probed read-only; a device the system holds suspended is
// listed without being opened, which would resume it. `refused`: some drive refused the open for
// want of rights.
struct ListedDrives {
  std::vector<std::string> paths;
  bool refused = false;
};
ListedDrives ListDrives(DevicePort& port);

// Why an open failed, in words; nullopt where the port cannot tell.
std::optional<std::string> OpenFailureText(const OpenFailure& failure);

}  // namespace kestrine
