// The programs' one entry into the window: the application, the window over a device port, the
// window's logic, and the message loop until the program ends.
#pragma once

#include "device_port.h"

namespace kestrine {

// Runs the main window over `port` until the program ends; returns the exit code. Understands
// --quit-after-first-refresh, and the self-check the program is linked with (self_check.h).
int RunWindow(int& argc, char** argv, DevicePort& port);

}  // namespace kestrine
