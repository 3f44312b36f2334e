// ReplaceFileSafely on Windows: the name is checked for device paths and device names first, the
// existing target is looked at without following a reparse point, and the new file is moved
// over it with MoveFileEx, which replaces a link rather than the file it points to.
#include <windows.h>

#include <algorithm>
#include <random>
#include <system_error>

#include "file_target.h"
#include "file_writer.h"
#include "win32_file.h"

namespace kestrine {

namespace {

constexpr int kTemporaryNameTries = 16;

using Stage = FileError::Stage;

// The path in the form that lifts the length limit ("\\?\C:\...", "\\?\UNC\server\..."), for a
// target so long that the name of the new file beside it would pass MAX_PATH.
std::wstring LongPathForm(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(path, error);
  if (error) return path.native();
  std::wstring text = full.lexically_normal().make_preferred().native();
  if (text.size() + kTemporaryFileNameLength + 1 < MAX_PATH) return text;
  if (text.rfind(L"\\\\?\\", 0) == 0) return text;
  if (text.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + text.substr(2);
  return L"\\\\?\\" + text;
}

// The same path with its last component replaced by `name`.
std::wstring Beside(const std::wstring& path, const std::wstring& name) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) {
    // "C:name" stays on its drive.
    if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2) + name;
    return name;
  }
  return path.substr(0, slash + 1) + name;
}

// Removes the temporary files a writer killed before its rename left in the folder of `path`:
// regular files of our name pattern, not reparse points, older than kStaleTemporarySeconds.
void SweepStaleTemporaries(const std::wstring& path) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW(Beside(path, L".kst*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  FILETIME now_time{};
  GetSystemTimeAsFileTime(&now_time);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  constexpr std::uint64_t kTicksPerSecond = 10'000'000;  // FILETIME counts 100 ns
  do {
    const std::wstring wide = found.cFileName;
    if (std::ranges::any_of(wide, [](wchar_t c) { return c > 0x7F; })) continue;
    if (!IsTemporaryFileName(std::string(wide.begin(), wide.end()))) continue;
    if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0)
      continue;
    const std::uint64_t written = ticks(found.ftLastWriteTime), now = ticks(now_time);
    if (now < written || now - written < kStaleTemporarySeconds * kTicksPerSecond) continue;
    DeleteFileW(Beside(path, wide).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

}  // namespace

std::optional<FileError> ReplaceFileSafely(const std::filesystem::path& target,
                                           std::string_view bytes) {
  const std::u8string utf8 = target.u8string();
  const std::string narrow(utf8.begin(), utf8.end());
  if (std::optional<std::string> fault = TargetNameFault(narrow, true)) {
    return FileError(Stage::kRefused, *fault);
  }
  const std::wstring path = LongPathForm(target);

  // What is there now, looked at without following a reparse point: a link is replaced, a file
  // is checked, anything else is refused.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    const bool reparse = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!reparse && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      return FileError(Stage::kRefused, std::make_error_code(std::errc::is_a_directory));
    }
    if (!reparse) {
      const FileHandle existing(CreateFileW(
          path.c_str(), FILE_READ_ATTRIBUTES,
          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
          FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
      if (existing.valid() && GetFileType(existing.get()) != FILE_TYPE_DISK) {
        return FileError(Stage::kRefused, "Not a regular file (a device)");
      }
      if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return FileError(Stage::kRefused, "Read-only file");
      }
    }
  } else if (const DWORD error = GetLastError();
             error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
    return FileError(Stage::kCreate, Win32FileErrorCode(error));
  }

  SweepStaleTemporaries(path);
  std::random_device random_device;
  std::mt19937_64 random((static_cast<std::uint64_t>(random_device()) << 32) ^ random_device() ^
                         GetTickCount64() ^ GetCurrentProcessId());
  std::wstring temporary;
  HANDLE created = INVALID_HANDLE_VALUE;
  DWORD error = 0;
  for (int tries = 0; created == INVALID_HANDLE_VALUE && tries < kTemporaryNameTries; ++tries) {
    const std::string name = TemporaryFileName(random());
    temporary = Beside(path, std::wstring(name.begin(), name.end()));
    // CREATE_NEW never opens what is there, a link included.
    created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    error = GetLastError();
    if (created == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS &&
        error != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  if (created == INVALID_HANDLE_VALUE) return FileError(Stage::kCreate, Win32FileErrorCode(error));
  FileHandle file(created);
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    file.Close();
    return FileError(Stage::kRefused, "Not a regular file (a device)");
  }

  bool written = true;
  error = 0;
  while (written && !bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    DWORD done = 0;
    if (!WriteFile(file.get(), bytes.data(), piece, &done, nullptr) || done == 0) {
      error = done == 0 && GetLastError() == 0 ? ERROR_DISK_FULL : GetLastError();
      written = false;
    } else {
      bytes.remove_prefix(done);
    }
  }
  if (written && !FlushFileBuffers(file.get())) {
    error = GetLastError();
    written = false;
  }
  if (written && !file.Close()) {
    error = GetLastError();
    written = false;
  }
  if (written && !MoveFileExW(temporary.c_str(), path.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
    written = false;
  }
  if (!written) {
    if (file.valid()) file.Close();
    DeleteFileW(temporary.c_str());
    return FileError(Stage::kWrite, Win32FileErrorCode(error));
  }
  return std::nullopt;
}

void RemoveNewFilesOnSignals() {}

}  // namespace kestrine
