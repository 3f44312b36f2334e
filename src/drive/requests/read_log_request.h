// The two commands that read a page of a drive's logs: READ LOG EXT (2Fh), a 48-bit command of
// the general-purpose logging feature set that names the log address and the page, and the
// S.M.A.R.T. READ LOG subcommand (B0h/D5h), which reads a log from its first page on. Each is
// carried in the ATA pass-through block and, through a SCSI/ATA translator, in the SCSI
// pass-through block (READ LOG EXT in ATA PASS-THROUGH (16), which carries the 48-bit registers).
// Only one page is read at a time: the blocks' data areas hold one sector.
#pragma once

#include <cstdint>

#include "ata_pass_through_block.h"
#include "ata_registers.h"
#include "bytes.h"
#include "sat_pass_through_block.h"

namespace kestrine {

inline constexpr Byte kReadLogExtCommand = 0x2F;

// The log addresses read for a drive's statistics.
inline constexpr Byte kLogDirectoryAddress = 0x00;
inline constexpr Byte kDeviceStatisticsLogAddress = 0x04;
inline constexpr Byte kSctStatusLogAddress = 0xE0;

// One page of one log.
struct LogPage {
  Byte log = 0;
  std::uint16_t page = 0;
  bool operator==(const LogPage&) const = default;
};

// READ LOG EXT of one page: the log address in LBA low, the page in LBA mid (its high byte in
// the previous LBA mid), a count of one. `device` goes in the device register as given.
AtaRegisters ReadLogExtRegisters(LogPage page, Byte device);
AtaRegisters ReadLogExtHighOrder(LogPage page);

// S.M.A.R.T. READ LOG of the first `count` pages of a log: the log address in the sector number.
AtaRegisters SmartReadLogRegisters(Byte log, Byte count, Byte device);

// The ATA pass-through block of READ LOG EXT: data-in of one sector, the 48-bit flag and both
// task files.
AtaPassThroughBlock BuildReadLogExtAtaBlock(LogPage page, Byte device);

// The SCSI pass-through block of READ LOG EXT: ATA PASS-THROUGH (16) with EXTEND, PIO data-in of
// one 512-byte block.
SatPassThroughBlock BuildReadLogExtSatBlock(LogPage page, Byte device);

}  // namespace kestrine
