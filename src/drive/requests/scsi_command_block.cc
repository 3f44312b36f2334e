#include "scsi_command_block.h"

#include <algorithm>

#include "sat_pass_through_block.h"

namespace kestrine {

std::vector<Byte> BuildScsiCommandBlock(const ScsiCdb& cdb, std::uint32_t data_in) {
  using namespace sat_block;
  if (data_in > kScsiMaxDataIn) return {};
  std::vector<Byte> block(kData + data_in, Byte{0});
  WriteLe16(block, kLength, static_cast<std::uint16_t>(kHeaderSize));
  block[kCdbLength] = cdb.length;
  block[kSenseInfoLength] = kSenseInfoLength24;
  block[kDataIn] = data_in != 0 ? kScsiIoctlDataIn : kScsiIoctlDataUnspecified;
  WriteLe32(block, kDataTransferLength, data_in);
  WriteLe32(block, kTimeOutValue, kTimeOutSeconds);
  WriteLe32(block, kDataBufferOffset, static_cast<std::uint32_t>(kData));
  WriteLe32(block, kSenseInfoOffset, static_cast<std::uint32_t>(kSense));
  std::copy_n(cdb.bytes.begin(), cdb.bytes.size(), block.begin() + kCdb);
  return block;
}

ScsiCommandReply ReadScsiCommandBlock(std::span<const Byte> block) {
  using namespace sat_block;
  ScsiCommandReply reply;
  if (block.size() < kData) return reply;
  reply.status = block[kScsiStatus];
  reply.sense = block.subspan(kSense, std::min<std::size_t>(block[kSenseInfoLength], kSenseSize));
  const std::size_t moved =
      std::min<std::size_t>(ReadLe32(block, kDataTransferLength), block.size() - kData);
  reply.data = block.subspan(kData, moved);
  return reply;
}

std::uint32_t ScsiCommandInSize() {
  return static_cast<std::uint32_t>(sat_block::kHeaderSize);
}

}  // namespace kestrine
