// ReadRegularFile on Windows: the kind of file is checked before the open and again on the open
// handle.
#include <windows.h>

#include <algorithm>
#include <array>
#include <system_error>

#include "file_reader.h"
#include "win32_file.h"

namespace kestrine {

namespace {

using Stage = FileError::Stage;

}  // namespace

FileResult<std::vector<Byte>> ReadRegularFile(const std::filesystem::path& file,
                                              std::size_t limit) {
  // A name that is not there is left to the open to tell.
  std::error_code ignored;
  const std::filesystem::file_status status = std::filesystem::status(file, ignored);
  if (std::filesystem::is_directory(status)) return FileError(Stage::kRefused, "is a directory");
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    return FileError(Stage::kRefused, "not a regular file");
  }
  const FileHandle handle(CreateFileW(file.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!handle.valid()) return FileError(Stage::kOpen, Win32FileErrorCode(GetLastError()));
  if (GetFileType(handle.get()) != FILE_TYPE_DISK) {
    return FileError(Stage::kRefused, "not a regular file");
  }

  // Read in pieces and stop once past the limit, whatever size the file had when it was opened.
  std::vector<Byte> bytes;
  std::array<Byte, 16 * 1024> piece;
  while (bytes.size() <= limit) {
    DWORD got = 0;
    if (!ReadFile(handle.get(), piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr)) {
      return FileError(Stage::kRead, Win32FileErrorCode(GetLastError()));
    }
    if (got == 0) break;
    const std::size_t keep = std::min(static_cast<std::size_t>(got), limit + 1 - bytes.size());
    bytes.insert(bytes.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(keep));
  }
  return bytes;
}

}  // namespace kestrine
