// The SCSI family's commands: any command of the family's list carried in a SCSI pass-through
// block through the device port, the reading of every block a SCSI disk's health is made of, and
// the start (or abort) of a background self-test.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "bytes.h"
#include "device_port.h"
#include "scsi_cdb.h"
#include "scsi_sense.h"

namespace kestrine {

// How one command ended.
struct ScsiOutcome {
  bool carried = false;  // the port carried the request (the status below is the device's)
  Byte status = 0;
  SenseSummary sense;      // with CHECK CONDITION
  std::vector<Byte> data;  // the bytes the device returned
  bool Good() const { return carried && status == scsi::kStatusGood; }
};

// Sends `cdb` with `data_in` bytes to receive. A block outside the family's list
// (ScsiCdbAllowed) is never sent: it comes back not carried.
ScsiOutcome SendScsiCommand(DevicePort& port, DeviceHandle handle, const ScsiCdb& cdb,
                            std::uint32_t data_in);

// What a SCSI disk answered, one reply per request; empty where the request failed or the disk
// did not list the page.
struct ScsiBlocks {
  std::optional<std::vector<Byte>> inquiry;
  std::map<Byte, std::vector<Byte>> vpd;  // by page code: 00h, 80h, 83h, B1h
  std::optional<std::vector<Byte>> capacity16;
  std::optional<std::vector<Byte>> capacity10;
  std::map<Byte, std::vector<Byte>> log;  // by page code, 00h and the pages read
  std::optional<std::vector<Byte>> ie_mode;
  std::optional<std::vector<Byte>> defects12;
  std::optional<std::vector<Byte>> defects10;
  std::optional<SenseSummary> request_sense;  // asked only where page 2Fh is not listed
  bool operator==(const ScsiBlocks&) const = default;
};

// The log pages read when the disk lists them, in this order.
inline constexpr std::array<Byte, 10> kScsiHealthLogPages{0x02, 0x03, 0x05, 0x06, 0x0D,
                                                          0x0E, 0x10, 0x11, 0x15, 0x2F};

// Reads every block: the standard INQUIRY and the VPD pages the disk lists, READ CAPACITY (16)
// and (10) where (16) gives nothing, log page 00h and the health pages it lists, the
// informational exceptions control mode page, the grown defect list's header through READ
// DEFECT DATA (12) and else (10), and REQUEST SENSE where no page 2Fh is listed.
ScsiBlocks ReadScsiBlocks(DevicePort& port, DeviceHandle handle);

// Starts a background self-test, or aborts the one under way: whether the disk took it.
bool StartScsiSelfTest(DevicePort& port, DeviceHandle handle, ScsiSelfTest test);

}  // namespace kestrine
