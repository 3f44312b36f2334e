// Writing a file the user named. The programs run as root or as an administrator, so a file is
// only ever written as a regular file of its own: never through a symbolic link (or reparse
// point) at the name, never into a device, a pipe or a folder. The work is the system's; each
// platform has its own implementation (src/platform/files).
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "file_error.h"

namespace kestrine {

// Writes `bytes` as the file `target` and returns nullopt, or says why it did not: kRefused,
// kCreate or kWrite.
//
// A target that exists and is not a regular file is refused (a directory, a device, a pipe, a
// socket; on Windows also device paths and device names such as NUL or COM1.txt), and so is a
// regular file that may not be written (no write permission at all, or none for this process).
// The bytes go to a new file in the target's folder, created exclusively and without following
// links, flushed to the disk, then renamed over the target: the target is replaced only once
// the new file is complete, a symbolic link at the name is replaced by the file rather than
// written through, and a failure leaves the target as it was and no new file behind. A file
// replaced keeps its permissions and, where the process may give it, its owner.
std::optional<FileError> ReplaceFileSafely(const std::filesystem::path& target,
                                           std::string_view bytes);

// From now on, a signal that ends the program (SIGINT, SIGTERM, SIGHUP, SIGQUIT on POSIX systems)
// while ReplaceFileSafely writes removes the new file before the program ends as the signal asks.
// Signals the program was started ignoring stay ignored. Does nothing on Windows yet.
void RemoveNewFilesOnSignals();

}  // namespace kestrine
