// kestrine: the main window over this platform's drives.
#include "device_port.h"
#include "run_window.h"

int main(int argc, char** argv) {
  // No device port of this platform is built yet: the window lists no drives.
  kestrine::NullDevicePort port;
  return kestrine::RunWindow(argc, argv, port);
}
