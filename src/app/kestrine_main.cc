// kestrine: the Qt window over this machine's SCSI disks, through SG_IO.
#include "run_window.h"
#include "sg_io_port.h"

int main(int argc, char** argv) {
  kestrine::SgIoPort port;
  return kestrine::RunWindow(argc, argv, port, true);
}
