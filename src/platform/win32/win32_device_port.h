// The Windows device port: CreateFileA, CloseHandle, DeviceIoControl and OutputDebugStringA.
#pragma once

#include "device_port.h"

namespace kestrine {

class Win32DevicePort final : public DevicePort {
 public:
  DeviceHandle Open(std::string_view path, Access access) override;
  bool Close(DeviceHandle handle) override;
  bool Control(DeviceHandle handle, std::uint32_t code, std::span<const std::uint8_t> in,
               std::span<std::uint8_t> out, std::uint32_t& bytes_returned) override;
  void DebugText(std::string_view text) override;
  OpenFailure LastOpenFailure() const override { return last_open_failure_; }
  // GetDevicePowerState on a handle opened without read or write rights, which sends the disk
  // nothing: Suspended when the system reports the disk not in its working state.
  PowerMode PowerWithoutOpening(std::string_view path) override;

 private:
  OpenFailure last_open_failure_;
};

}  // namespace kestrine
