// The system log of the platform the program runs on, as the programs that read real drives
// open it: syslog(3) on Linux, the Event Log on Windows.
#pragma once

#include <memory>

#include "tell.h"

namespace kestrine {

// The log under the program's name: syslog's identity "kestrine", the Event Log's source
// "Kestrine" (registered by the installer, which points it at the message table in
// kestrine.exe). Never null: where the system has no log to open, lines are dropped.
std::unique_ptr<SystemLog> OpenPlatformSystemLog();

}  // namespace kestrine
