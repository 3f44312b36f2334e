// Which protocol reaches an NVMe drive on USB: the bridges known by their USB vendor and product
// ids, and the order in which the protocols are tried.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "device_port.h"
#include "usb_bridge_requests.h"

namespace kestrine {

// What the ids tell of a bridge.
struct KnownUsbBridge {
  UsbId id;
  UsbBridge bridge;
};

// The entry of a known bridge; nullopt for ids not in the table.
std::optional<KnownUsbBridge> BridgeProtocolFor(std::uint16_t vendor, std::uint16_t product);

// The bridge protocols tried, in order, for a disk on USB that SAT did not read, each with read
// commands only, the first that answers kept. SAT always goes first: an ATA disk in a SATA bridge
// is ATA, and SATA bridges wear the ids of some NVMe bridges (JMicron's default ids) or are the
// same chip (JMS581, RTL9211), while JMicron's command phase reads as an ATA hardware reset to a
// SCSI/ATA translator.
//   - a known bridge: its protocol only;
//   - ids not known: Realtek, ASMedia and last JMicron.
std::vector<UsbBridge> UsbProbeOrder(std::optional<UsbId> id);

}  // namespace kestrine
