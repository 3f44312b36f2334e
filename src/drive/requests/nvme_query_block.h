// The NVMe protocol-specific query of IOCTL_STORAGE_QUERY_PROPERTY: a STORAGE_PROPERTY_QUERY whose
// AdditionalParameters hold a STORAGE_PROTOCOL_SPECIFIC_DATA, followed by room for the data. The
// same bytes come back as a STORAGE_PROTOCOL_DATA_DESCRIPTOR with the data behind it. 32-bit
// layout (all fields are 32 bits wide, so it is the 64-bit one too).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "bytes.h"
#include "nvme_command.h"
#include "storage_property.h"

namespace kestrine {

namespace nvme_query {
// STORAGE_PROPERTY_QUERY (storage_property.h), whose AdditionalParameters hold the protocol data.
using property_query::kAdditionalParameters;
using property_query::kPropertyId;
using property_query::kQueryType;
// STORAGE_PROTOCOL_DATA_DESCRIPTOR, the reply: Version and Size, then the same protocol data.
inline constexpr std::size_t kDescriptorVersion = 0;  // u32
inline constexpr std::size_t kDescriptorSize = 4;     // u32
inline constexpr std::size_t kProtocolSpecificData = 8;
inline constexpr std::uint32_t kDescriptorStructSize = 48;  // sizeof(..._DATA_DESCRIPTOR)

// STORAGE_PROTOCOL_SPECIFIC_DATA, counted from its own start (kProtocolSpecificData).
inline constexpr std::size_t kProtocolType = 0;         // u32, STORAGE_PROTOCOL_TYPE
inline constexpr std::size_t kDataType = 4;             // u32
inline constexpr std::size_t kRequestValue = 8;         // u32: CNS, or the log page
inline constexpr std::size_t kRequestSubValue = 12;     // u32: NSID, or the log offset's low half
inline constexpr std::size_t kProtocolDataOffset = 16;  // u32, from this structure's start
inline constexpr std::size_t kProtocolDataLength = 20;  // u32
inline constexpr std::size_t kFixedProtocolReturnData = 24;  // u32
inline constexpr std::size_t kRequestSubValue2 = 28;         // u32: the log offset's high half
inline constexpr std::size_t kRequestSubValue3 = 32;         // u32: log-specific identifier
inline constexpr std::size_t kRequestSubValue4 = 36;    // u32: retain event, log-specific field
inline constexpr std::uint32_t kSpecificDataSize = 40;  // sizeof(STORAGE_PROTOCOL_SPECIFIC_DATA)

// Where the data starts in the whole buffer, and the buffer for `length` data bytes.
inline constexpr std::size_t kData = kProtocolSpecificData + kSpecificDataSize;  // 48
constexpr std::size_t BufferSize(std::uint32_t length) {
  return kData + length;
}

// STORAGE_PROPERTY_ID, STORAGE_QUERY_TYPE, STORAGE_PROTOCOL_TYPE and the NVMe data types.
using property_query::kPropertyStandardQuery;
using property_query::kStorageAdapterProtocolSpecificProperty;
using property_query::kStorageDeviceProtocolSpecificProperty;
inline constexpr std::uint32_t kProtocolTypeNvme = 3;
inline constexpr std::uint32_t kNvmeDataTypeIdentify = 1;
inline constexpr std::uint32_t kNvmeDataTypeLogPage = 2;
}  // namespace nvme_query

static_assert(nvme_query::kData == 48);
static_assert(nvme_query::kDescriptorStructSize == nvme_query::kData);

// What a protocol-specific query asks for, as the fields stand.
struct NvmeProtocolQuery {
  std::uint32_t property_id = 0;
  std::uint32_t data_type = 0;
  std::uint32_t request_value = 0;
  std::uint32_t request_sub_value = 0;
  std::uint32_t data_offset = nvme_query::kSpecificDataSize;
  std::uint32_t data_length = 0;
  bool operator==(const NvmeProtocolQuery&) const = default;
};

// The query for Identify Controller (adapter property, CNS 1), Identify Namespace (device
// property, CNS 0, the namespace in the sub-value) and a log page read from offset 0 (device
// property, the log page in the request value), each with room for its data.
std::vector<Byte> BuildNvmeIdentifyControllerQuery();
std::vector<Byte> BuildNvmeIdentifyNamespaceQuery(std::uint32_t nsid);
std::vector<Byte> BuildNvmeLogPageQuery(Byte log_id, std::uint32_t length);

// The query a buffer holds, as the storage driver reads it: nullopt for a buffer shorter than the
// query, another query type or protocol, a data offset inside the protocol data, or data that would
// not fit in `reply_size` bytes.
std::optional<NvmeProtocolQuery> ReadNvmeProtocolQuery(std::span<const Byte> in,
                                                       std::size_t reply_size);

// The admin command that carries out a query, as the in-box driver sends it: Identify Controller
// through the adapter, Identify Namespace of a namespace other than 0 and FFFFFFFFh through the
// device, a log page of 4 to 4096 bytes (whole dwords) from offset 0 through either, for every
// namespace. Nullopt for anything else.
std::optional<NvmeCommand> NvmeCommandForQuery(const NvmeProtocolQuery& query);

// Writes the descriptor a driver returns in front of `data_length` bytes of data at kData.
void WriteNvmeProtocolDescriptor(std::span<Byte> reply, const NvmeProtocolQuery& query);

// The data of a reply, as the caller reads it: the descriptor's Version and Size must be the
// descriptor's own size, and its data offset and length must name at least `length` bytes inside
// the reply. Nullopt otherwise.
std::optional<std::span<const Byte>> ReadNvmeProtocolReply(std::span<const Byte> reply,
                                                           std::uint32_t length);

}  // namespace kestrine
