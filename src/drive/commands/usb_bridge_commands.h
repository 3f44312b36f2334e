// NVMe drives behind a USB bridge: the NVMe family's commands, each carried in the bridge's
// vendor SCSI commands (usb_bridge_requests.h) through the SCSI pass-through. They fill the same
// tables the direct NVMe commands fill, so the NVMe family reads them unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "device_port.h"
#include "nvme_command.h"
#include "smart_drv.h"
#include "usb_bridge_requests.h"

namespace kestrine {

// One NVMe admin command through `bridge`: `data` (the command's data length) receives the bytes
// the bridge carried, zeros past them. True only when every SCSI command came back GOOD with its
// whole length and, for JMicron, the completion reports success.
bool BridgeNvmeCommand(DevicePort& port, DeviceHandle handle, UsbBridge bridge,
                       const NvmeCommand& command, std::span<Byte> data);

// Identify Controller and Identify Namespace 1 into the drive's slots, the family becoming Nvme:
// success only when both came and the controller block is plausible (nvme_controller_check.h);
// a bridge answering garbage leaves the slots as they were.
CommandResult IdentifyDeviceBridge(SmartDrv& drive, DeviceHandle handle, Byte drive_number,
                                   UsbBridge bridge);
// The health log into the drive's slot and HealthRead, as ReadHealthLogNvme.
CommandResult ReadHealthLogBridge(SmartDrv& drive, DeviceHandle handle, Byte drive_number,
                                  UsbBridge bridge);
// The Device Self-test log into NvmeSelfTest; results the bridge did not carry whole read as
// none.
CommandResult ReadSelfTestLogBridge(SmartDrv& drive, DeviceHandle handle, UsbBridge bridge);
// A self-test's start (kStcShort, kStcExtended) or abort (kStcAbort), where the bridge carries
// Device Self-test (JMicron); Failure elsewhere, with nothing sent.
CommandResult RunSelfTestBridge(SmartDrv& drive, DeviceHandle handle, UsbBridge bridge,
                                std::uint32_t code);

// Whether the bridge carries Device Self-test.
bool BridgeCarriesSelfTest(UsbBridge bridge);

// The probe of a drive whose bridge is not known for sure: Identify through each bridge of
// `order` in turn (IdentifyDeviceBridge), the first that answers plausibly, else nullopt.
std::optional<UsbBridge> ProbeUsbBridge(SmartDrv& drive, DeviceHandle handle, Byte drive_number,
                                        std::span<const UsbBridge> order);

}  // namespace kestrine
