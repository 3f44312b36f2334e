// The SCSI family's step of the drive session: a SAS or SCSI disk is read through INQUIRY and
// LOG SENSE where no ATA path and no NVMe answered, or first where the bus is a SCSI one.
#pragma once

#include <optional>
#include <string_view>

#include "reading.h"
#include "smart_drv.h"

namespace kestrine {

// Whether the storage descriptor's bus (its name as the status bar shows it) is SAS, SCSI,
// iSCSI, Fibre Channel or RAID: there the SCSI family is tried first.
bool IsScsiBus(std::string_view bus_type);

// The reading of a disk that answers the standard INQUIRY, read through the SCSI family, with the
// drive's slot marked SCSI; nullopt where INQUIRY did not answer or names an ATA disk behind a
// SCSI/ATA translator (read as ATA through SAT).
std::optional<DriveReading> ProbeScsi(SmartDrv& drive_layer, DeviceHandle handle,
                                      Byte drive_number);

// Whether the disk read into `reading` lists the self-test results page.
bool ScsiListsSelfTestLog(const DriveReading& reading);

}  // namespace kestrine
