#include "nvme_admin_block.h"

namespace kestrine {

NvmeAdminBlock BuildNvmeAdminBlock(const NvmeCommand& command) {
  using namespace nvme_admin;
  NvmeAdminBlock block{};
  block[kOpcode] = command.opcode;
  WriteLe32(block, kNsid, command.nsid);
  WriteLe32(block, kDataLen, command.data_length);
  WriteLe32(block, kCdw10, command.cdw10);
  WriteLe32(block, kCdw11, command.cdw11);
  WriteLe32(block, kTimeoutMs, kTimeoutMilliseconds);
  return block;
}

std::optional<NvmeCommand> ReadNvmeAdminBlock(std::span<const Byte> block) {
  using namespace nvme_admin;
  if (block.size() != kSize) return std::nullopt;
  if (block[kFlags] != 0 || ReadLe16(block, kReserved1) != 0 || ReadLe32(block, kCdw2) != 0 ||
      ReadLe32(block, kCdw3) != 0 || ReadLe64(block, kMetadata) != 0 ||
      ReadLe32(block, kMetadataLen) != 0) {
    return std::nullopt;
  }
  for (const std::size_t at : {kCdw12, kCdw13, kCdw14, kCdw15}) {
    if (ReadLe32(block, at) != 0) return std::nullopt;
  }
  return NvmeCommand{block[kOpcode], ReadLe32(block, kNsid), ReadLe32(block, kCdw10),
                     ReadLe32(block, kCdw11), ReadLe32(block, kDataLen)};
}

}  // namespace kestrine
