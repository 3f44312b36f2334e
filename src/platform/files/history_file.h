// Where the history database lives, and its folder and file made ready before SQLite opens it:
// the programs run as root or as an administrator, so the file is only ever a regular file of
// its own, in a folder only its owner can change.
#pragma once

#include <filesystem>
#include <optional>

#include "file_error.h"

namespace kestrine {

struct HistoryLocation {
  std::filesystem::path file;  // empty: there is nowhere to keep a history
  bool machine_wide = false;   // root's or administrators' file, for all of them
};

// As root or an administrator the machine's file (/var/lib/kestrine/history.db,
// %ProgramData%\Kestrine\history.db); otherwise the user's own, in the per-user state folder
// ($XDG_STATE_HOME/kestrine, else ~/.local/state/kestrine; %LOCALAPPDATA%\Kestrine).
HistoryLocation DefaultHistoryLocation();

// Makes the file's folder when it is not there, and with `create` the file itself, empty; both
// with their owner's rights only, and a machine-wide folder given to the owner alone. Refused
// (kRefused): the file, or one of the files SQLite keeps beside it (-wal, -shm, -journal), is a
// link, a pipe or anything but a regular file; the folder is a link or belongs to someone else.
// A file that is not there and not to be created: kOpen with ENOENT.
std::optional<FileError> PrepareHistoryFile(const std::filesystem::path& file, bool machine_wide,
                                            bool create);

}  // namespace kestrine
