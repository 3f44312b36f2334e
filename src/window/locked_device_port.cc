#include "locked_device_port.h"

namespace kestrine {

DeviceHandle LockedDevicePort::Open(std::string_view path, Access access) {
  const std::scoped_lock lock(mutex_);
  return port_.Open(path, access);
}

bool LockedDevicePort::Close(DeviceHandle handle) {
  const std::scoped_lock lock(mutex_);
  return port_.Close(handle);
}

bool LockedDevicePort::Control(DeviceHandle handle, std::uint32_t code,
                               std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                               std::uint32_t& bytes_returned) {
  const std::scoped_lock lock(mutex_);
  return port_.Control(handle, code, in, out, bytes_returned);
}

void LockedDevicePort::DebugText(std::string_view text) {
  const std::scoped_lock lock(mutex_);
  port_.DebugText(text);
}

OpenFailure LockedDevicePort::LastOpenFailure() const {
  const std::scoped_lock lock(mutex_);
  return port_.LastOpenFailure();
}

std::optional<std::uint32_t> LockedDevicePort::NvmeNamespaceId(DeviceHandle handle) {
  const std::scoped_lock lock(mutex_);
  return port_.NvmeNamespaceId(handle);
}

PowerMode LockedDevicePort::PowerWithoutOpening(std::string_view path) {
  const std::scoped_lock lock(mutex_);
  return port_.PowerWithoutOpening(path);
}

}  // namespace kestrine
