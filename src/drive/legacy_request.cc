#include "legacy_request.h"

namespace kestrine {

LegacyRequestBlock BuildLegacyRequest(const LegacyRegisters& registers) {
  using namespace legacy;
  LegacyRequestBlock block{};
  WriteLe32(block, kCBufferSize, registers.buffer_size);
  block[kFeaturesReg] = registers.features;
  block[kSectorCountReg] = registers.sector_count;
  block[kSectorNumberReg] = registers.sector_number;
  block[kCylLowReg] = registers.cyl_low;
  block[kCylHighReg] = registers.cyl_high;
  block[kDriveHeadReg] = registers.drive_head;
  block[kCommandReg] = registers.command;
  block[kDriveNumber] = registers.drive_number;
  return block;
}

}  // namespace kestrine
