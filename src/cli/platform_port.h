// What kestrine-cli takes from the system it runs on: the device port of its drives, the
// directory of its own executable, and the console's and standard output's settings.
#pragma once

#include <memory>
#include <string>

#include "device_port.h"

namespace kestrine {

// The platform's device port: SG_IO on Linux, DeviceIoControl on Windows.
std::unique_ptr<DevicePort> MakePlatformPort();

// The directory that holds the running executable; `argv0` is the fallback where the system
// cannot say.
std::string ExecutableDirectory(const char* argv0);

// While it lives, the console shows the program's output as UTF-8. On Windows a console has to
// be told, and it belongs to the user's shell: its own code page is given back at the end. Other
// systems' terminals take the bytes as they are.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  [[maybe_unused]] unsigned previous_code_page_ = 0;  // 0: no console to set (Windows)
};

// From here on standard output gets the program's bytes as they are: on Windows, line feeds stay
// line feeds instead of becoming CR LF. Elsewhere it already does.
void MakeStandardOutputBinary();

}  // namespace kestrine
