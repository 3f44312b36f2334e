#include "legacy_request.h"

#include <span>

namespace kestrine {

LegacyRequestBlock BuildLegacyRequest(const LegacyRegisters& request) {
  using namespace legacy;
  LegacyRequestBlock block{};
  WriteLe32(block, kCBufferSize, request.buffer_size);
  WriteRegisters(std::span(block).subspan(kIrDriveRegs, kIdeRegsSize), kIdeRegs, request.registers);
  block[kDriveNumber] = request.drive_number;
  return block;
}

}  // namespace kestrine
