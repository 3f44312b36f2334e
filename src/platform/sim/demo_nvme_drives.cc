// The demo bay's NVMe drives: a healthy one, and a worn one whose controller raises a critical
// warning with its available spare below the threshold.
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

}  // namespace

void AddDemoNvmeDrives(SimBay& bay) {
  bay.AddDrive(kDemoNvmeSsd, HealthyNvmeSsd());
  bay.AddDrive(kDemoWornNvmeSsd, WornNvmeSsd());
}

}  // namespace kestrine
