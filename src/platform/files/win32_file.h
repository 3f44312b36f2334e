// What the Windows file reader and writer share: a handle closed when it goes out of scope, and
// the system's errors as error codes.
#pragma once

#include <windows.h>

#include <cerrno>
#include <memory>
#include <system_error>

namespace kestrine {

class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  // Closes now and says whether the close succeeded: the last bytes may only fail here.
  bool Close() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

// A file call's error as an error code that reads as the C library's text where there is one,
// so that messages about files read alike on every platform; other errors keep the system's
// words.
inline std::error_code Win32FileErrorCode(DWORD error) {
  int number = 0;
  switch (error) {
    case 0:  // a failure that set no error: never taken for success
      number = EIO;
      break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      number = ENOENT;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      number = EACCES;
      break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      number = ENOSPC;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      number = EEXIST;
      break;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
      number = EINVAL;
      break;
    case ERROR_FILENAME_EXCED_RANGE:
      number = ENAMETOOLONG;
      break;
    default:
      return {static_cast<int>(error), std::system_category()};
  }
  return {number, std::generic_category()};
}

// Whether `sid` is this program's user.
inline bool IsThisUser(PSID sid) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const FileHandle owned_token(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::unique_ptr<BYTE[]> user(new BYTE[size == 0 ? 1 : size]);
  if (!GetTokenInformation(token, TokenUser, user.get(), size, &size)) return false;
  return EqualSid(reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid, sid) != FALSE;
}

}  // namespace kestrine
