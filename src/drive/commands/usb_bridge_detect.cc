#include "usb_bridge_detect.h"

#include <algorithm>
#include <array>

namespace kestrine {

namespace {

constexpr UsbBridge kJ = UsbBridge::JMicron;
constexpr UsbBridge kA = UsbBridge::ASMedia;
constexpr UsbBridge kR = UsbBridge::Realtek;

// The USB section of smartmontools' drive database (drivedb/drivedb.h), which names each of
// these ids with "-d sntjmicron", "-d sntasmedia" or "-d sntrealtek". In id order.
constexpr std::array<KnownUsbBridge, 29> kKnownBridges = {{
    {{0x0411, 0x039D}, kA},  // Buffalo SSD-PSTA/N
    {{0x04E8, 0x4001}, kA},  // Samsung Portable SSD T7, ASM2362
    {{0x04E8, 0x61FB}, kA},  // Samsung Portable SSD T7 Shield
    {{0x04E8, 0x61FD}, kA},  // Samsung Portable SSD T9, ASM2362
    {{0x0781, 0x55AE}, kA},  // SanDisk Extreme, ASM2362
    {{0x0781, 0x55AF}, kA},  // SanDisk Extreme Pro Portable SSD
    {{0x0781, 0x55BB}, kA},  // SanDisk Portable SSD
    {{0x0B05, 0x1932}, kA},  // Asus ROG Strix Arion enclosure, ASM236x
    {{0x0BC2, 0xAA1A}, kA},  // Seagate FireCuda Gaming SSD, ASM2364
    {{0x0BDA, 0x9210}, kR},  // Realtek RTL9210
    {{0x0BDA, 0x9211}, kR},  // Realtek RTL9211 (NVMe or SATA)
    {{0x0BDA, 0x9220}, kR},  // Realtek RTL9220 (NVMe or SATA)
    {{0x0DD8, 0x9210}, kR},  // Netac WH51, RTL9210
    {{0x1058, 0x266E}, kA},  // WD Elements SE SSD, ASM236x
    {{0x152D, 0x0581}, kJ},  // JMicron JMS581 (SATA or NVMe)
    // JMicron JMS583's default ids, worn by USB-to-SATA bridges too (drivedb.h's caution).
    {{0x152D, 0x0583}, kJ},
    {{0x152D, 0xA581}, kJ},  // JMicron JMS581, USB 3.2
    {{0x152D, 0xA583}, kJ},  // JMicron JMS583
    {{0x152D, 0xB581}, kJ},  // JMicron JMS581 (Unitek M.2 NVMe/SATA adapter)
    {{0x174C, 0x2362}, kA},  // ASMedia ASM2362
    {{0x174C, 0x2364}, kA},  // ASMedia ASM2364
    {{0x174C, 0x2463}, kA},  // ASMedia ASM2464PD in USB 3
    {{0x1DE1, 0xE101}, kR},  // Actions AM8180, a renamed RTL9210
    {{0x2174, 0x7010}, kR},  // Transcend TS-CM10G
    {{0x21C4, 0x0003}, kJ},  // Lexar ES3 Portable SSD
    {{0x21C4, 0xB06A}, kJ},  // Lexar E6 NVMe enclosure
    {{0x21C4, 0xB083}, kR},  // Lexar E300
    {{0x2EB9, 0x9211}, kR},  // Sabrent EC-WPTF, RTL9211
    {{0x30DE, 0x1000}, kJ},  // KIOXIA EXCERIA PLUS
}};
static_assert(std::ranges::is_sorted(kKnownBridges, std::ranges::less{}, &KnownUsbBridge::id));
static_assert(std::ranges::adjacent_find(kKnownBridges, std::ranges::equal_to{},
                                         &KnownUsbBridge::id) == kKnownBridges.end());

}  // namespace

std::optional<KnownUsbBridge> BridgeProtocolFor(std::uint16_t vendor, std::uint16_t product) {
  const UsbId id{vendor, product};
  const auto it = std::ranges::lower_bound(kKnownBridges, id, {}, &KnownUsbBridge::id);
  if (it == kKnownBridges.end() || it->id != id) return std::nullopt;
  return *it;
}

std::vector<UsbBridge> UsbProbeOrder(std::optional<UsbId> id) {
  const std::optional<KnownUsbBridge> known =
      id ? BridgeProtocolFor(id->vendor, id->product) : std::nullopt;
  if (known) return {known->bridge};
  return {UsbBridge::Realtek, UsbBridge::ASMedia, UsbBridge::JMicron};
}

}  // namespace kestrine
