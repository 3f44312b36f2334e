// What the POSIX file reader and writer share: a descriptor closed when it goes out of scope, and
// the error of the call that just failed.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kestrine {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closes now and says whether the close succeeded: the last bytes may only fail here.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The error of the system call that just failed. It always sets errno; EIO stands in should it
// not, so that a failure can never read as success.
inline std::error_code LastSystemError() {
  return {errno != 0 ? errno : EIO, std::generic_category()};
}

}  // namespace kestrine
