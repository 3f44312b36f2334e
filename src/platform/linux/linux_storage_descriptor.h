// The STORAGE_DEVICE_DESCRIPTOR the Linux port answers a standard device-property query with,
// built from what sysfs says about the disk.
#pragma once

#include <cstdint>
#include <span>

#include "bytes.h"
#include "storage_property.h"
#include "sysfs_disk.h"

namespace kestrine {

struct StorageDescriptorFacts {
  std::uint8_t device_type = 0;
  bool removable = false;
  std::uint32_t bus_type = storage_bus::kUnknown;
  DiskTexts texts;
};

// Writes the descriptor into `out`, as much of it as fits: Version and Size tell the whole
// descriptor's size, and a text that does not lie wholly inside `out`, zero byte included, gets
// offset 0. A text ends at its first zero byte; empty and absent texts get offset 0. False (and
// nothing written) when `out` cannot hold Version and Size.
bool WriteStorageDeviceDescriptor(const StorageDescriptorFacts& facts, std::span<Byte> out,
                                  std::uint32_t& bytes_returned);

}  // namespace kestrine
