// Reading a file the user named. Only a regular file is read: a directory, a device, a pipe or a
// socket at the name is refused before it is opened, and again once it is open, so that a name
// swapped in between is refused too and nothing waits for a pipe's writer. The work is the
// system's; each platform has its own implementation (src/platform/files).
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "bytes.h"
#include "file_error.h"

namespace kestrine {

// The file's bytes, at most `limit + 1` of them: a caller that gets more than `limit` knows the
// file is larger without its being read whole. Errors: kRefused "is a directory" or "not a
// regular file", kOpen and kRead with the system's error code.
FileResult<std::vector<Byte>> ReadRegularFile(const std::filesystem::path& file, std::size_t limit);

}  // namespace kestrine
