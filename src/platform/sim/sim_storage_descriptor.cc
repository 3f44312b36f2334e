// The storage stack's answer to a standard StorageDeviceProperty query for a drive image. As
// Windows does, a buffer too small for the whole descriptor receives its first bytes as they are.
#include "sim_bay.h"
#include "storage_descriptor_writer.h"

namespace kestrine {

bool BuildStorageDeviceDescriptor(const DriveImage& image, std::span<Byte> out,
                                  std::uint32_t& bytes_returned) {
  StorageDescriptorFacts facts;  // a direct-access block device
  facts.removable = image.removable;
  facts.bus_type = image.bus_type;
  facts.texts = {.vendor = image.vendor,
                 .product = image.product,
                 .revision = image.revision,
                 .serial = image.serial};
  return WriteStorageDeviceDescriptor(facts, TextsCutShort::KeepOffsets, out, bytes_returned);
}

}  // namespace kestrine
