#include "sat_pass_through_block.h"

#include <algorithm>
#include <span>

#include "ata_pass_through_block.h"
#include "scsi_sense.h"

namespace kestrine {

SatPassThroughBlock BuildSatPassThroughBlock(Byte device, Byte command, Byte features,
                                             Byte sector_count, Byte sector_number,
                                             std::uint32_t length) {
  using namespace sat_block;
  SatPassThroughBlock block{};
  WriteLe16(block, kLength, static_cast<std::uint16_t>(kHeaderSize));
  block[kCdbLength] = kCdbLength12;
  block[kSenseInfoLength] = kSenseInfoLength24;
  const bool data_in = length != 0;
  block[kDataIn] = data_in ? kScsiIoctlDataIn : kScsiIoctlDataUnspecified;
  WriteLe32(block, kDataTransferLength, length);
  WriteLe32(block, kTimeOutValue, kTimeOutSeconds);
  WriteLe32(block, kDataBufferOffset, static_cast<std::uint32_t>(kData));
  WriteLe32(block, kSenseInfoOffset, static_cast<std::uint32_t>(kSense));
  const bool smart = command == kSmartCommand;
  Byte* cdb = block.data() + kCdb;
  cdb[0] = kAtaPassThrough12;
  cdb[1] = data_in ? kProtocolPioDataIn : kProtocolNonData;
  cdb[2] = data_in ? kTransferFlags : kNoTransfer;
  cdb[3] = features;
  cdb[4] = sector_count;
  cdb[5] = sector_number;
  cdb[6] = smart ? kSmartCylLow : 0;
  cdb[7] = smart ? kSmartCylHigh : 0;
  cdb[8] = device;
  cdb[9] = command;
  return block;
}

bool SatCommandSucceeded(const SatPassThroughBlock& block) {
  using namespace sat_block;
  const std::size_t sense_length = std::min<std::size_t>(block[kSenseInfoLength], kSenseSize);
  return AtaCommandSucceeded(block[kScsiStatus],
                             std::span<const Byte>(block.data() + kSense, sense_length));
}

}  // namespace kestrine
