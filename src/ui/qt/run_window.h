// The programs' one entry into the window: the application, the window over a device port, the
// window's logic, and the event loop until the program ends.
#pragma once

#include "device_port.h"

namespace kestrine {

// Runs the main window over `port` until the program ends; returns the exit code. Understands
// --version, --quit-after-first-refresh and, in test builds, --smoke-test FILE
// (window_options.h). Started through pkexec (PKEXEC_UID set) it takes no arguments at all.
int RunWindow(int& argc, char** argv, DevicePort& port);

}  // namespace kestrine
