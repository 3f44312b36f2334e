#include "win32_device_port.h"

#include <windows.h>

#include <string>

namespace kestrine {

static_assert(sizeof(HANDLE) <= sizeof(DeviceHandle));

namespace {

// The system's text for an error code, without its closing line break.
std::string SystemMessage(DWORD error) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "error " + std::to_string(error) : message;
}

}  // namespace

DeviceHandle Win32DevicePort::Open(std::string_view path, Access access) {
  const std::string name(path);
  const DWORD rights = access == Access::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  // No overlapped flag: every exchange on the handle is synchronous.
  const HANDLE handle = CreateFileA(name.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  last_open_failure_ = OpenFailure{};
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    last_open_failure_ = OpenFailure{OpenError::Other, name, SystemMessage(error)};
    if (error == ERROR_ACCESS_DENIED) {
      last_open_failure_.error = OpenError::AccessDenied;
    } else if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      last_open_failure_.error = OpenError::NoDevice;
    }
    return kInvalidHandle;
  }
  return reinterpret_cast<DeviceHandle>(handle);
}

PowerMode Win32DevicePort::PowerWithoutOpening(std::string_view path) {
  const std::string name(path);
  // No access rights: the handle only queries the device object, and the disk hears nothing.
  const HANDLE handle = CreateFileA(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return PowerMode::Unknown;
  BOOL on = TRUE;
  const BOOL answered = GetDevicePowerState(handle, &on);
  CloseHandle(handle);
  return answered != 0 && on == FALSE ? PowerMode::Suspended : PowerMode::Unknown;
}

bool Win32DevicePort::Close(DeviceHandle handle) {
  return CloseHandle(reinterpret_cast<HANDLE>(handle)) != 0;
}

bool Win32DevicePort::Control(DeviceHandle handle, std::uint32_t code,
                              std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                              std::uint32_t& bytes_returned) {
  DWORD returned = 0;
  // The request blocks travel METHOD_BUFFERED: the system copies the input before it writes the
  // output, so the two may be the same bytes.
  const BOOL done = DeviceIoControl(
      reinterpret_cast<HANDLE>(handle), code,
      in.empty() ? nullptr : const_cast<std::uint8_t*>(in.data()), static_cast<DWORD>(in.size()),
      out.empty() ? nullptr : out.data(), static_cast<DWORD>(out.size()), &returned, nullptr);
  bytes_returned = returned;
  return done != 0;
}

void Win32DevicePort::DebugText(std::string_view text) {
  OutputDebugStringA(std::string(text).c_str());
}

}  // namespace kestrine
