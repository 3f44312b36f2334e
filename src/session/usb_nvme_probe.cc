#include "usb_nvme_probe.h"

#include "storage_bus.h"
#include "usb_bridge_commands.h"
#include "usb_bridge_detect.h"

namespace kestrine {

std::optional<DriveReading> ProbeUsbNvme(SmartDrv& drive_layer, DeviceHandle handle,
                                         Byte drive_number, std::string_view bus_type) {
  if (bus_type != kBusTypeNames[BusTypeValue(BusType::Usb)]) return std::nullopt;
  const std::vector<UsbBridge> order = UsbProbeOrder(drive_layer.Port().UsbDeviceId(handle));
  const std::optional<UsbBridge> bridge = ProbeUsbBridge(drive_layer, handle, drive_number, order);
  if (!bridge) return std::nullopt;
  ReadHealthLogBridge(drive_layer, handle, drive_number, *bridge);
  DriveReading reading = NvmeReadingFromTables(drive_layer.Tables(), drive_number);
  reading.usb_bridge = bridge;
  return reading;
}

}  // namespace kestrine
