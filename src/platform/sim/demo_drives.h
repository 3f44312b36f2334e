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
inline constexpr int kDemoNvmeSsd = 6;         // NVMe, condition OK
inline constexpr int kDemoWornNvmeSsd = 7;     // NVMe, critical warning, spare below threshold
inline constexpr int kDemoSleepingDisk = 8;    // SATA, in standby until a command wakes it, OK
inline constexpr int kDemoSasHdd = 10;         // SAS hard disk, read through LOG SENSE, OK
inline constexpr int kDemoSasSsd = 11;  // SAS SSD, uncorrected errors and grown defects, WARNING
// NVMe drives in USB enclosures, one behind each bridge.
inline constexpr int kDemoJmicronSsd = 12;      // JMicron, ids not given (probed), OK
inline constexpr int kDemoAsmediaSsd = 13;      // ASMedia, known ids, OK
inline constexpr int kDemoRealtekWornSsd = 14;  // Realtek, known ids, WARNING

// Puts the demo drives into the bay.
void AddDemoDrives(SimBay& bay);
// Puts only the NVMe demo drives into the bay (AddDemoDrives puts them in too).
void AddDemoNvmeDrives(SimBay& bay);
// Puts only the NVMe drives in USB enclosures into the bay (AddDemoDrives puts them in too).
void AddDemoUsbNvmeDrives(SimBay& bay);

}  // namespace kestrine
