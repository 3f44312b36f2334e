#include "linux_system_calls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace kestrine {

namespace {

class KernelCalls final : public LinuxSystemCalls {
 public:
  int Open(const char* path, int flags) override {
    int fd;
    do {
      fd = ::open(path, flags);
    } while (fd < 0 && errno == EINTR);
    return fd;
  }
  int Close(int fd) override { return ::close(fd); }
  int SgIo(int fd, sg_io_hdr_t& header) override {
    // Not retried on EINTR: the command may already have reached the disk.
    return ::ioctl(fd, SG_IO, &header);
  }
  int NvmeAdmin(int fd, nvme_admin_cmd& command) override {
    // Not retried either: a self-test may already have started.
    return ::ioctl(fd, NVME_IOCTL_ADMIN_CMD, &command);
  }
  int NvmeNamespaceId(int fd) override { return ::ioctl(fd, NVME_IOCTL_ID); }
};

}  // namespace

LinuxSystemCalls& KernelSystemCalls() {
  static KernelCalls system;
  return system;
}

}  // namespace kestrine
