// The storage-property query: what the platform's storage stack says about a drive. The request
// itself goes through the device port (SmartDrv::QueryDiskProperty); reading the reply is done by
// the pure functions below, so it runs on any bytes without a platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "bytes.h"

namespace kestrine {

struct TDisk_Property {
  std::string VendorId;
  std::string SerialNumber;
  std::string ProductId;
  std::string ProductRevision;
  bool RemovableMedia = false;
  std::string BusType;
};

// STORAGE_DEVICE_DESCRIPTOR, the reply to a standard query of StorageDeviceProperty. The texts
// follow the fixed part; each offset counts from the start of the reply (0: no such text).
namespace storage_descriptor {
inline constexpr std::size_t kVersion = 0;                 // u32, the fixed part's size
inline constexpr std::size_t kSize = 4;                    // u32, the whole descriptor's size
inline constexpr std::size_t kDeviceType = 8;              // u8
inline constexpr std::size_t kDeviceTypeModifier = 9;      // u8
inline constexpr std::size_t kRemovableMedia = 10;         // u8
inline constexpr std::size_t kCommandQueueing = 11;        // u8
inline constexpr std::size_t kVendorIdOffset = 12;         // u32
inline constexpr std::size_t kProductIdOffset = 16;        // u32
inline constexpr std::size_t kProductRevisionOffset = 20;  // u32
inline constexpr std::size_t kSerialNumberOffset = 24;     // u32
inline constexpr std::size_t kBusType = 28;                // u32, STORAGE_BUS_TYPE
inline constexpr std::size_t kRawPropertiesLength = 32;    // u32
inline constexpr std::size_t kRawDeviceProperties = 36;    // the bus-specific bytes, then texts
// sizeof(STORAGE_DEVICE_DESCRIPTOR): the one-byte RawDeviceProperties array padded to 4.
inline constexpr std::uint32_t kStructSize = 40;
// STORAGE_DESCRIPTOR_HEADER (Version and Size): the least a reply buffer must hold.
inline constexpr std::size_t kHeaderSize = 8;
}  // namespace storage_descriptor

// STORAGE_PROPERTY_QUERY: PropertyId (u32), QueryType (u32), AdditionalParameters (1 byte,
// padded, or a protocol-specific query's STORAGE_PROTOCOL_SPECIFIC_DATA). All zero asks for
// StorageDeviceProperty with PropertyStandardQuery.
namespace property_query {
inline constexpr std::size_t kPropertyId = 0;            // u32, STORAGE_PROPERTY_ID
inline constexpr std::size_t kQueryType = 4;             // u32, STORAGE_QUERY_TYPE
inline constexpr std::size_t kAdditionalParameters = 8;  // what the property asks for besides
inline constexpr std::uint32_t kStorageDeviceProperty = 0;
inline constexpr std::uint32_t kStorageAdapterProtocolSpecificProperty = 49;
inline constexpr std::uint32_t kStorageDeviceProtocolSpecificProperty = 50;
inline constexpr std::uint32_t kPropertyStandardQuery = 0;
}  // namespace property_query
inline constexpr std::size_t kPropertyQuerySize = 12;
// The reply buffer the query offers.
inline constexpr std::size_t kPropertyReplySize = 4096;

// The text at `offset` of a descriptor reply. The offset is taken as a signed 32-bit number; zero,
// negative or at/past the reply's end gives the empty text. The text ends at the first zero byte
// or at the reply's end, whichever comes first. It is read as hexadecimal pairs when every
// character is a digit and every pair forms a zero or printable byte, else copied when every
// character is printable (else empty), then cut to the stretch between its first and last
// character that is not a tab, CR or space.
std::string ExtractDescriptorText(std::span<const Byte> reply, std::uint32_t offset);

// The name of a STORAGE_BUS_TYPE, by its low 8 bits: "Scsi" ... "Sata", "unknown" for 0 and for
// 12 and above.
std::string BusTypeName(std::uint32_t bus_type);

// The record a descriptor reply gives: the four texts, the removable flag, the bus name. A reply
// shorter than the descriptor's fixed part reads as zero beyond its end.
TDisk_Property ParseStorageDeviceDescriptor(std::span<const Byte> reply);

}  // namespace kestrine
