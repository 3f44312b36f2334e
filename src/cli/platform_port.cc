#include "platform_port.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "win32_device_port.h"
#else
#include "linux_device_port.h"
#endif

namespace kestrine {

namespace fs = std::filesystem;

std::unique_ptr<DevicePort> MakePlatformPort() {
#ifdef _WIN32
  return std::make_unique<Win32DevicePort>();
#else
  return std::make_unique<LinuxDevicePort>();
#endif
}

std::string ExecutableDirectory(const char* argv0) {
  std::error_code error;
#ifdef _WIN32
  char name[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, name, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return fs::path(name).parent_path().string();
#elif defined(__linux__)
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (!error) return self.parent_path().string();
#endif
  if (argv0 == nullptr) return {};
  const fs::path program = fs::absolute(argv0, error);
  return error ? std::string() : program.parent_path().string();
}

#ifdef _WIN32
Utf8Console::Utf8Console() : previous_code_page_(GetConsoleOutputCP()) {
  if (previous_code_page_ != 0) SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
  // What is still buffered is written while the console still reads it as UTF-8.
  std::cout.flush();
  if (previous_code_page_ != 0) SetConsoleOutputCP(previous_code_page_);
}

void MakeStandardOutputBinary() {
  std::cout.flush();
  _setmode(_fileno(stdout), _O_BINARY);
}
#else
Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;
void MakeStandardOutputBinary() {}
#endif

}  // namespace kestrine
