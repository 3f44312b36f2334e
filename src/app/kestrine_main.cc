// kestrine: the Qt window over this machine's SCSI disks (through SG_IO) and NVMe drives (through
// NVMe admin commands), telling syslog what got worse.
#include "linux_device_port.h"
#include "platform_system_log.h"
#include "run_window.h"

int main(int argc, char** argv) {
  kestrine::LinuxDevicePort port;
  kestrine::LinuxDevicePort round_port;  // the other drives', read on a thread of their own
  const auto system_log = kestrine::OpenPlatformSystemLog();
  return kestrine::RunWindow(argc, argv, port, system_log.get(), true, &round_port);
}
