// The three system calls the Linux device port makes: open a disk, close it, and one SG_IO
// exchange on it. Everything the port does around them is plain byte work, so tests and the fuzz
// target put a scripted disk behind this interface and never need a real one.
#pragma once

#include <scsi/sg.h>

namespace kestrine {

class SgIoSystem {
 public:
  virtual ~SgIoSystem() = default;
  // open(2): a descriptor, or -1.
  virtual int Open(const char* path, int flags) = 0;
  // close(2): 0, or -1.
  virtual int Close(int fd) = 0;
  // ioctl(fd, SG_IO, header): 0 when the kernel took the request (the SCSI outcome is in the
  // header's status fields), -1 when it refused it.
  virtual int SgIo(int fd, sg_io_hdr_t& header) = 0;
};

// The real calls.
SgIoSystem& KernelSgIoSystem();

}  // namespace kestrine
