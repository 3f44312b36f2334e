// The reads of an ATA drive's logs for its statistics: the log directory, the Device Statistics
// pages it lists and the SCT status, through the family that answered the drive's IDENTIFY (the
// ATA pass-through, with the legacy requests for S.M.A.R.T. READ LOG, or SAT). READ LOG EXT where
// IDENTIFY says the drive has the general-purpose logging feature set, S.M.A.R.T. READ LOG
// otherwise. Reads only.
#pragma once

#include <span>

#include "bytes.h"
#include "device_port.h"
#include "drive_statistics.h"
#include "read_log_request.h"

namespace kestrine {

class SmartDrv;

enum class LogCommand : std::uint8_t { ReadLogExt, SmartReadLog };

// READ LOG EXT where word 84 or 87 of IDENTIFY (each valid) has bit 5, else S.M.A.R.T. READ LOG.
LogCommand LogCommandFor(std::span<const Byte, 512> identify);

// One page of a log into `page` (untouched unless the drive gave it without an error). S.M.A.R.T.
// READ LOG reads a log from its first page, and the blocks hold one sector: it reads page 0 only.
bool ReadLogPage(SmartDrv& drv, DeviceHandle handle, Byte drive_number, LogCommand command,
                 LogPage page, Sector& out);

// The logs of a drive whose IDENTIFY the drive layer holds (family ATA or SAT; nothing for
// another): the directory; through READ LOG EXT, where the directory has the Device Statistics
// log, its page list and of the general (01h), temperature (05h) and solid-state (07h) pages
// those the list names; the SCT status where IDENTIFY word 206 or the directory says the drive
// has it. A page that does not come back stays empty.
AtaLogBlocks ReadAtaStatisticsLogs(SmartDrv& drv, DeviceHandle handle, Byte drive_number);

}  // namespace kestrine
