// The storage stack's side of the storage-property query: which queries it answers, and the
// STORAGE_DEVICE_DESCRIPTOR it answers with. The simulated bay and the Linux port both answer
// through these.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "bytes.h"
#include "storage_bus.h"

namespace kestrine {

// STORAGE_PROPERTY_QUERY asking for StorageDeviceProperty with PropertyStandardQuery: PropertyId 0
// and QueryType 0, in a query of the full size.
bool IsStandardDevicePropertyQuery(std::span<const Byte> query);

// The storage stack's texts of a disk. Absent and empty texts get offset 0; a text ends at its
// first zero byte.
struct DescriptorTexts {
  std::optional<std::string> vendor;
  std::optional<std::string> product;
  std::optional<std::string> revision;
  std::optional<std::string> serial;
};

// What a descriptor says of a disk.
struct StorageDescriptorFacts {
  Byte device_type = 0;  // SCSI peripheral device type; 0 for a disk
  bool removable = false;
  BusType bus_type = BusType::Unknown;
  DescriptorTexts texts;
};

// What a reply buffer too small for the whole descriptor gets: the descriptor's first bytes as
// they are, or those bytes with offset 0 for each text that does not lie wholly inside.
enum class TextsCutShort { KeepOffsets, ClearOffsets };

// Writes the descriptor into `out`, as much of it as fits: Version gives the structure's size and
// Size the whole descriptor's, whatever fits. The texts follow the fixed part in the order vendor,
// product, revision, serial, each with its zero byte. False (and nothing written) when `out`
// cannot hold Version and Size.
bool WriteStorageDeviceDescriptor(const StorageDescriptorFacts& facts, TextsCutShort cut,
                                  std::span<Byte> out, std::uint32_t& bytes_returned);

}  // namespace kestrine
