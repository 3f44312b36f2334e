#include "ata_pass_through_block.h"

namespace kestrine {

AtaPassThroughBlock BuildAtaPassThroughBlock(Byte drive_number, Byte command, Byte features,
                                             Byte sector_count, Byte sector_number,
                                             std::uint32_t length) {
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
  const bool smart = command == kSmartCommand;
  Byte* task = block.data() + kCurrentTaskFile;
  task[kFeatures] = features;
  task[kSectorCount] = sector_count;
  task[kSectorNumber] = smart ? sector_number : 0;
  task[kCylLow] = smart ? kSmartCylLow : 0;
  task[kCylHigh] = smart ? kSmartCylHigh : 0;
  task[kDeviceHead] = drive_number;
  task[kCommand] = command;
  return block;
}

}  // namespace kestrine
