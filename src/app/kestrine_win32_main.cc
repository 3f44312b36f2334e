// kestrine.exe: the native Windows window over this machine's physical drives, telling the
// Event Log what got worse.
#include "platform_system_log.h"
#include "run_window.h"
#include "win32_device_port.h"

int main(int argc, char** argv) {
  kestrine::Win32DevicePort port;
  kestrine::Win32DevicePort round_port;  // the other drives', read on a thread of their own
  const auto system_log = kestrine::OpenPlatformSystemLog();
  return kestrine::RunWindow(argc, argv, port, system_log.get(), true, &round_port);
}
