// The statistics of a drive the session has identified: an ATA or SAT drive's logs read on the
// open handle (log_reads.h), an NVMe drive's from the Identify Controller and health log the drive
// layer already holds. Reads only.
#pragma once

#include <cstdint>
#include <span>

#include "device_port.h"
#include "reading.h"
#include "smart_drv.h"

namespace kestrine {

// The logical sector size IDENTIFY DEVICE gives (words 106 and 117-118), in bytes: 512 where
// word 106 is not valid or does not say the sector is longer, or where the length it gives is
// shorter than 512 bytes, longer than 1 MiB or not a whole number of 512 bytes.
std::uint32_t AtaLogicalSectorSize(std::span<const Byte, 512> identify);

// Sets `reading.statistics` for the drive read last into `reading`; leaves it empty where the
// drive gave none (an ATA drive without the logs, an NVMe drive whose health log did not come).
void ReadStatisticsInto(SmartDrv& drive_layer, DeviceHandle handle, DriveReading& reading);

}  // namespace kestrine
