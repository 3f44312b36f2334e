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

std::optional<ScsiCommandReply> ReadScsiCommandBlock(std::span<const Byte> block) {
  using namespace sat_block;
  if (block.size() < kHeaderSize) return std::nullopt;
  // The part of [offset, offset + length) that lies within the bytes.
  auto within = [&](std::size_t offset, std::size_t length) {
    if (offset >= block.size()) return std::span<const Byte>();
    return block.subspan(offset, std::min(length, block.size() - offset));
  };
  ScsiCommandReply reply;
  reply.status = block[kScsiStatus];
  reply.sense = within(kSense, std::min<std::size_t>(block[kSenseInfoLength], kSenseSize));
  reply.data = within(kData, ReadLe32(block, kDataTransferLength));
  return reply;
}

std::uint32_t ScsiCommandInSize() {
  return static_cast<std::uint32_t>(sat_block::kHeaderSize);
}

}  // namespace kestrine
