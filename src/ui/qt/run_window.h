// The programs' one entry into the window: the application, the window over a device port, the
// window's logic, and the event loop until the program ends.
#pragma once

#include "device_port.h"

namespace kestrine {

// Runs the main window over `port` until the program ends; returns the exit code. Understands
// --version, --quit-after-first-refresh, --no-history and --smoke-test FILE (window_options.h).
// With `keep_history` (the real drives, not the demo's) every reading is kept in the history,
// unless --no-history is given.
int RunWindow(int& argc, char** argv, DevicePort& port, bool keep_history = false);

}  // namespace kestrine
