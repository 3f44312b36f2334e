#include "open_refusal.h"

#include "drive_number.h"
#include "errors.h"

namespace kestrine {

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

std::optional<std::string> OpenRefusal(SmartDrv& drv, const std::string& target) {
  // A text that names no drive number gets the window's own answer to it.
  try {
    DriveNumberFromText(target);
  } catch (const EConvertError&) {
    return std::nullopt;
  }
  const DeviceHandle handle = drv.OpenDrive(target);
  if (handle != kInvalidHandle) {
    drv.CloseDrive(handle);
    return std::nullopt;
  }
  return OpenFailureText(drv.Port().LastOpenFailure());
}

DriveReport CaptureUnread(const MemoryToolkit& ui) {
  DriveReport report = CaptureDrive(ui);
  for (ViewReport& view : report.views) view.rows.clear();
  return report;
}

}  // namespace kestrine
