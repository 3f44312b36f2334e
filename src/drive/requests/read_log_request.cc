#include "read_log_request.h"

#include <optional>
#include <span>

#include "ata_pass_through_cdb.h"

namespace kestrine {

namespace {

constexpr std::uint32_t kOnePage = 512;
constexpr Byte kCdbLength16 = 16;

}  // namespace

AtaRegisters ReadLogExtRegisters(LogPage page, Byte device) {
  return AtaRegisters{.count = 1,
                      .lba_low = page.log,
                      .lba_mid = static_cast<Byte>(page.page & 0xFF),
                      .device = device,
                      .command = kReadLogExtCommand};
}

AtaRegisters ReadLogExtHighOrder(LogPage page) {
  return AtaRegisters{.lba_mid = static_cast<Byte>(page.page >> 8)};
}

AtaRegisters SmartReadLogRegisters(Byte log, Byte count, Byte device) {
  return WithSmartSignature(AtaRegisters{.features = kSmartReadLog,
                                         .count = count,
                                         .lba_low = log,
                                         .device = device,
                                         .command = kSmartCommand});
}

AtaPassThroughBlock BuildReadLogExtAtaBlock(LogPage page, Byte device) {
  using namespace ata_block;
  // The common header and data marker, then the flags and both task files of a 48-bit command.
  AtaPassThroughBlock block = BuildAtaPassThroughBlock({.command = kReadLogExtCommand}, kOnePage);
  WriteLe16(block, kAtaFlags, static_cast<std::uint16_t>(kFlagsDataIn | kFlags48Bit));
  WriteRegisters(std::span(block).subspan(kPreviousTaskFile, kIdeRegsSize), kIdeRegs,
                 ReadLogExtHighOrder(page));
  WriteRegisters(CurrentTaskFile(std::span<Byte>(block)), kIdeRegs,
                 ReadLogExtRegisters(page, device));
  return block;
}

SatPassThroughBlock BuildReadLogExtSatBlock(LogPage page, Byte device) {
  using namespace sat_block;
  // The header of a one-sector read; the command is the 16-byte one.
  SatPassThroughBlock block = BuildSatPassThroughBlock({.command = kReadLogExtCommand}, kOnePage);
  block[kCdbLength] = kCdbLength16;
  WriteAtaPassThrough16(std::span(block).subspan(kCdb, ata_cdb::kLength16),
                        ata_cdb::kProtocolPioDataIn, ata_cdb::kSectorsFromDevice,
                        ReadLogExtRegisters(page, device), ReadLogExtHighOrder(page));
  return block;
}

}  // namespace kestrine
