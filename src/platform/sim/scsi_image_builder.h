// A SAS or SCSI disk's side of the simulated bay: what it answers (its INQUIRY data, VPD pages,
// capacity, log pages, informational exceptions control page and grown defects), the builders
// that lay each out as SPC-4 and SBC-3 do, and two disks: a SAS hard disk in good health and a
// SAS SSD with grown defects and uncorrected read errors (WARNING).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "bytes.h"

namespace kestrine {

struct DriveImage;

struct ScsiDiskImage {
  std::vector<Byte> inquiry;              // the standard INQUIRY data
  std::map<Byte, std::vector<Byte>> vpd;  // whole pages but 00h, which lists these
  std::uint64_t blocks = 0;
  std::uint32_t block_length = 512;
  std::map<Byte, std::vector<Byte>> log;  // whole pages but 00h, which lists these
  std::vector<Byte> refused_log_pages;    // listed in 00h, but refused when asked for
  std::vector<Byte> ie_control;           // the mode page 1Ch, header not included
  std::uint32_t grown_defects = 0;
  std::uint16_t power_on_hours = 0;  // stamped on the self-tests it runs
};

// One log parameter: its code, control byte 03h (binary, cumulative), the value.
void AppendLogParameter(std::vector<Byte>& page, std::uint16_t code, std::span<const Byte> value);
// A page header (page code, subpage 0) with the length of what follows, once it is all there.
std::vector<Byte> LogPageHeader(Byte page);
void SetLogPageLength(std::vector<Byte>& page);
// A counter parameter of `size` big-endian bytes.
void AppendLogCounter(std::vector<Byte>& page, std::uint16_t code, std::uint64_t value,
                      std::size_t size = 4);

// Page 10h's newest entry: the earlier ones move down one place, the twentieth is dropped.
void AddScsiSelfTestEntry(std::vector<Byte>& page, Byte code, Byte result,
                          std::uint16_t power_on_hours);

DriveImage SasHddImage();
DriveImage SasSsdImage();

}  // namespace kestrine
