// The demo program's drives, authored here: each shows one path of the refresh.
#pragma once

#include "sim_bay.h"

namespace kestrine {

// The drive numbers of the demo bay. Number 4 is left out, so the list has a gap.
inline constexpr int kDemoHealthyDisk = 0;     // SATA, ATA pass-through, condition OK
inline constexpr int kDemoFailingDisk = 1;     // parallel ATA, legacy requests only, CRITICAL
inline constexpr int kDemoUsbSsd = 2;          // SSD behind a USB bridge, SAT only, OK
inline constexpr int kDemoPendingSectors = 3;  // SATA with pending sectors, WARNING
inline constexpr int kDemoCardReader = 5;      // answers no IDENTIFY at all

// Puts the demo drives into the bay.
void AddDemoDrives(SimBay& bay);

}  // namespace kestrine
