// The history's place on Windows.
#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "file_target.h"
#include "history_file.h"
#include "win32_file.h"

namespace kestrine {

namespace {

namespace fs = std::filesystem;
using Stage = FileError::Stage;

constexpr const wchar_t* kCompanions[] = {L"-wal", L"-shm", L"-journal"};

// Full control for the system and the administrators, nothing for anyone else, inherited by
// what the folder holds (SQLite's -wal and -shm files).
constexpr wchar_t kAdministratorsOnly[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

struct LocalFree_ {
  void operator()(void* memory) const { LocalFree(memory); }
};

FileError SystemError(Stage stage) {
  return FileError(stage, Win32FileErrorCode(GetLastError()));
}

// Whether a regular file stands at `name`; false when nothing is there. Anything else there is
// refused.
FileResult<bool> RegularFileAt(const std::wstring& name) {
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return false;
    return FileError(Stage::kOpen, Win32FileErrorCode(error));
  }
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
    return FileError(Stage::kRefused, "A link stands at its name");
  if (attributes & FILE_ATTRIBUTE_DIRECTORY)
    return FileError(Stage::kRefused, "Not a regular file");
  return true;
}

// A machine-wide folder that was there before (a standard user may make %ProgramData%\Kestrine
// before Kestrine is installed, and keep the right to swap the files in it): its owner must be
// the administrators, the system or this user; its permission list then becomes
// `administrators_only`, as the mode of the POSIX folder becomes its owner's alone.
std::optional<FileError> CheckMachineFolder(const fs::path& folder,
                                            PSECURITY_DESCRIPTOR administrators_only) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD read =
      GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                            nullptr, nullptr, nullptr, &descriptor);
  if (read != ERROR_SUCCESS) return FileError(Stage::kCreate, Win32FileErrorCode(read));
  const std::unique_ptr<void, LocalFree_> owned(descriptor);
  if (owner == nullptr || (!IsWellKnownSid(owner, WinBuiltinAdministratorsSid) &&
                           !IsWellKnownSid(owner, WinLocalSystemSid) && !IsThisUser(owner))) {
    return FileError(Stage::kRefused, "Its folder belongs to another user");
  }
  // As the POSIX file's mode: taken away where the system lets it, never a reason to stop.
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  if (GetSecurityDescriptorDacl(administrators_only, &present, &list, &defaulted)) {
    SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                          nullptr, list, nullptr);
  }
  return std::nullopt;
}

}  // namespace

HistoryLocation DefaultHistoryLocation() {
  const bool administrator = IsUserAnAdmin() != FALSE;
  PWSTR folder = nullptr;
  const HRESULT found = SHGetKnownFolderPath(
      administrator ? FOLDERID_ProgramData : FOLDERID_LocalAppData, 0, nullptr, &folder);
  std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(folder, &CoTaskMemFree);
  if (found != S_OK || folder == nullptr) return {};
  return {fs::path(folder) / L"Kestrine" / L"history.db", administrator};
}

std::optional<FileError> PrepareHistoryFile(const fs::path& file, bool machine_wide, bool create) {
  if (std::optional<std::string> fault = TargetNameFault(file.string(), true)) {
    return FileError(Stage::kRefused, *fault);
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (machine_wide && !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                          kAdministratorsOnly, SDDL_REVISION_1, &descriptor, nullptr)) {
    return SystemError(Stage::kCreate);
  }
  const std::unique_ptr<void, LocalFree_> owned(descriptor);
  SECURITY_ATTRIBUTES security{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
  SECURITY_ATTRIBUTES* const attributes = machine_wide ? &security : nullptr;

  if (create) {
    const fs::path folder = file.parent_path();
    std::error_code ignored;
    fs::create_directories(folder.parent_path(), ignored);
    if (!CreateDirectoryW(folder.c_str(), attributes) && GetLastError() != ERROR_ALREADY_EXISTS)
      return SystemError(Stage::kCreate);
    const DWORD kind = GetFileAttributesW(folder.c_str());
    if (kind == INVALID_FILE_ATTRIBUTES) return SystemError(Stage::kCreate);
    if (!(kind & FILE_ATTRIBUTE_DIRECTORY) || (kind & FILE_ATTRIBUTE_REPARSE_POINT))
      return FileError(Stage::kRefused, "Its folder is not a folder");
    if (machine_wide) {
      if (std::optional<FileError> error = CheckMachineFolder(folder, descriptor)) return error;
    }
  }
  for (const wchar_t* companion : kCompanions) {
    const FileResult<bool> regular = RegularFileAt(file.native() + companion);
    if (!regular) return regular.error();
  }
  const FileResult<bool> present = RegularFileAt(file.native());
  if (!present) return present.error();
  if (*present) return std::nullopt;
  if (!create) {
    return FileError(Stage::kOpen, std::make_error_code(std::errc::no_such_file_or_directory));
  }
  const FileHandle handle(CreateFileW(
      file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  // Another program may have made it just now: that one is as good.
  if (!handle.valid() && GetLastError() != ERROR_FILE_EXISTS) return SystemError(Stage::kCreate);
  return std::nullopt;
}

}  // namespace kestrine
