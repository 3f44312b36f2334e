// A drive named on the command line that does not open: what the platform said about it, for the
// user, in place of the refresh the window would run on it.
#pragma once

#include <optional>
#include <string>

#include "device_port.h"
#include "drive_report.h"
#include "smart_drv.h"

namespace kestrine {

// "no such drive", or "cannot open /dev/sda: Permission denied"; nullopt when the port cannot
// tell why (the window's refresh then says what it says).
std::optional<std::string> OpenFailureText(const OpenFailure& failure);

// Opens the drive as a refresh would and closes it again: nullopt when it opens or the text names
// no drive number, else the text.
std::optional<std::string> OpenRefusal(SmartDrv& drv, const std::string& target);

// The report of a drive that was not refreshed: its path and number, no texts, empty views.
DriveReport CaptureUnread(const MemoryToolkit& ui);

}  // namespace kestrine
