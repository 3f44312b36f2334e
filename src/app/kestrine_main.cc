// kestrine: the main window over this platform's drives.
#include "device_port.h"
#include "run_window.h"

#if KESTRINE_HAVE_PORT && defined(__linux__)
#include "sg_io_port.h"
using PlatformPort = kestrine::SgIoPort;
#elif KESTRINE_HAVE_PORT && defined(_WIN32)
#include "win32_device_port.h"
using PlatformPort = kestrine::Win32DevicePort;
#else
// No device port is built for this platform: the window lists no drives.
using PlatformPort = kestrine::NullDevicePort;
#endif

int main(int argc, char** argv) {
  PlatformPort port;
  return kestrine::RunWindow(argc, argv, port);
}
