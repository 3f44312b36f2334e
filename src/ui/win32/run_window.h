// The programs' one entry into the window: the application, the window over a device port, the
// window's logic, and the message loop until the program ends.
#pragma once

#include "device_port.h"

namespace kestrine {

// The option that ends the program once the first refresh has finished (start-up timing).
inline constexpr char kQuitAfterFirstRefreshOption[] = "--quit-after-first-refresh";

// Runs the main window over `port` until the program ends; returns the exit code. Understands
// --quit-after-first-refresh and --smoke-test FILE.
int RunWindow(int& argc, char** argv, DevicePort& port);

}  // namespace kestrine
