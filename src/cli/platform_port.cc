#include "platform_port.h"

#include <filesystem>
#include <system_error>

#if defined(KESTRINE_HAVE_PORT) && defined(_WIN32)
#include "win32_device_port.h"
#elif defined(KESTRINE_HAVE_PORT) && defined(__linux__) && __has_include("sg_io_port.h")
#include "sg_io_port.h"
#define KESTRINE_SG_IO_PORT 1
#endif

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestrine {

namespace fs = std::filesystem;

std::unique_ptr<DevicePort> MakePlatformPort() {
#if defined(KESTRINE_HAVE_PORT) && defined(_WIN32)
  return std::make_unique<Win32DevicePort>();
#elif defined(KESTRINE_SG_IO_PORT)
  return std::make_unique<SgIoPort>();
#else
  return std::make_unique<NullDevicePort>();
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

}  // namespace kestrine
