// The system calls the Linux device port makes: open a disk, close it, one SG_IO exchange on a
// SCSI disk, and one NVMe admin command on an NVMe namespace or the question which namespace it is.
// Everything the port does around them is plain byte work, so tests and the fuzz targets put a
// scripted disk behind this interface and never need a real one.
#pragma once

#include <linux/nvme_ioctl.h>
#include <scsi/sg.h>

namespace kestrine {

class LinuxSystemCalls {
 public:
  virtual ~LinuxSystemCalls() = default;
  // open(2): a descriptor, or -1.
  virtual int Open(const char* path, int flags) = 0;
  // close(2): 0, or -1.
  virtual int Close(int fd) = 0;
  // ioctl(fd, SG_IO, header): 0 when the kernel took the request (the SCSI outcome is in the
  // header's status fields), -1 when it refused it.
  virtual int SgIo(int fd, sg_io_hdr_t& header) = 0;
  // ioctl(fd, NVME_IOCTL_ADMIN_CMD, command): 0 when the controller completed the command, its
  // NVMe status (above 0) when it failed it, -1 when the kernel refused the request.
  virtual int NvmeAdmin(int fd, nvme_admin_cmd& command) = 0;
  // ioctl(fd, NVME_IOCTL_ID): the namespace ID of the NVMe namespace open on `fd`, or -1.
  virtual int NvmeNamespaceId(int fd) = 0;
};

// The real calls.
LinuxSystemCalls& KernelSystemCalls();

}  // namespace kestrine
