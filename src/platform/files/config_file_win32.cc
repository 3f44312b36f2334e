// The configuration file on Windows.
#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <memory>
#include <string>

#include "config_file.h"
#include "win32_file.h"

namespace kestrine {

namespace {

namespace fs = std::filesystem;
using Stage = FileError::Stage;

struct LocalFree_ {
  void operator()(void* memory) const { LocalFree(memory); }
};

// The rights that let a holder change a file, or swap what a folder holds.
constexpr DWORD kFileWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                   FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER |
                                   GENERIC_WRITE | GENERIC_ALL;
constexpr DWORD kFolderWriteRights =
    FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL;

bool IsTrustedInstaller(PSID sid) {
  PSID installer = nullptr;
  if (!ConvertStringSidToSidW(L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                              &installer))
    return false;
  const std::unique_ptr<void, LocalFree_> owned(installer);
  return EqualSid(sid, installer) != FALSE;
}

bool Trusted(PSID sid) {
  return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
         IsWellKnownSid(sid, WinLocalSystemSid) || IsTrustedInstaller(sid) ||
         (IsUserAnAdmin() == FALSE && IsThisUser(sid));
}

// Why someone else could change the file or folder open at `handle`, or nullptr.
const char* WriteFault(HANDLE handle, bool folder) {
  PSID owner = nullptr;
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT,
                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                      &list, nullptr, &descriptor) != ERROR_SUCCESS)
    return "its permissions could not be read";
  const std::unique_ptr<void, LocalFree_> owned(descriptor);
  if (owner == nullptr || !Trusted(owner))
    return folder ? "a folder on its path belongs to another user" : "it belongs to another user";
  if (list == nullptr)
    return folder ? "a folder on its path is writable by everyone" : "it is writable by everyone";
  const DWORD rights = folder ? kFolderWriteRights : kFileWriteRights;
  for (DWORD i = 0; i < list->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(list, i, &entry)) return "its permissions could not be read";
    const auto* header = static_cast<ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0)
      continue;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(entry);
    const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if ((allowed->Mask & rights) != 0 && !Trusted(sid))
      return folder ? "a folder on its path can be changed by users other than the administrators"
                    : "users other than the administrators can change it";
  }
  return nullptr;
}

}  // namespace

fs::path DefaultConfigFile() {
  PWSTR folder = nullptr;
  const HRESULT found = SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &folder);
  std::unique_ptr<wchar_t, decltype(&CoTaskMemFree)> owned(folder, &CoTaskMemFree);
  if (found != S_OK || folder == nullptr) return {};
  return fs::path(folder) / L"Kestrine" / L"kestrine.toml";
}

FileResult<std::string> ReadTrustedConfigFile(const fs::path& file) {
  const FileHandle handle(CreateFileW(file.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
  if (!handle.valid()) return FileError(Stage::kOpen, Win32FileErrorCode(GetLastError()));
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(handle.get(), &information))
    return FileError(Stage::kOpen, Win32FileErrorCode(GetLastError()));
  if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
    return FileError(Stage::kRefused, "it is a link");
  if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ||
      GetFileType(handle.get()) != FILE_TYPE_DISK)
    return FileError(Stage::kRefused, "not a regular file");
  if (const char* fault = WriteFault(handle.get(), false)) return FileError(Stage::kRefused, fault);
  const fs::path full = fs::absolute(file).lexically_normal();
  for (fs::path folder = full.parent_path(); folder != folder.parent_path();
       folder = folder.parent_path()) {
    const FileHandle opened(CreateFileW(
        folder.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!opened.valid()) return FileError(Stage::kOpen, Win32FileErrorCode(GetLastError()));
    if (const char* fault = WriteFault(opened.get(), true))
      return FileError(Stage::kRefused, fault);
  }
  std::string text;
  char piece[16 * 1024];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(handle.get(), piece, sizeof piece, &got, nullptr))
      return FileError(Stage::kRead, Win32FileErrorCode(GetLastError()));
    if (got == 0) break;
    text.append(piece, got);
    if (text.size() > kConfigFileLimit)
      return FileError(Stage::kRefused,
                       "it is larger than " + std::to_string(kConfigFileLimit / 1024) + " KiB");
  }
  return text;
}

}  // namespace kestrine
