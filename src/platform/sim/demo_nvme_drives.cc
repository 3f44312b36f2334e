// The demo bay's NVMe drives: a healthy one, and a worn one whose controller raises a critical
// warning with its available spare below the threshold; and three in USB enclosures, one behind
// each bridge, one of them worn.
#include "demo_drives.h"
#include "nvme_image_builder.h"

namespace kestrine {

namespace {

constexpr Byte kBlockShift512 = 9;
constexpr std::uint32_t kVersion14 = 0x00010400;
constexpr std::uint32_t kVersion13 = 0x00010300;
// OACS: security, format, firmware, self-test. ONCS: write uncorrectable, dataset management,
// write zeroes, save/select, timestamp.
constexpr std::uint16_t kDemoAdminCommands = 0x0017;
constexpr std::uint16_t kDemoNvmCommands = 0x005E;

void SetHealthCounter(NvmeBlocks& blocks, std::size_t offset, std::uint64_t value) {
  WriteLe128(blocks.health, offset, Counter128{value, 0});
}

void SetController(NvmeBlocks& blocks, std::uint32_t version, std::uint16_t extended_minutes) {
  using namespace nvme_controller;
  WriteLe16(blocks.controller, kVendorId, 0x1E0F);
  WriteLe32(blocks.controller, kVersion, version);
  WriteLe16(blocks.controller, kAdminCommands, kDemoAdminCommands);
  WriteLe16(blocks.controller, kNvmCommands, kDemoNvmCommands);
  blocks.controller[kVolatileWriteCache] = 0x01;
  WriteLe16(blocks.controller, kWarningTemperature, 273 + 80);
  WriteLe16(blocks.controller, kCriticalTemperature, 273 + 85);
  WriteLe16(blocks.controller, kExtendedSelfTestMinutes, extended_minutes);
  WriteLe32(blocks.controller, kNamespaceCount, 1);
}

DriveImage NvmeImage(NvmeBlocks blocks, std::string product, std::string serial,
                     std::string revision) {
  DriveImage image;
  image.nvme = std::move(blocks);
  image.vendor = "NVMe";
  image.product = std::move(product);
  image.serial = std::move(serial);
  image.revision = std::move(revision);
  image.bus_type = BusType::Nvme;
  return image;
}

// A 1 TB NVMe SSD in its second year: nothing is wrong. The last extended self-test passed.
DriveImage HealthyNvmeSsd() {
  using namespace nvme_health;
  NvmeBlocks blocks;
  SetNvmeIdentityTexts(blocks, "KESTREL NV1000 1TB", "KN1T22B04417", "2B2QEXM7");
  SetNvmeCapacity(blocks, 1953525168, kBlockShift512);
  SetController(blocks, kVersion14, 170);
  WriteLe16(blocks.health, kCompositeTemperature, 273 + 38);
  blocks.health[kAvailableSpare] = 100;
  blocks.health[kAvailableSpareThreshold] = 10;
  blocks.health[kPercentageUsed] = 3;
  SetHealthCounter(blocks, kDataUnitsRead, 41207761);
  SetHealthCounter(blocks, kDataUnitsWritten, 38564482);
  SetHealthCounter(blocks, kHostReadCommands, 512044193);
  SetHealthCounter(blocks, kHostWriteCommands, 603918551);
  SetHealthCounter(blocks, kControllerBusyTime, 1932);
  SetHealthCounter(blocks, kPowerCycles, 611);
  SetHealthCounter(blocks, kPowerOnHours, 4379);
  SetHealthCounter(blocks, kUnsafeShutdowns, 37);
  SetHealthCounter(blocks, kErrorLogEntries, 2);
  WriteLe16(blocks.health, kTemperatureSensor1, 273 + 38);
  blocks.self_test_log = EmptyNvmeSelfTestLog();
  AddNvmeSelfTestResult(blocks.self_test_log,
                        {.code = nvme_self_test_log::kCodeShort, .power_on_hours = 2210});
  AddNvmeSelfTestResult(blocks.self_test_log,
                        {.code = nvme_self_test_log::kCodeExtended, .power_on_hours = 4350});
  return NvmeImage(std::move(blocks), "KESTREL NV1000 1TB", "KN1T22B04417", "2B2QEXM7");
}

// A 256 GB NVMe SSD worn out: spare below its threshold (the controller's critical warning bit 0
// and reliability degraded, bit 2), more than its rated endurance used, media errors, and a
// failed extended self-test with its failing block.
DriveImage WornNvmeSsd() {
  using namespace nvme_health;
  NvmeBlocks blocks;
  SetNvmeIdentityTexts(blocks, "KESTREL NV256 M.2", "KN25619A00982", "1.2.0");
  SetNvmeCapacity(blocks, 500118192, kBlockShift512);
  SetController(blocks, kVersion13, 30);
  blocks.health[kCriticalWarning] = 0x05;
  WriteLe16(blocks.health, kCompositeTemperature, 273 + 51);
  blocks.health[kAvailableSpare] = 4;
  blocks.health[kAvailableSpareThreshold] = 10;
  blocks.health[kPercentageUsed] = 112;
  // Beyond 64 bits: a counter the drive has carried across the low half's limit.
  WriteLe128(blocks.health, kDataUnitsRead, Counter128{0x2B0F1A6C5D4E3F21, 0x1});
  SetHealthCounter(blocks, kDataUnitsWritten, 1209855013);
  SetHealthCounter(blocks, kHostReadCommands, 9988172634);
  SetHealthCounter(blocks, kHostWriteCommands, 14023991871);
  SetHealthCounter(blocks, kControllerBusyTime, 48120);
  SetHealthCounter(blocks, kPowerCycles, 2764);
  SetHealthCounter(blocks, kPowerOnHours, 30117);
  SetHealthCounter(blocks, kUnsafeShutdowns, 419);
  SetHealthCounter(blocks, kMediaErrors, 12);
  SetHealthCounter(blocks, kErrorLogEntries, 1573);
  blocks.self_test_log = EmptyNvmeSelfTestLog();
  AddNvmeSelfTestResult(blocks.self_test_log,
                        {.code = nvme_self_test_log::kCodeShort, .power_on_hours = 29870});
  AddNvmeSelfTestResult(blocks.self_test_log, {.code = nvme_self_test_log::kCodeExtended,
                                               .result = nvme_self_test_log::kResultFailedSegments,
                                               .power_on_hours = 30102,
                                               .failing_lba_valid = true,
                                               .failing_lba = 183442907});
  return NvmeImage(std::move(blocks), "KESTREL NV256 M.2", "KN25619A00982", "1.2.0");
}

// An NVMe drive in a USB enclosure: the storage stack names the bridge, and only the bridge's
// vendor commands reach the drive.
DriveImage BridgedImage(NvmeBlocks blocks, UsbBridge bridge, std::optional<UsbId> usb_id,
                        std::string vendor, std::string product) {
  DriveImage image;
  image.nvme = std::move(blocks);
  image.usb_bridge = bridge;
  image.usb_id = usb_id;
  image.vendor = std::move(vendor);
  image.product = std::move(product);
  image.revision = "0204";
  image.serial = "0123456789AB";
  image.bus_type = BusType::Usb;
  return image;
}

// A 500 GB portable SSD, healthy, its bridge's ids known (ASMedia ASM2362's own).
DriveImage AsmediaPortableSsd() {
  using namespace nvme_health;
  NvmeBlocks blocks;
  SetNvmeIdentityTexts(blocks, "KESTREL NV500 PORTABLE", "KP5U21C00731", "3B1QGXA7");
  SetNvmeCapacity(blocks, 976773168, kBlockShift512);
  SetController(blocks, kVersion14, 85);
  WriteLe16(blocks.health, kCompositeTemperature, 273 + 41);
  blocks.health[kAvailableSpare] = 100;
  blocks.health[kAvailableSpareThreshold] = 10;
  blocks.health[kPercentageUsed] = 1;
  SetHealthCounter(blocks, kDataUnitsRead, 3104577);
  SetHealthCounter(blocks, kDataUnitsWritten, 2290013);
  SetHealthCounter(blocks, kPowerCycles, 214);
  SetHealthCounter(blocks, kPowerOnHours, 388);
  SetHealthCounter(blocks, kUnsafeShutdowns, 61);
  blocks.self_test_log = EmptyNvmeSelfTestLog();
  return BridgedImage(std::move(blocks), UsbBridge::ASMedia, UsbId{0x174C, 0x2362}, "ASMT", "2362");
}

// A 1 TB SSD in a Realtek enclosure, near its rated endurance and with media errors (WARNING),
// its bridge's ids known.
DriveImage RealtekWornSsd() {
  using namespace nvme_health;
  NvmeBlocks blocks;
  SetNvmeIdentityTexts(blocks, "KESTREL NV1000 1TB", "KN1T20A11870", "2B0QEXM7");
  SetNvmeCapacity(blocks, 1953525168, kBlockShift512);
  SetController(blocks, kVersion13, 170);
  WriteLe16(blocks.health, kCompositeTemperature, 273 + 47);
  blocks.health[kAvailableSpare] = 62;
  blocks.health[kAvailableSpareThreshold] = 10;
  blocks.health[kPercentageUsed] = 94;
  SetHealthCounter(blocks, kDataUnitsRead, 1480092217);
  SetHealthCounter(blocks, kDataUnitsWritten, 1377300452);
  SetHealthCounter(blocks, kPowerCycles, 1902);
  SetHealthCounter(blocks, kPowerOnHours, 21544);
  SetHealthCounter(blocks, kUnsafeShutdowns, 233);
  SetHealthCounter(blocks, kMediaErrors, 3);
  SetHealthCounter(blocks, kErrorLogEntries, 41);
  blocks.self_test_log = EmptyNvmeSelfTestLog();
  AddNvmeSelfTestResult(blocks.self_test_log,
                        {.code = nvme_self_test_log::kCodeShort, .power_on_hours = 21390});
  return BridgedImage(std::move(blocks), UsbBridge::Realtek, UsbId{0x0BDA, 0x9210}, "Realtek",
                      "RTL9210");
}

// A 256 GB SSD in a JMicron enclosure whose ids the system does not give, found by the careful
// probe, healthy; the bridge carries its self-tests.
DriveImage JmicronSsd() {
  using namespace nvme_health;
  NvmeBlocks blocks;
  SetNvmeIdentityTexts(blocks, "KESTREL NV256 M.2", "KN25622C01544", "1.4.1");
  SetNvmeCapacity(blocks, 500118192, kBlockShift512);
  SetController(blocks, kVersion14, 30);
  WriteLe16(blocks.health, kCompositeTemperature, 273 + 36);
  blocks.health[kAvailableSpare] = 100;
  blocks.health[kAvailableSpareThreshold] = 5;
  blocks.health[kPercentageUsed] = 7;
  SetHealthCounter(blocks, kDataUnitsRead, 20417553);
  SetHealthCounter(blocks, kDataUnitsWritten, 18830126);
  SetHealthCounter(blocks, kPowerCycles, 530);
  SetHealthCounter(blocks, kPowerOnHours, 2977);
  SetHealthCounter(blocks, kUnsafeShutdowns, 88);
  blocks.self_test_log = EmptyNvmeSelfTestLog();
  AddNvmeSelfTestResult(blocks.self_test_log,
                        {.code = nvme_self_test_log::kCodeShort, .power_on_hours = 2901});
  return BridgedImage(std::move(blocks), UsbBridge::JMicron, std::nullopt, "JMicron", "Tech");
}

}  // namespace

void AddDemoNvmeDrives(SimBay& bay) {
  bay.AddDrive(kDemoNvmeSsd, HealthyNvmeSsd());
  bay.AddDrive(kDemoWornNvmeSsd, WornNvmeSsd());
}

void AddDemoUsbNvmeDrives(SimBay& bay) {
  bay.AddDrive(kDemoJmicronSsd, JmicronSsd());
  bay.AddDrive(kDemoAsmediaSsd, AsmediaPortableSsd());
  bay.AddDrive(kDemoRealtekWornSsd, RealtekWornSsd());
}

}  // namespace kestrine
