// What kestrine-cli takes from the system it runs on: the device port of its drives and the
// directory of its own executable.
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

}  // namespace kestrine
