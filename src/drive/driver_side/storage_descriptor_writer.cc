#include "storage_descriptor_writer.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "storage_property.h"

namespace kestrine {

namespace {

constexpr Byte kNoCommandQueueing = 0;

}  // namespace

bool IsStandardDevicePropertyQuery(std::span<const Byte> query) {
  using namespace property_query;
  return query.size() >= kPropertyQuerySize &&
         ReadLe32(query, kPropertyId) == kStorageDeviceProperty &&
         ReadLe32(query, kQueryType) == kPropertyStandardQuery;
}

bool WriteStorageDeviceDescriptor(const StorageDescriptorFacts& facts, TextsCutShort cut,
                                  std::span<Byte> out, std::uint32_t& bytes_returned) {
  using namespace storage_descriptor;
  bytes_returned = 0;
  if (out.size() < kHeaderSize) return false;  // not even Version and Size fit

  std::vector<Byte> descriptor(kRawDeviceProperties, Byte{0});  // no bus-specific bytes
  struct Placed {
    std::size_t offset_field;
    std::size_t at;
    std::size_t size;  // with the zero byte
  };
  std::vector<Placed> placed;
  auto append = [&](const std::optional<std::string>& text, std::size_t offset_field) {
    if (!text) return;
    // A zero byte inside a text would end it early for every reader: cut it there.
    const std::string_view bytes(text->data(), std::min(text->size(), text->find('\0')));
    if (bytes.empty()) return;
    placed.push_back(Placed{offset_field, descriptor.size(), bytes.size() + 1});
    descriptor.insert(descriptor.end(), bytes.begin(), bytes.end());
    descriptor.push_back(0);
  };
  append(facts.texts.vendor, kVendorIdOffset);
  append(facts.texts.product, kProductIdOffset);
  append(facts.texts.revision, kProductRevisionOffset);
  append(facts.texts.serial, kSerialNumberOffset);
  // The structure's own size rounds the one-byte RawDeviceProperties up; never report less.
  if (descriptor.size() < kStructSize) descriptor.resize(kStructSize, 0);

  WriteLe32(descriptor, kVersion, kStructSize);
  WriteLe32(descriptor, kSize, static_cast<std::uint32_t>(descriptor.size()));
  descriptor[kDeviceType] = facts.device_type;
  descriptor[kDeviceTypeModifier] = 0;
  descriptor[kRemovableMedia] = facts.removable ? 1 : 0;
  descriptor[kCommandQueueing] = kNoCommandQueueing;
  WriteLe32(descriptor, kBusType, BusTypeValue(facts.bus_type));
  WriteLe32(descriptor, kRawPropertiesLength, 0);
  for (const Placed& text : placed) {
    const bool inside = text.at + text.size <= out.size();
    const bool keep = inside || cut == TextsCutShort::KeepOffsets;
    WriteLe32(descriptor, text.offset_field, keep ? static_cast<std::uint32_t>(text.at) : 0);
  }

  const std::size_t n = std::min(out.size(), descriptor.size());
  std::copy_n(descriptor.begin(), n, out.begin());
  bytes_returned = static_cast<std::uint32_t>(n);
  return true;
}

}  // namespace kestrine
