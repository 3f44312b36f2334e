// The configuration file on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "config_file.h"
#include "posix_file.h"

namespace kestrine {

namespace {

namespace fs = std::filesystem;
using Stage = FileError::Stage;

bool TrustedOwner(uid_t owner) {
  return owner == 0 || owner == ::geteuid();
}

// Why someone else could change what `status` describes (a file, or a folder, where a sticky
// bit keeps others from swapping a file they do not own), or nullptr.
const char* WriteFault(const struct stat& status, bool folder) {
  if (!TrustedOwner(status.st_uid))
    return folder ? "a folder on its path belongs to another user" : "it belongs to another user";
  const bool sticky = folder && (status.st_mode & S_ISVTX) != 0;
  if (sticky) return nullptr;
  if ((status.st_mode & S_IWOTH) != 0)
    return folder ? "a folder on its path is writable by everyone" : "it is writable by everyone";
  if ((status.st_mode & S_IWGRP) != 0 && status.st_gid != 0)
    return folder ? "a folder on its path is writable by a group" : "it is writable by a group";
  return nullptr;
}

}  // namespace

fs::path DefaultConfigFile() {
  return "/etc/kestrine/kestrine.toml";
}

FileResult<std::string> ReadTrustedConfigFile(const fs::path& file) {
  int fd = -1;
  do {
    fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == ELOOP) return FileError(Stage::kRefused, "it is a link");
    return FileError(Stage::kOpen, LastSystemError());
  }
  const Descriptor descriptor(fd);
  struct stat status {};
  if (::fstat(fd, &status) != 0) return FileError(Stage::kOpen, LastSystemError());
  if (!S_ISREG(status.st_mode)) return FileError(Stage::kRefused, "not a regular file");
  if (const char* fault = WriteFault(status, false)) return FileError(Stage::kRefused, fault);
  const fs::path full = fs::absolute(file).lexically_normal();
  for (fs::path folder = full.parent_path();; folder = folder.parent_path()) {
    struct stat folder_status {};
    if (::stat(folder.c_str(), &folder_status) != 0)
      return FileError(Stage::kOpen, LastSystemError());
    if (const char* fault = WriteFault(folder_status, true))
      return FileError(Stage::kRefused, fault);
    if (folder == folder.parent_path()) break;
  }
  std::string text;
  std::array<char, 16 * 1024> piece;
  for (;;) {
    const ssize_t got = ::read(fd, piece.data(), piece.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return FileError(Stage::kRead, LastSystemError());
    }
    if (got == 0) break;
    text.append(piece.data(), static_cast<std::size_t>(got));
    if (text.size() > kConfigFileLimit)
      return FileError(Stage::kRefused,
                       "it is larger than " + std::to_string(kConfigFileLimit / 1024) + " KiB");
  }
  return text;
}

}  // namespace kestrine
