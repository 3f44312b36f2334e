#include "sim_bay.h"

namespace kestrine {

bool BuildStorageDeviceDescriptor(const DriveImage&, std::span<Byte>, std::uint32_t&) {
  // The descriptor lands with the storage-property query.
  return false;
}

}  // namespace kestrine
