#include "scsi_pass_through_block.h"

#include <algorithm>

#include "sat_pass_through_block.h"
#include "scsi_sense.h"

namespace kestrine {

namespace {

Byte DataDirection(ScsiDataDirection direction) {
  switch (direction) {
    case ScsiDataDirection::In:
      return sat_block::kScsiIoctlDataIn;
    case ScsiDataDirection::Out:
      return sat_block::kScsiIoctlDataOut;
    case ScsiDataDirection::None:
      break;
  }
  return sat_block::kScsiIoctlDataUnspecified;
}

}  // namespace

std::vector<Byte> BuildScsiPassThroughBlock(const ScsiCommand& command,
                                            std::uint32_t timeout_seconds) {
  using namespace sat_block;
  if (command.length > kScsiMaxTransfer) return {};
  std::vector<Byte> block(kData + command.length, Byte{0});
  WriteLe16(block, kLength, static_cast<std::uint16_t>(kHeaderSize));
  block[kCdbLength] = command.cdb_length;
  block[kSenseInfoLength] = kSenseInfoLength24;
  block[kDataIn] = DataDirection(command.direction);
  WriteLe32(block, kDataTransferLength, command.length);
  WriteLe32(block, kTimeOutValue, timeout_seconds);
  WriteLe32(block, kDataBufferOffset, static_cast<std::uint32_t>(kData));
  WriteLe32(block, kSenseInfoOffset, static_cast<std::uint32_t>(kSense));
  std::copy_n(command.cdb.begin(), std::min<std::size_t>(command.cdb_length, command.cdb.size()),
              block.begin() + kCdb);
  if (command.direction == ScsiDataDirection::Out) {
    std::copy_n(command.out.begin(), std::min<std::size_t>(command.out.size(), command.length),
                block.begin() + kData);
  }
  return block;
}

std::uint32_t ScsiPassThroughInSize(const ScsiCommand& command) {
  using namespace sat_block;
  return command.direction == ScsiDataDirection::Out
             ? static_cast<std::uint32_t>(kData) + command.length
             : static_cast<std::uint32_t>(kHeaderSize);
}

std::optional<ScsiPassThroughReply> ReadScsiPassThroughBlock(std::span<const Byte> block) {
  using namespace sat_block;
  if (block.size() < kHeaderSize) return std::nullopt;
  // The part of [offset, offset + length) that lies within the bytes.
  auto within = [&](std::size_t offset, std::size_t length) {
    if (offset >= block.size()) return std::span<const Byte>();
    return block.subspan(offset, std::min(length, block.size() - offset));
  };
  ScsiPassThroughReply reply;
  reply.status = block[kScsiStatus];
  reply.sense = within(kSense, std::min<std::size_t>(block[kSenseInfoLength], kSenseSize));
  reply.transferred = ReadLe32(block, kDataTransferLength);
  reply.data = within(kData, reply.transferred);
  return reply;
}

std::optional<std::span<const Byte>> ReadScsiPassThroughData(std::span<const Byte> block,
                                                             std::uint32_t bytes_returned,
                                                             const ScsiCommand& command) {
  using namespace sat_block;
  if (block.size() < kData + command.length || bytes_returned > block.size()) return std::nullopt;
  const std::optional<ScsiPassThroughReply> reply =
      ReadScsiPassThroughBlock(block.first(bytes_returned));
  if (!reply || reply->status != scsi::kStatusGood) return std::nullopt;
  if (command.direction != ScsiDataDirection::In) return block.subspan(kData, 0);
  if (reply->transferred != command.length || bytes_returned < kData + command.length) {
    return std::nullopt;
  }
  return reply->data;
}

}  // namespace kestrine
