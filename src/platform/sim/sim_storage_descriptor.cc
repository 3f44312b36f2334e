// The storage stack's answer to a standard StorageDeviceProperty query: a STORAGE_DEVICE_DESCRIPTOR
// whose fixed part is followed by the vendor, product, revision and serial texts, each ending in a
// zero byte, in that order. As Windows does, an absent text gets offset 0, and a buffer too small
// for the whole descriptor receives what fits while Version and Size still tell the full sizes.
#include <algorithm>
#include <vector>

#include "sim_bay.h"
#include "storage_property.h"

namespace kestrine {

bool BuildStorageDeviceDescriptor(const DriveImage& image, std::span<Byte> out,
                                  std::uint32_t& bytes_returned) {
  using namespace storage_descriptor;
  bytes_returned = 0;
  if (out.size() < kHeaderSize) return false;  // not even Version and Size fit

  std::vector<Byte> descriptor(kRawDeviceProperties, Byte{0});  // no bus-specific bytes
  auto append_text = [&descriptor](const std::string& text, std::size_t offset_field) {
    if (text.empty()) return;
    WriteLe32(descriptor, offset_field, static_cast<std::uint32_t>(descriptor.size()));
    descriptor.insert(descriptor.end(), text.begin(), text.end());
    descriptor.push_back(0);
  };
  append_text(image.vendor, kVendorIdOffset);
  append_text(image.product, kProductIdOffset);
  append_text(image.revision, kProductRevisionOffset);
  append_text(image.serial, kSerialNumberOffset);
  // The structure's own size rounds the one-byte RawDeviceProperties up; never report less.
  if (descriptor.size() < kStructSize) descriptor.resize(kStructSize, 0);

  WriteLe32(descriptor, kVersion, kStructSize);
  WriteLe32(descriptor, kSize, static_cast<std::uint32_t>(descriptor.size()));
  descriptor[kDeviceType] = 0x00;  // direct-access block device
  descriptor[kDeviceTypeModifier] = 0;
  descriptor[kRemovableMedia] = image.removable ? 1 : 0;
  descriptor[kCommandQueueing] = 0;
  WriteLe32(descriptor, kBusType, static_cast<std::uint32_t>(image.bus_type));
  WriteLe32(descriptor, kRawPropertiesLength, 0);

  const std::size_t n = std::min(out.size(), descriptor.size());
  std::copy_n(descriptor.begin(), n, out.begin());
  bytes_returned = static_cast<std::uint32_t>(n);
  return true;
}

}  // namespace kestrine
