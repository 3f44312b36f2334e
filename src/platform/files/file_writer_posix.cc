// ReplaceFileSafely on POSIX systems: everything relative to a descriptor of the target's folder,
// so that the checks, the new file and the rename all act on the same folder.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <random>
#include <system_error>

#include "file_target.h"
#include "file_writer.h"
#include "posix_file.h"

namespace kestrine {

namespace {

// How many names are tried for the new file before giving up: each is one of 2^40.
constexpr int kTemporaryNameTries = 16;

using Stage = FileError::Stage;

// Why a file of this kind is never written, or nullptr for a regular file.
const char* KindFault(mode_t mode) {
  if (S_ISREG(mode)) return nullptr;
  if (S_ISDIR(mode)) return nullptr;  // told with the system's own text
  if (S_ISCHR(mode)) return "Not a regular file (a character device)";
  if (S_ISBLK(mode)) return "Not a regular file (a block device)";
  if (S_ISFIFO(mode)) return "Not a regular file (a pipe)";
  if (S_ISSOCK(mode)) return "Not a regular file (a socket)";
  return "Not a regular file";
}

// The new file being written, for a signal that ends the program meanwhile: the descriptor of
// its folder (-1: none) and its name. The name is set before the folder is published.
std::atomic<int> pending_folder{-1};
char pending_name[kTemporaryFileNameLength + 1] = {};

class PendingFile {
 public:
  PendingFile(int folder, const std::string& name) {
    std::memcpy(pending_name, name.c_str(), std::min(name.size() + 1, sizeof pending_name));
    pending_name[sizeof pending_name - 1] = '\0';
    pending_folder.store(folder);
  }
  ~PendingFile() { pending_folder.store(-1); }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;
};

extern "C" void RemovePendingFileAndEnd(int signal_number) {
  const int saved_errno = errno;
  const int folder = pending_folder.exchange(-1);
  if (folder >= 0) ::unlinkat(folder, pending_name, 0);
  errno = saved_errno;
  // SA_RESETHAND has put back the default action: the program ends as the signal asked.
  ::raise(signal_number);
}

std::error_code WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return LastSystemError();
    }
    if (written == 0) return std::make_error_code(std::errc::no_space_on_device);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return {};
}

// Removes this user's temporary files in the folder that a writer killed before its rename left
// behind: regular files of our name pattern, not links, older than kStaleTemporarySeconds.
void SweepStaleTemporaries(int dir) {
  const int listing = ::dup(dir);
  if (listing < 0) return;
  DIR* entries = ::fdopendir(listing);
  if (entries == nullptr) {
    ::close(listing);
    return;
  }
  ::rewinddir(entries);
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(entries)) {
    if (!IsTemporaryFileName(entry->d_name)) continue;
    struct stat status {};
    if (::fstatat(dir, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(status.st_mode) || status.st_uid != ::geteuid() ||
        now - status.st_mtime < kStaleTemporarySeconds)
      continue;
    ::unlinkat(dir, entry->d_name, 0);
  }
  ::closedir(entries);
}

}  // namespace

void RemoveNewFilesOnSignals() {
  struct sigaction action {};
  action.sa_handler = RemovePendingFileAndEnd;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction previous {};
    // A signal the program was started ignoring (nohup) stays ignored.
    if (::sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
      continue;
    ::sigaction(signal_number, &action, nullptr);
  }
}

std::optional<FileError> ReplaceFileSafely(const std::filesystem::path& target,
                                           std::string_view bytes) {
  const std::string& path = target.native();
  if (std::optional<std::string> fault = TargetNameFault(path, false)) {
    return FileError(Stage::kRefused, *fault);
  }
  const std::string name(LastPathComponent(path, false));
  const std::string folder =
      path.size() == name.size() ? "." : path.substr(0, path.size() - name.size());

  // Links in the folder's own path are followed as the user wrote them; only the last
  // component, the file itself, is never followed.
  const Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return FileError(Stage::kCreate, LastSystemError());

  struct stat previous {};
  bool replaces_file = false;
  if (::fstatat(dir.get(), name.c_str(), &previous, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(previous.st_mode)) {
      return FileError(Stage::kRefused, std::make_error_code(std::errc::is_a_directory));
    }
    if (!S_ISLNK(previous.st_mode)) {
      if (const char* fault = KindFault(previous.st_mode)) return FileError(Stage::kRefused, fault);
      // A file nobody may write stays as it is, even for root, who could write it anyway.
      if ((previous.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return FileError(Stage::kRefused, "Read-only file");
      }
      if (::faccessat(dir.get(), name.c_str(), W_OK, AT_EACCESS) != 0) {
        return FileError(Stage::kRefused, LastSystemError());
      }
      replaces_file = true;
    }
  } else if (errno != ENOENT) {
    return FileError(Stage::kCreate, LastSystemError());
  }

  std::random_device random_device;
  std::mt19937_64 random((static_cast<std::uint64_t>(random_device()) << 32) ^ random_device() ^
                         static_cast<std::uint64_t>(::getpid()));
  std::string temporary;
  int fd = -1;
  for (int tries = 0; fd < 0 && tries < kTemporaryNameTries; ++tries) {
    temporary = TemporaryFileName(random());
    do {
      fd = ::openat(dir.get(), temporary.c_str(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return FileError(Stage::kCreate, LastSystemError());
  Descriptor file(fd);
  const PendingFile pending(dir.get(), temporary);

  std::error_code error;
  if (replaces_file) {
    // Only the permission bits carry over, never set-user-ID and the like. Root gives the file
    // back to its owner, as writing into the old file would have left it; nobody else can.
    // A file system that keeps no owners (vfat) refuses; the file then stays root's.
    if (::geteuid() == 0) {
      [[maybe_unused]] const int owner_given = ::fchown(fd, previous.st_uid, previous.st_gid);
    }
    if (::fchmod(fd, previous.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO)) != 0)
      error = LastSystemError();
  }
  if (!error) error = WriteAll(fd, bytes);
  if (!error && ::fsync(fd) != 0) error = LastSystemError();
  if (!error && !file.Close()) error = LastSystemError();
  if (!error && ::renameat(dir.get(), temporary.c_str(), dir.get(), name.c_str()) != 0) {
    error = LastSystemError();
  }
  if (error) {
    ::unlinkat(dir.get(), temporary.c_str(), 0);
    return FileError(Stage::kWrite, error);
  }
  // The rename itself reaches the disk with the folder's own flush.
  (void)::fsync(dir.get());
  SweepStaleTemporaries(dir.get());
  return std::nullopt;
}

}  // namespace kestrine
