// kestrine: the Qt window over this machine's SCSI disks (through SG_IO) and NVMe drives (through
// NVMe admin commands), telling syslog what got worse.
#include "platform_system_log.h"
#include "run_window.h"
#include "sg_io_port.h"

int main(int argc, char** argv) {
  kestrine::SgIoPort port;
  const auto system_log = kestrine::OpenPlatformSystemLog();
  return kestrine::RunWindow(argc, argv, port, system_log.get(), true);
}
