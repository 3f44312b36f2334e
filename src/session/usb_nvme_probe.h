// The probe chain's step for NVMe drives in USB enclosures: after SAT found no ATA disk behind a
// disk on USB, the bridge protocols its USB ids name, else each in the careful order
// (usb_bridge_detect.h), with read commands only. The drive is then read as any NVMe drive, its
// blocks carried by the bridge.
#pragma once

#include <optional>
#include <string_view>

#include "device_port.h"
#include "reading.h"
#include "smart_drv.h"

namespace kestrine {

// The reading of the NVMe drive behind a USB bridge, with the bridge named; nullopt for a disk
// not on USB (`bus_type`, the storage descriptor's bus name) and where no bridge gave a plausible
// Identify.
std::optional<DriveReading> ProbeUsbNvme(SmartDrv& drive_layer, DeviceHandle handle,
                                         Byte drive_number, std::string_view bus_type);

}  // namespace kestrine
