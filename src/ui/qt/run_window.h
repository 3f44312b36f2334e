// The programs' one entry into the window: the application, the window over a device port, the
// window's logic, and the event loop until the program ends.
#pragma once

#include "device_port.h"
#include "tell.h"

namespace kestrine {

// Runs the main window over `port` until the program ends; returns the exit code. Understands
// --version, --quit-after-first-refresh, --no-history and, in test builds, --smoke-test FILE
// (window_options.h). Started through pkexec (PKEXEC_UID set) it takes no arguments at all.
// `system_log`, where given, gets the changes the window tells of its drives. With
// `keep_history` (the real drives, not the demo's) every reading is kept in the history, unless
// --no-history is given. The other drives are read on a thread of their own through
// `round_port`, another port onto the same devices; without one, both threads share `port` one
// call at a time.
int RunWindow(int& argc, char** argv, DevicePort& port, SystemLog* system_log = nullptr,
              bool keep_history = false, DevicePort* round_port = nullptr);

}  // namespace kestrine
