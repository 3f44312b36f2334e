// Which protocol reaches a disk on USB: the bridges known by their USB vendor and product ids,
// and the order in which the protocols are tried.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "usb_bridge_requests.h"

namespace kestrine {

struct UsbId {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  auto operator<=>(const UsbId&) const = default;
};

// What the ids tell of a bridge.
struct KnownUsbBridge {
  UsbId id;
  UsbBridge bridge;
  // SATA bridges wear the same ids, and this bridge's commands would harm one: SAT is tried
  // first.
  bool sat_first = false;
};

// The entry of a known bridge; nullopt for ids not in the table.
std::optional<KnownUsbBridge> BridgeProtocolFor(std::uint16_t vendor, std::uint16_t product);

// One way of reading a disk on USB.
enum class UsbProbeStep : std::uint8_t { Sat, JMicron, ASMedia, Realtek };

// The order the ways are tried for a disk on USB, each with read commands only, the first that
// answers kept:
//   - a known bridge: its protocol, then SAT (some bridges take a SATA disk or an NVMe drive,
//     and some answer ATA IDENTIFY through SAT for the NVMe drive they hold);
//   - a known bridge whose ids SATA bridges wear too (sat_first): SAT, then its protocol;
//   - ids not known: SAT (an ATA disk in a SATA bridge is ATA), then Realtek, ASMedia and last
//     JMicron, whose command phase reads as an ATA hardware reset to a SCSI/ATA translator.
std::vector<UsbProbeStep> UsbProbeOrder(std::optional<UsbId> id);

}  // namespace kestrine
