#include "nvme_query_block.h"

namespace kestrine {

namespace {

using namespace nvme_query;

constexpr std::size_t Field(std::size_t offset) {
  return kProtocolSpecificData + offset;
}

std::vector<Byte> BuildQuery(std::uint32_t property_id, std::uint32_t data_type,
                             std::uint32_t value, std::uint32_t sub_value, std::uint32_t length) {
  std::vector<Byte> buffer(BufferSize(length), Byte{0});
  WriteLe32(buffer, kPropertyId, property_id);
  WriteLe32(buffer, kQueryType, kPropertyStandardQuery);
  WriteLe32(buffer, Field(kProtocolType), kProtocolTypeNvme);
  WriteLe32(buffer, Field(kDataType), data_type);
  WriteLe32(buffer, Field(kRequestValue), value);
  WriteLe32(buffer, Field(kRequestSubValue), sub_value);
  WriteLe32(buffer, Field(kProtocolDataOffset), kSpecificDataSize);
  WriteLe32(buffer, Field(kProtocolDataLength), length);
  return buffer;
}

}  // namespace

std::vector<Byte> BuildNvmeIdentifyControllerQuery() {
  return BuildQuery(kStorageAdapterProtocolSpecificProperty, kNvmeDataTypeIdentify, kCnsController,
                    0, nvme_controller::kSize);
}

std::vector<Byte> BuildNvmeIdentifyNamespaceQuery(std::uint32_t nsid) {
  return BuildQuery(kStorageDeviceProtocolSpecificProperty, kNvmeDataTypeIdentify, kCnsNamespace,
                    nsid, nvme_namespace::kSize);
}

std::vector<Byte> BuildNvmeLogPageQuery(Byte log_id, std::uint32_t length) {
  return BuildQuery(kStorageDeviceProtocolSpecificProperty, kNvmeDataTypeLogPage, log_id, 0,
                    length);
}

std::optional<NvmeProtocolQuery> ReadNvmeProtocolQuery(std::span<const Byte> in,
                                                       std::size_t reply_size) {
  if (in.size() < kData) return std::nullopt;
  if (ReadLe32(in, kQueryType) != kPropertyStandardQuery) return std::nullopt;
  if (ReadLe32(in, Field(kProtocolType)) != kProtocolTypeNvme) return std::nullopt;
  NvmeProtocolQuery query{.property_id = ReadLe32(in, kPropertyId),
                          .data_type = ReadLe32(in, Field(kDataType)),
                          .request_value = ReadLe32(in, Field(kRequestValue)),
                          .request_sub_value = ReadLe32(in, Field(kRequestSubValue)),
                          .data_offset = ReadLe32(in, Field(kProtocolDataOffset)),
                          .data_length = ReadLe32(in, Field(kProtocolDataLength))};
  if (query.property_id != kStorageAdapterProtocolSpecificProperty &&
      query.property_id != kStorageDeviceProtocolSpecificProperty) {
    return std::nullopt;
  }
  if (query.data_offset < kSpecificDataSize) return std::nullopt;
  // In 64 bits: a driver's offset and length may add up past 32 bits.
  const std::uint64_t end =
      std::uint64_t{kProtocolSpecificData} + query.data_offset + query.data_length;
  if (end > reply_size) return std::nullopt;
  // Sub-values 2 to 4 (a log offset above 4 GiB, a log-specific identifier, a log-specific
  // field) are never asked for here.
  for (const std::size_t at : {kRequestSubValue2, kRequestSubValue3, kRequestSubValue4}) {
    if (ReadLe32(in, Field(at)) != 0) return std::nullopt;
  }
  return query;
}

std::optional<NvmeCommand> NvmeCommandForQuery(const NvmeProtocolQuery& query) {
  const bool adapter = query.property_id == kStorageAdapterProtocolSpecificProperty;
  if (query.data_type == kNvmeDataTypeIdentify) {
    if (query.data_length < nvme_controller::kSize) return std::nullopt;
    if (adapter && query.request_value == kCnsController) return IdentifyControllerCommand();
    if (!adapter && query.request_value == kCnsNamespace && query.request_sub_value != 0 &&
        query.request_sub_value != kAllNamespaces) {
      return IdentifyNamespaceCommand(query.request_sub_value);
    }
    return std::nullopt;
  }
  if (query.data_type == kNvmeDataTypeLogPage) {
    if (query.request_value > 0xFF || query.request_sub_value != 0) return std::nullopt;
    if (query.data_length < 4 || query.data_length > 4096 || query.data_length % 4 != 0) {
      return std::nullopt;
    }
    return GetLogPageCommand(static_cast<Byte>(query.request_value), kAllNamespaces,
                             query.data_length);
  }
  return std::nullopt;
}

void WriteNvmeProtocolDescriptor(std::span<Byte> reply, const NvmeProtocolQuery& query) {
  WriteLe32(reply, kDescriptorVersion, kDescriptorStructSize);
  WriteLe32(reply, kDescriptorSize, kDescriptorStructSize);
  WriteLe32(reply, Field(kProtocolType), kProtocolTypeNvme);
  WriteLe32(reply, Field(kDataType), query.data_type);
  WriteLe32(reply, Field(kRequestValue), query.request_value);
  WriteLe32(reply, Field(kRequestSubValue), query.request_sub_value);
  WriteLe32(reply, Field(kProtocolDataOffset), query.data_offset);
  WriteLe32(reply, Field(kProtocolDataLength), query.data_length);
  WriteLe32(reply, Field(kFixedProtocolReturnData), 0);
}

std::optional<std::span<const Byte>> ReadNvmeProtocolReply(std::span<const Byte> reply,
                                                           std::uint32_t length) {
  if (reply.size() < kData) return std::nullopt;
  if (ReadLe32(reply, kDescriptorVersion) != kDescriptorStructSize ||
      ReadLe32(reply, kDescriptorSize) != kDescriptorStructSize) {
    return std::nullopt;
  }
  const std::uint32_t offset = ReadLe32(reply, Field(kProtocolDataOffset));
  const std::uint32_t returned = ReadLe32(reply, Field(kProtocolDataLength));
  if (offset < kSpecificDataSize || returned < length) return std::nullopt;
  const std::uint64_t start = std::uint64_t{kProtocolSpecificData} + offset;
  if (start + length > reply.size()) return std::nullopt;
  return reply.subspan(static_cast<std::size_t>(start), length);
}

}  // namespace kestrine
