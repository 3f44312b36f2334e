// STORAGE_BUS_TYPE: the bus a storage stack reports for a disk, and its names as the status bar
// shows them. The one table of these values.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrine {

enum class BusType : std::uint32_t {
  Unknown = 0,
  Scsi = 1,
  Atapi = 2,
  Ata = 3,
  Ieee1394 = 4,
  Ssa = 5,
  Fibre = 6,
  Usb = 7,
  Raid = 8,
  Iscsi = 9,
  Sas = 10,
  Sata = 11,
  Nvme = 17,  // beyond the names: an NVMe drive's status bar names its bus itself
};

// The names by value, from 0; any value past the table is named as 0 is.
inline constexpr std::array<std::string_view, 12> kBusTypeNames = {
    "unknown", "Scsi", "Atapi", "Ata",   "1394", "Ssa",
    "Fibre",   "Usb",  "RAID",  "iSCSI", "Sas",  "Sata"};
static_assert(kBusTypeNames[static_cast<std::uint32_t>(BusType::Sata)] == "Sata" &&
              kBusTypeNames.size() == static_cast<std::uint32_t>(BusType::Sata) + 1);

constexpr std::uint32_t BusTypeValue(BusType bus_type) {
  return static_cast<std::uint32_t>(bus_type);
}

}  // namespace kestrine
