#include "sat_pass_through_block.h"

#include <algorithm>
#include <span>

#include "ata_pass_through_cdb.h"
#include "scsi_sense.h"

namespace kestrine {

SatPassThroughBlock BuildSatPassThroughBlock(const AtaRegisters& registers, std::uint32_t length,
                                             bool return_registers) {
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
  WriteAtaPassThrough12(
      std::span(block).subspan(kCdb, ata_cdb::kLength12),
      data_in ? ata_cdb::kProtocolPioDataIn : ata_cdb::kProtocolNonData,
      static_cast<Byte>((data_in ? ata_cdb::kSectorsFromDevice : ata_cdb::kNoTransfer) |
                        (return_registers ? ata_cdb::kCheckCondition : 0)),
      WithSmartSignature(registers));
  return block;
}

bool SatCommandSucceeded(const SatPassThroughBlock& block) {
  using namespace sat_block;
  const std::size_t sense_length = std::min<std::size_t>(block[kSenseInfoLength], kSenseSize);
  return AtaCommandSucceeded(block[kScsiStatus],
                             std::span<const Byte>(block.data() + kSense, sense_length));
}

}  // namespace kestrine
