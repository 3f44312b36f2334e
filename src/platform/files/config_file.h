// Where the configuration file lives, and reading it only when it can be trusted: the programs
// run as root or as an administrator, and the file names programs they run (exec channels), so a
// file someone else could write would hand them the machine.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "file_error.h"

namespace kestrine {

// /etc/kestrine/kestrine.toml; %ProgramData%\Kestrine\kestrine.toml (empty when Windows does not
// say where %ProgramData% is).
std::filesystem::path DefaultConfigFile();

// The largest configuration file read.
inline constexpr std::size_t kConfigFileLimit = 256 * 1024;

// The file's text. Refused (kRefused, with the reason): a link, anything but a regular file, a
// file larger than kConfigFileLimit, and a file that anyone but root (Windows: the
// administrators and the system) could change: its owner, a group or everyone allowed to write
// it, or to write a folder on its path where it could be swapped. A program that does not run as
// root or an administrator also trusts its own user's files, which can do no more than that user.
// Not there: kOpen with ENOENT.
FileResult<std::string> ReadTrustedConfigFile(const std::filesystem::path& file);

}  // namespace kestrine
