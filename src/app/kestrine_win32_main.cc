// kestrine.exe: the native Windows window over this machine's physical drives.
#include "run_window.h"
#include "win32_device_port.h"

int main(int argc, char** argv) {
  kestrine::Win32DevicePort port;
  return kestrine::RunWindow(argc, argv, port, true);
}
