// ReadRegularFile on POSIX systems: the kind of file is checked before the open and again on the
// open descriptor, which is opened without waiting for a pipe's writer. On Linux the check before
// is made on an O_PATH descriptor, and the file opened is the one that descriptor holds.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string>
#include <system_error>

#include "file_reader.h"
#include "posix_file.h"

namespace kestrine {

namespace {

using Stage = FileError::Stage;

// Why a file of this kind is not read, or nullptr for a regular file.
const char* KindFault(mode_t mode) {
  if (S_ISREG(mode)) return nullptr;
  if (S_ISDIR(mode)) return "is a directory";
  return "not a regular file";
}

}  // namespace

FileResult<std::vector<Byte>> ReadRegularFile(const std::filesystem::path& file,
                                              std::size_t limit) {
  int fd = -1;
#ifdef O_PATH
  // Looked at through a descriptor that cannot act on what it names, decided, and then that same
  // file opened afresh through the descriptor: a name swapped in between changes nothing.
  do {
    fd = ::open(file.c_str(), O_PATH | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return FileError(Stage::kOpen, LastSystemError());
  const Descriptor looked_at(fd);
  struct stat before {};
  if (::fstat(looked_at.get(), &before) != 0) return FileError(Stage::kOpen, LastSystemError());
  if (const char* fault = KindFault(before.st_mode)) return FileError(Stage::kRefused, fault);
  const std::string same_file = "/proc/self/fd/" + std::to_string(looked_at.get());
  do {
    fd = ::open(same_file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
#else
  // A name that is not there is left to the open to tell; anything but a regular file is refused
  // before it is opened, since opening some devices already acts on them.
  struct stat before {};
  if (::stat(file.c_str(), &before) == 0) {
    if (const char* fault = KindFault(before.st_mode)) return FileError(Stage::kRefused, fault);
  }
  do {
    fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
#endif
  if (fd < 0) return FileError(Stage::kOpen, LastSystemError());
  const Descriptor descriptor(fd);
  struct stat opened {};
  if (::fstat(fd, &opened) != 0) return FileError(Stage::kOpen, LastSystemError());
  if (const char* fault = KindFault(opened.st_mode)) return FileError(Stage::kRefused, fault);

  // Read in pieces and stop once past the limit, whatever size the file had when it was opened.
  std::vector<Byte> bytes;
  std::array<Byte, 16 * 1024> piece;
  while (bytes.size() <= limit) {
    const ssize_t got = ::read(fd, piece.data(), piece.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return FileError(Stage::kRead, LastSystemError());
    }
    if (got == 0) break;
    const std::size_t keep = std::min(static_cast<std::size_t>(got), limit + 1 - bytes.size());
    bytes.insert(bytes.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(keep));
  }
  return bytes;
}

}  // namespace kestrine
