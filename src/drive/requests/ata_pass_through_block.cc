#include "ata_pass_through_block.h"

namespace kestrine {

AtaPassThroughBlock BuildAtaPassThroughBlock(const AtaRegisters& registers, std::uint32_t length) {
  using namespace ata_block;
  AtaPassThroughBlock block{};
  WriteLe16(block, kLength, static_cast<std::uint16_t>(kHeaderSize));
  WriteLe32(block, kTimeOutValue, kTimeOutSeconds);
  WriteLe32(block, kDataBufferOffset, static_cast<std::uint32_t>(kData));
  if (length != 0) {
    WriteLe16(block, kAtaFlags, kFlagsDataIn);
    WriteLe32(block, kDataTransferLength, length);
    block[kData] = kDataMarker;
  }
  AtaRegisters sent = WithSmartSignature(registers);
  if (sent.command != kSmartCommand) sent.lba_low = 0;
  WriteRegisters(CurrentTaskFile(std::span<Byte>(block)), kIdeRegs, sent);
  return block;
}

std::span<Byte> CurrentTaskFile(std::span<Byte> block) {
  return block.subspan(ata_block::kCurrentTaskFile, kIdeRegsSize);
}

std::span<const Byte> CurrentTaskFile(std::span<const Byte> block) {
  return block.subspan(ata_block::kCurrentTaskFile, kIdeRegsSize);
}

}  // namespace kestrine
