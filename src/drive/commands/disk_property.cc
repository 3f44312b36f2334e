// The storage-property query through the device port; the reply is read by the pure functions
// of storage_property.h.
#include <array>
#include <cstdint>

#include "smart_drv.h"
#include "storage_property.h"

namespace kestrine {

bool SmartDrv::QueryDiskProperty(std::string_view path, TDisk_Property& property) {
  // A handle of its own, read-only: the query needs no write access, and the ATA commands'
  // handle stays untouched.
  const DeviceHandle handle = port_.Open(path, Access::ReadOnly);
  if (handle == kInvalidHandle) return false;
  const bool answered = QueryDiskProperty(handle, property);
  port_.Close(handle);
  return answered;
}

bool SmartDrv::QueryDiskProperty(DeviceHandle handle, TDisk_Property& property) {
  const std::array<Byte, kPropertyQuerySize> query{};
  std::array<Byte, kPropertyReplySize> reply{};
  std::uint32_t returned = 0;  // not looked at: the texts are read wherever the offsets point
  if (!port_.Control(handle, kIoctlStorageQueryProperty, query, reply, returned)) return false;
  property = ParseStorageDeviceDescriptor(reply);
  return true;
}

}  // namespace kestrine
