#include "demo_drives.h"

#include "ata_log_layout.h"
#include "ata_registers.h"
#include "drive_image_builder.h"
#include "drive_image_logs.h"

namespace kestrine {

namespace {

using namespace identify_word;

// Common flag words of attribute entries.
constexpr std::uint16_t kPreFailRate = 0x002F;      // PF OC PA ER SP
constexpr std::uint16_t kPreFailCount = 0x0033;     // PF OC EC SP
constexpr std::uint16_t kPreFailTime = 0x0027;      // PF OC PA SP
constexpr std::uint16_t kOldAgeCount = 0x0032;      // OC EC SP
constexpr std::uint16_t kOldAgeOnline = 0x0022;     // OC SP
constexpr std::uint16_t kOldAgeRate = 0x002E;       // OC PA ER SP
constexpr std::uint16_t kOldAgeOffline = 0x0030;    // EC SP, collected off-line
constexpr std::uint16_t kOldAgeErrorRate = 0x0008;  // ER, collected off-line
constexpr std::uint16_t kCrcCount = 0x003E;         // OC PA ER EC SP

// Self-test execution status bytes.
constexpr Byte kCompleted = 0x00;
constexpr Byte kAbortedByHost40 = 0x14;  // aborted by the host with 40% left
constexpr Byte kReadFailure80 = 0x78;    // read element failed with 80% left

// Off-line data collection: completed without error, automatic collection on.
constexpr Byte kOfflineCompletedAuto = 0x82;
constexpr Byte kOfflineNeverStarted = 0x00;

// Off-line capability bits: immediate, automatic timer, surface scan, self-test, conveyance,
// selective (7Bh); an older drive without conveyance (5Bh); an SSD without surface scan (53h).
constexpr Byte kCapabilityFull = 0x7B;
constexpr Byte kCapabilityNoConveyance = 0x5B;
constexpr Byte kCapabilitySsd = 0x53;
constexpr std::uint16_t kSavesWithTimer = 0x0003;  // saves before power-saving, auto-save timer
constexpr Byte kErrorLoggingSupported = 0x01;

// IDENTIFY words shared by drives of one kind.
void SetAtaTimings(Sector& id) {
  SetIdentifyWords(id, {{kMaxSectorsPerMultiple, 0x8010},
                        {kCapabilities, 0x2F00},  // LBA, DMA, IORDY, standby timer
                        {kCapabilities2, 0x4000},
                        {kFieldValidity, 0x0007},
                        {kMultipleSetting, 0x0110},
                        {kMultiwordDma, 0x0007},  // multiword DMA 0-2
                        {kPioModes, 0x0003},      // PIO 3 and 4
                        {kMinMultiwordDmaCycle, 120},
                        {kRecMultiwordDmaCycle, 120},
                        {kMinPioCycle, 120},
                        {kMinPioCycleIordy, 120}});
}

// The KESTREL HD desktop disks on SATA share their IDENTIFY words, their attribute set and their
// S.M.A.R.T. capabilities; a model gives its identity, its own words, its readings and its log.
struct DesktopReading {
  Byte id = 0;
  Byte value = 0;
  Byte worst = 0;
  std::uint64_t raw = 0;
};

struct DesktopModel {
  const char* model = "";
  const char* firmware = "";
  const char* serial = "";
  std::uint64_t sectors = 0;
  std::initializer_list<std::pair<std::size_t, std::uint16_t>> words;
  // Readings that differ from a new disk's (normalised values at their maximum, raw zero).
  std::initializer_list<DesktopReading> readings;
  std::uint16_t offline_seconds = 0;
  std::uint16_t extended_minutes = 0;
  std::initializer_list<SelfTestEntry> log;
};

DriveImage KestrelDesktopDisk(const DesktopModel& model) {
  DriveImage image;
  Sector& id = image.identify;
  SetIdentifyTexts(id, model.model, model.firmware, model.serial);
  SetIdentifyCapacity(id, model.sectors);
  SetAtaTimings(id);
  SetIdentifyWords(id, {{kBufferSize, 0x8000},  // 16 MiB
                        {kQueueDepth, 0x001F},
                        {kSataFeaturesEnabled, 0x0040},
                        {kCommandSetSupported1, 0x746B},  // S.M.A.R.T., security, write cache
                        {kCommandSetSupported2, 0x7F61},  // AAM, 48-bit LBA
                        {kCommandSetSupportedExt, 0x6163},
                        {kCommandSetEnabled1, 0x7469},
                        {kCommandSetDefault, 0x6163},
                        {kUltraDma, 0x407F},      // UDMA 0-6, mode 6 selected
                        {kFormFactor, 0x0002}});  // 3.5 inch
  SetIdentifyWords(id, model.words);

  AttributeValues attributes[] = {
      {1, kPreFailRate, 200, 200, 0, 51},      {3, kPreFailTime, 200, 200, 0, 21},
      {4, kOldAgeCount, 100, 100, 0, 0},       {5, kPreFailCount, 200, 200, 0, 140},
      {7, kOldAgeRate, 200, 200, 0, 0},        {9, kOldAgeCount, 100, 100, 0, 0},
      {10, kOldAgeCount, 100, 100, 0, 0},      {11, kOldAgeCount, 100, 100, 0, 0},
      {12, kOldAgeCount, 100, 100, 0, 0},      {192, kOldAgeCount, 200, 200, 0, 0},
      {193, kOldAgeCount, 200, 200, 0, 0},     {194, kOldAgeOnline, 100, 100, 0, 0},
      {196, kOldAgeCount, 200, 200, 0, 0},     {197, kOldAgeCount, 200, 200, 0, 0},
      {198, kOldAgeOffline, 100, 253, 0, 0},   {199, kOldAgeCount, 200, 200, 0, 0},
      {200, kOldAgeErrorRate, 100, 253, 0, 0},
  };
  for (const DesktopReading& reading : model.readings) {
    for (AttributeValues& attribute : attributes) {
      if (attribute.id != reading.id) continue;
      attribute.value = reading.value;
      attribute.worst = reading.worst;
      attribute.raw = reading.raw;
    }
  }
  for (const AttributeValues& attribute : attributes) AddAttribute(image, attribute);
  SetSmartStatus(image, {.offline_status = kOfflineCompletedAuto,
                         .self_test_status = kCompleted,
                         .offline_seconds = model.offline_seconds,
                         .offline_capability = kCapabilityFull,
                         .smart_capability = kSavesWithTimer,
                         .error_logging = kErrorLoggingSupported,
                         .short_minutes = 2,
                         .extended_minutes = model.extended_minutes,
                         .conveyance_minutes = 5});
  for (const SelfTestEntry& entry : model.log) AddSelfTestEntry(image.self_test_log, entry);

  image.vendor = "ATA";
  image.product = model.model;
  image.revision = model.firmware;
  image.serial = model.serial;
  image.bus_type = BusType::Sata;
  SealDriveImage(image);
  return image;
}

// A 2 TB 7200 rpm desktop disk on a SATA port: every transport answers, nothing is wrong.
DriveImage HealthySataDisk() {
  return KestrelDesktopDisk({.model = "KESTREL HD2000S",
                             .firmware = "05.02A05",
                             .serial = "KD2S41A07731",
                             .sectors = 3907029168,
                             .words = {{kGeneralConfiguration, 0x0C5A},
                                       {kSataCapabilities, 0x070E},  // 1.5, 3 and 6 Gb/s, NCQ
                                       {kSataAdditionalCapabilities, 0x0006},  // running at 6 Gb/s
                                       {kSataFeaturesSupported, 0x004C},
                                       {kMajorVersion, 0x03F0},  // ATA/ATAPI-4 to ACS-2
                                       {kMinorVersion, 0x0110},
                                       {kCommandSetEnabled2, 0xBE41},  // AAM on
                                       {kAcousticManagement, 0x80FE},
                                       {kSectorSize, 0x6003},  // 4 KiB physical sectors
                                       {kWorldWideName, 0x5001},
                                       {kWorldWideName + 1, 0x4EE2},
                                       {kWorldWideName + 2, 0x0AC1},
                                       {kWorldWideName + 3, 0x2F37},
                                       {kRotationRate, 7200},
                                       {kTransportVersion, 0x107F}},
                             .readings = {{3, 176, 173, 4166},
                                          {4, 100, 100, 1287},
                                          {9, 81, 81, 14310},
                                          {12, 100, 100, 1279},
                                          {192, 200, 200, 97},
                                          {193, 199, 199, 4520},
                                          {194, 112, 103, PackedTemperatureRaw(35, 19, 44)}},
                             .offline_seconds = 36600,
                             .extended_minutes = 120,
                             .log = {{kExtendedSelfTestOffline, kCompleted, 12980},
                                     {kShortSelfTestOffline, kCompleted, 14021}}});
}

// A 250 GB parallel ATA disk whose reallocated sectors have used up the spare area: the
// reallocated sector count, a pre-fail attribute, has fallen below its threshold.
DriveImage FailingParallelDisk() {
  DriveImage image;
  Sector& id = image.identify;
  SetIdentifyTexts(id, "KESTREL HD250PA", "KP3.12A1", "KP1A0T3M88214");
  SetIdentifyCapacity(id, 488397168);
  SetAtaTimings(id);
  SetIdentifyWords(id, {{kGeneralConfiguration, 0x0C5A},
                        {kBufferSize, 0x4000},        // 8 MiB
                        {kSataCapabilities, 0x0000},  // not a serial device
                        {kMajorVersion, 0x00FE},      // ATA-1 to ATA/ATAPI-7
                        {kMinorVersion, 0x001E},
                        {kCommandSetSupported1, 0x346B},
                        {kCommandSetSupported2, 0x7F09},  // APM, AAM, 48-bit LBA
                        {kCommandSetSupportedExt, 0x4123},
                        {kCommandSetEnabled1, 0x3469},
                        {kCommandSetEnabled2, 0x3E01},  // AAM on, APM off
                        {kCommandSetDefault, 0x4123},
                        {kUltraDma, 0x203F},             // UDMA 0-5, mode 5 selected
                        {kHardwareResetResult, 0x603B},  // 80-conductor cable
                        {kAcousticManagement, 0x80FE}});

  const AttributeValues attributes[] = {
      {1, 0x000F, 98, 87, 182743, 6},
      {3, 0x0003, 97, 96, 0, 0},
      {4, kOldAgeCount, 96, 96, 4521, 20},
      {5, kPreFailCount, 28, 28, 1843, 36},
      {7, 0x000F, 78, 60, 61237, 30},
      {9, kOldAgeCount, 62, 62, 33512, 0},
      {10, 0x0013, 100, 100, 0, 97},
      {12, kOldAgeCount, 96, 96, 4498, 20},
      {194, kOldAgeOnline, 41, 52, PackedTemperatureRaw(41, 15, 52), 0},
      {195, 0x001A, 62, 48, 7731, 0},
      {197, 0x0012, 97, 97, 42, 0},
      {198, kFlagEventCount, 97, 97, 42, 0},
      {199, kCrcCount, 200, 200, 0, 0},
      {200, 0x0000, 100, 253, 0, 0},
      {202, kOldAgeCount, 100, 253, 0, 0},
  };
  for (const AttributeValues& attribute : attributes) AddAttribute(image, attribute);
  SetSmartStatus(image, {.revision = 0x000A,
                         .offline_status = kOfflineCompletedAuto,
                         .self_test_status = kReadFailure80,
                         .offline_seconds = 4380,
                         .offline_capability = kCapabilityNoConveyance,
                         .smart_capability = kSavesWithTimer,
                         .error_logging = kErrorLoggingSupported,
                         .short_minutes = 2,
                         .extended_minutes = 80});
  AddSelfTestEntry(image.self_test_log, {kExtendedSelfTestOffline, kCompleted, 31877});
  AddSelfTestEntry(image.self_test_log,
                   {kShortSelfTestOffline, kReadFailure80, 33490, 1, 117829341});

  image.vendor = "ATA";
  image.product = "KESTREL HD250PA";
  image.revision = "KP3.12A1";
  image.serial = "KP1A0T3M88214";
  image.bus_type = BusType::Ata;
  SealDriveImage(image);
  return image;
}

// A 480 GB SSD in a USB enclosure: the bridge passes only SAT commands through, and the storage
// stack names the bridge, not the drive.
DriveImage UsbBridgedSsd() {
  DriveImage image;
  Sector& id = image.identify;
  SetIdentifyTexts(id, "KESTREL SD480M", "KS1M0B6Q", "S3KM48T0219551");
  SetIdentifyCapacity(id, 937703088);
  SetAtaTimings(id);
  SetIdentifyWords(id, {{kGeneralConfiguration, 0x0040},
                        {kBufferSize, 0x0000},
                        {kQueueDepth, 0x001F},
                        {kSataCapabilities, 0x070E},
                        {kSataAdditionalCapabilities, 0x0006},
                        {kSataFeaturesSupported, 0x014C},  // device sleep
                        {kSataFeaturesEnabled, 0x0040},
                        {kMajorVersion, 0x07F0},  // ATA/ATAPI-4 to ACS-3
                        {kMinorVersion, 0x006D},
                        {kCommandSetSupported1, 0x746B},
                        {kCommandSetSupported2, 0x7509},  // APM, 48-bit LBA
                        {kCommandSetSupportedExt, 0x4163},
                        {kCommandSetEnabled1, 0x7469},
                        {kCommandSetEnabled2, 0xB409},  // APM on
                        {kCommandSetDefault, 0x4163},
                        {kUltraDma, 0x407F},
                        {kSectorSize, 0x4000},
                        {kFormFactor, 0x0003},         // 2.5 inch
                        {kDataSetManagement, 0x0001},  // TRIM
                        {kRotationRate, 0x0001},       // non-rotating medium
                        {kTransportVersion, 0x107F}});

  const AttributeValues attributes[] = {
      {5, kPreFailCount, 100, 100, 0, 10},
      {9, kOldAgeCount, 99, 99, 4120, 0},
      {12, kOldAgeCount, 99, 99, 1187, 0},
      {171, kOldAgeCount, 100, 100, 0, 0},
      {172, kOldAgeCount, 100, 100, 0, 0},
      {173, kPreFailCount, 96, 96, 118, 5},
      {174, kOldAgeCount, 100, 100, 37, 0},
      {177, 0x0013, 97, 97, 58, 0},
      {183, kOldAgeCount, 100, 100, 0, 0},
      {187, kOldAgeCount, 100, 100, 0, 0},
      {194, kOldAgeOnline, 67, 55, PackedTemperatureRaw(33, 21, 45), 0},
      {199, kCrcCount, 100, 100, 0, 0},
      {233, kOldAgeCount, 97, 97, 0, 0},
      {241, kOldAgeCount, 99, 99, 13428871245, 0},
  };
  for (const AttributeValues& attribute : attributes) AddAttribute(image, attribute);
  SetSmartStatus(image, {.revision = 0x0001,
                         .offline_status = kOfflineNeverStarted,
                         .self_test_status = kCompleted,
                         .offline_capability = kCapabilitySsd,
                         .smart_capability = kSavesWithTimer,
                         .error_logging = kErrorLoggingSupported,
                         .short_minutes = 2,
                         .extended_minutes = 10});

  image.vendor = "Plover";
  image.product = "USB3 SATA Bridge";
  image.revision = "0204";
  image.serial = "PLV0A1B2C3D4E5";
  image.bus_type = BusType::Usb;
  // Its Device Statistics (the general, temperature and solid-state pages) and SCT status, which
  // the Statistics view shows beside the decode of attribute 194's packed temperatures.
  using namespace device_statistics;
  SetDeviceStatistic(image, kGeneralPage, kPowerOnResets, 1187);
  SetDeviceStatistic(image, kGeneralPage, kPowerOnHours, 4120);
  SetDeviceStatistic(image, kGeneralPage, kLogicalSectorsWritten, 13428871245);
  SetDeviceStatistic(image, kGeneralPage, kLogicalSectorsRead, 20813274108);
  SetDeviceStatistic(image, kTemperaturePage, kCurrentTemperature, 33);
  SetDeviceStatistic(image, kTemperaturePage, kHighestTemperature, 45);
  SetDeviceStatistic(image, kTemperaturePage, kLowestTemperature, 21);
  SetDeviceStatistic(image, kTemperaturePage, kTimeOverTemperature, 0);
  SetDeviceStatistic(image, kTemperaturePage, kMaxOperatingTemperature, 70);
  SetDeviceStatistic(image, kSolidStatePage, kPercentageUsed, 3);
  SetSctStatus(image, {.current = 33,
                       .power_cycle_lowest = 24,
                       .power_cycle_highest = 38,
                       .lifetime_lowest = 21,
                       .lifetime_highest = 45});
  SealDriveLogs(image);
  SealDriveImage(image);
  return image;
}

// A 1 TB 5400 rpm disk with sectors waiting to be remapped: the current pending sector count is
// not zero, though no normalised value has reached its threshold.
DriveImage PendingSectorDisk() {
  return KestrelDesktopDisk({.model = "KESTREL HD1000S",
                             .firmware = "01.01A01",
                             .serial = "KD1S27C44019",
                             .sectors = 1953525168,
                             .words = {{kGeneralConfiguration, 0x427A},
                                       {kSataCapabilities, 0x0506},  // 1.5 and 3 Gb/s, NCQ
                                       {kSataAdditionalCapabilities, 0x0004},  // running at 3 Gb/s
                                       {kSataFeaturesSupported, 0x0044},
                                       {kMajorVersion, 0x01F0},  // ATA/ATAPI-4 to ATA8-ACS
                                       {kMinorVersion, 0x0029},
                                       {kCommandSetEnabled2, 0xBC41},  // AAM off
                                       {kAcousticManagement, 0x8080},
                                       {kRotationRate, 5400},
                                       {kTransportVersion, 0x101F}},
                             .readings = {{1, 200, 200, 24},
                                          {3, 178, 175, 6083},
                                          {4, 100, 100, 1024},
                                          {9, 71, 71, 21514},
                                          {12, 100, 100, 1011},
                                          {192, 200, 200, 612},
                                          {193, 200, 200, 411},
                                          {194, 110, 101, PackedTemperatureRaw(37, 17, 46)},
                                          {197, 200, 200, 8}},
                             .offline_seconds = 19800,
                             .extended_minutes = 276,
                             .log = {{kShortSelfTestOffline, kCompleted, 20930},
                                     {kExtendedSelfTestOffline, kAbortedByHost40, 21002},
                                     {kShortSelfTestOffline, kCompleted, 21488}}});
}

// A 4 TB archive disk that spends its days spun down: it is in standby when the bay starts, and
// stays so until a command other than CHECK POWER MODE reaches it.
DriveImage SleepingArchiveDisk() {
  return KestrelDesktopDisk({.model = "KESTREL HD4000A",
                             .firmware = "02.01A02",
                             .serial = "KD4A90B21566",
                             .sectors = 7814037168,
                             .words = {{kGeneralConfiguration, 0x0C5A},
                                       {kSataCapabilities, 0x070E},
                                       {kSataAdditionalCapabilities, 0x0006},
                                       {kSataFeaturesSupported, 0x004C},
                                       {kMajorVersion, 0x07F0},  // ATA/ATAPI-4 to ACS-3
                                       {kMinorVersion, 0x006D},
                                       {kCommandSetEnabled2, 0xBC41},
                                       {kSectorSize, 0x6003},
                                       {kRotationRate, 5400},
                                       {kTransportVersion, 0x107F}},
                             .readings = {{3, 181, 178, 7350},
                                          {4, 100, 100, 412},
                                          {9, 93, 93, 5402},
                                          {12, 100, 100, 398},
                                          {193, 197, 197, 9876},
                                          {194, 122, 110, PackedTemperatureRaw(29, 18, 41)}},
                             .offline_seconds = 36000,
                             .extended_minutes = 498,
                             .log = {{kShortSelfTestOffline, kCompleted, 5390}}});
}

// A USB card reader: the storage stack knows it, but it carries no ATA device, so no IDENTIFY
// reaches anything.
DriveImage CardReader() {
  DriveImage image;
  image.vendor = "Generic-";
  image.product = "SD/MMC Reader";
  image.revision = "1.00";
  image.serial = "058F63666485";
  image.removable = true;
  image.bus_type = BusType::Usb;
  return image;
}

}  // namespace

void AddDemoDrives(SimBay& bay) {
  bay.AddDrive(kDemoHealthyDisk, HealthySataDisk());
  bay.AddDrive(kDemoFailingDisk, FailingParallelDisk(),
               {.answers_ata_pass_through = false, .answers_sat = false});
  bay.AddDrive(kDemoUsbSsd, UsbBridgedSsd(),
               {.answers_ata_pass_through = false, .answers_legacy = false});
  bay.AddDrive(kDemoPendingSectors, PendingSectorDisk());
  bay.AddDrive(kDemoCardReader, CardReader(),
               {.answers_ata_pass_through = false, .answers_legacy = false, .answers_sat = false});
  AddDemoNvmeDrives(bay);
  bay.AddDrive(kDemoSleepingDisk, SleepingArchiveDisk()).standby = true;
  bay.AddDrive(kDemoSasHdd, SasHddImage());
  bay.AddDrive(kDemoSasSsd, SasSsdImage());
  AddDemoUsbNvmeDrives(bay);
}

}  // namespace kestrine
