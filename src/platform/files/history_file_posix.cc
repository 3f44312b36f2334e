// The history's place on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "file_target.h"
#include "history_file.h"
#include "posix_file.h"

namespace kestrine {

namespace {

namespace fs = std::filesystem;
using Stage = FileError::Stage;

constexpr char kMachineFile[] = "/var/lib/kestrine/history.db";
constexpr const char* kCompanions[] = {"-wal", "-shm", "-journal"};

// Makes `folder` (its parents as the system makes them) and checks that it is a folder of this
// user's or root's, not a link; a machine-wide one is then its owner's alone.
std::optional<FileError> PrepareFolder(const fs::path& folder, bool machine_wide) {
  std::error_code error;
  if (!fs::exists(fs::symlink_status(folder, error))) {
    fs::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      return FileError(Stage::kCreate, LastSystemError());
    }
  }
  struct stat status {};
  if (::lstat(folder.c_str(), &status) != 0) return FileError(Stage::kCreate, LastSystemError());
  if (!S_ISDIR(status.st_mode)) return FileError(Stage::kRefused, "Its folder is not a folder");
  // Root's folders are safe for anyone; another user's folder could have its files swapped.
  if (status.st_uid != ::geteuid() && status.st_uid != 0) {
    return FileError(Stage::kRefused, "Its folder belongs to another user");
  }
  if (machine_wide && (status.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
    return FileError(Stage::kCreate, LastSystemError());
  }
  return std::nullopt;
}

// Whether a regular file stands at `name`; false when nothing is there. Anything else there is
// refused.
FileResult<bool> RegularFileAt(const std::string& name) {
  struct stat status {};
  if (::lstat(name.c_str(), &status) != 0) {
    if (errno == ENOENT) return false;
    return FileError(Stage::kOpen, LastSystemError());
  }
  if (S_ISLNK(status.st_mode)) return FileError(Stage::kRefused, "A link stands at its name");
  if (!S_ISREG(status.st_mode)) return FileError(Stage::kRefused, "Not a regular file");
  return true;
}

}  // namespace

HistoryLocation DefaultHistoryLocation() {
  if (::geteuid() == 0) return {kMachineFile, true};
  const char* state = std::getenv("XDG_STATE_HOME");
  // Relative values are to be ignored, as the XDG rules say.
  if (state != nullptr && state[0] == '/') return {fs::path(state) / "kestrine" / "history.db"};
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') {
    return {fs::path(home) / ".local" / "state" / "kestrine" / "history.db"};
  }
  return {};
}

std::optional<FileError> PrepareHistoryFile(const fs::path& file, bool machine_wide, bool create) {
  if (std::optional<std::string> fault = TargetNameFault(file.native(), false)) {
    return FileError(Stage::kRefused, *fault);
  }
  if (create) {
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    if (std::optional<FileError> error = PrepareFolder(folder, machine_wide)) return error;
  }
  for (const char* companion : kCompanions) {
    const FileResult<bool> regular = RegularFileAt(file.native() + companion);
    if (!regular) return regular.error();
  }
  const FileResult<bool> present = RegularFileAt(file.native());
  if (!present) return present.error();
  if (!*present) {
    if (!create)
      return FileError(Stage::kOpen, std::make_error_code(std::errc::no_such_file_or_directory));
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    // Another program may have made it just now: that one is as good.
    if (fd < 0 && errno != EEXIST) return FileError(Stage::kCreate, LastSystemError());
    if (fd >= 0) ::close(fd);
    const FileResult<bool> made = RegularFileAt(file.native());
    if (!made) return made.error();
    return std::nullopt;
  }
  if (machine_wide) {
    // Older or hand-made files lose what others could read.
    const Descriptor fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (fd.get() >= 0 && ::fstat(fd.get(), &status) == 0 && (status.st_mode & 077) != 0) {
      (void)::fchmod(fd.get(), status.st_mode & 0700);
    }
  }
  return std::nullopt;
}

}  // namespace kestrine
