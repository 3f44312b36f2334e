// The history's place on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "file_target.h"
#include "history_file.h"
#include "posix_file.h"

namespace kestrine {

namespace {

namespace fs = std::filesystem;
using Stage = FileError::Stage;

constexpr char kMachineFile[] = "/var/lib/kestrine/history.db";
constexpr const char* kCompanions[] = {"-wal", "-shm", "-journal"};

// Whether a folder of `owner` is safe for this user: root's folders are safe for anyone; another
// user's could have its files swapped.
bool SafeOwner(uid_t owner) {
  return owner == ::geteuid() || owner == 0;
}

// Makes `folder` and the folders above it that are not there, each inside a real folder (never
// through a link), and checks that it and every folder above it are this user's or root's, and
// that it is not a link; a machine-wide one is then its owner's alone.
std::optional<FileError> PrepareFolder(const fs::path& folder, bool machine_wide) {
  const fs::path full = fs::absolute(folder).lexically_normal();
  std::vector<fs::path> missing;
  fs::path existing = full;
  struct stat status {};
  while (::lstat(existing.c_str(), &status) != 0) {
    if (errno != ENOENT || existing == existing.parent_path())
      return FileError(Stage::kCreate, LastSystemError());
    missing.push_back(existing);
    existing = existing.parent_path();
  }
  if (!missing.empty() && !S_ISDIR(status.st_mode)) {
    return FileError(Stage::kRefused, S_ISLNK(status.st_mode) ? "A link stands on its path"
                                                              : "Its path holds a file");
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (::mkdir(it->c_str(), *it == full ? 0700 : 0755) != 0 && errno != EEXIST)
      return FileError(Stage::kCreate, LastSystemError());
    // Another program may have made it just now: it is checked as any folder.
    if (::lstat(it->c_str(), &status) != 0) return FileError(Stage::kCreate, LastSystemError());
    if (!S_ISDIR(status.st_mode)) return FileError(Stage::kRefused, "A link stands on its path");
  }
  if (::lstat(full.c_str(), &status) != 0) return FileError(Stage::kCreate, LastSystemError());
  if (!S_ISDIR(status.st_mode)) return FileError(Stage::kRefused, "Its folder is not a folder");
  if (!SafeOwner(status.st_uid))
    return FileError(Stage::kRefused, "Its folder belongs to another user");
  for (fs::path above = full.parent_path();; above = above.parent_path()) {
    struct stat above_status {};
    if (::stat(above.c_str(), &above_status) == 0 && !SafeOwner(above_status.st_uid))
      return FileError(Stage::kRefused, "A folder on its path belongs to another user");
    if (above == above.parent_path()) break;
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
  if (create) {
    struct stat status {};
    if (::lstat(file.c_str(), &status) == 0 && !SafeOwner(status.st_uid))
      return FileError(Stage::kRefused, "It belongs to another user");
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
