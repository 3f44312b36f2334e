#include "nvme_protocol_command_block.h"

namespace kestrine {

NvmeProtocolCommandBlock BuildNvmeProtocolCommandBlock(const NvmeCommand& command) {
  using namespace nvme_protocol_command;
  NvmeProtocolCommandBlock block{};
  WriteLe32(block, kVersion, kStructureVersion);
  WriteLe32(block, kLength, kStructSize);
  WriteLe32(block, kProtocolType, kProtocolTypeNvme);
  WriteLe32(block, kFlags, kFlagAdapterRequest);
  WriteLe32(block, kCommandLength, kCommandSize);
  WriteLe32(block, kErrorInfoLength, kErrorInfoSize);
  WriteLe32(block, kTimeOutValue, kTimeOutSeconds);
  WriteLe32(block, kErrorInfoOffset, static_cast<std::uint32_t>(kErrorInfo));
  WriteLe32(block, kCommandSpecific, kNvmeAdminCommand);
  const std::span<Byte> sqe(block.data() + kCommand, kCommandSize);
  sqe[nvme_sqe::kOpcode] = command.opcode;
  WriteLe32(sqe, nvme_sqe::kNsid, command.nsid);
  WriteLe32(sqe, nvme_sqe::kCdw10, command.cdw10);
  WriteLe32(sqe, nvme_sqe::kCdw11, command.cdw11);
  return block;
}

std::optional<NvmeCommand> ReadNvmeProtocolCommandBlock(std::span<const Byte> block) {
  using namespace nvme_protocol_command;
  if (block.size() < kErrorInfo) return std::nullopt;
  if (ReadLe32(block, kVersion) != kStructureVersion || ReadLe32(block, kLength) != kStructSize ||
      ReadLe32(block, kProtocolType) != kProtocolTypeNvme ||
      ReadLe32(block, kCommandLength) != kCommandSize ||
      ReadLe32(block, kCommandSpecific) != kNvmeAdminCommand) {
    return std::nullopt;
  }
  // No data either way: this program sends only commands that move none.
  if (ReadLe32(block, kDataToDeviceTransferLength) != 0 ||
      ReadLe32(block, kDataFromDeviceTransferLength) != 0) {
    return std::nullopt;
  }
  // The error information, when asked for, must lie inside the block.
  const std::uint32_t error_length = ReadLe32(block, kErrorInfoLength);
  const std::uint32_t error_offset = ReadLe32(block, kErrorInfoOffset);
  if (error_length != 0 &&
      (error_offset < kErrorInfo || std::uint64_t{error_offset} + error_length > block.size())) {
    return std::nullopt;
  }
  const std::span<const Byte> sqe = block.subspan(kCommand, kCommandSize);
  if (sqe[nvme_sqe::kFlags] != 0) return std::nullopt;
  for (const std::size_t at : {nvme_sqe::kCdw2, nvme_sqe::kCdw3, nvme_sqe::kCdw12, nvme_sqe::kCdw13,
                               nvme_sqe::kCdw14, nvme_sqe::kCdw15}) {
    if (ReadLe32(sqe, at) != 0) return std::nullopt;
  }
  return NvmeCommand{sqe[nvme_sqe::kOpcode], ReadLe32(sqe, nvme_sqe::kNsid),
                     ReadLe32(sqe, nvme_sqe::kCdw10), ReadLe32(sqe, nvme_sqe::kCdw11), 0};
}

bool NvmeProtocolCommandSucceeded(std::span<const Byte> block) {
  using namespace nvme_protocol_command;
  return block.size() >= kCommand && ReadLe32(block, kReturnStatus) == kStatusSuccess;
}

}  // namespace kestrine
