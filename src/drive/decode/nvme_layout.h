// The layouts of the blocks an NVMe controller returns: Identify Controller, Identify Namespace,
// the SMART / Health Information log (02h) and the Device Self-test log (06h). Every multi-byte
// field is little-endian. Read by the drive layer and the views, written by the simulated drives.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "bytes.h"

namespace kestrine {

// Identify Controller (CNS 01h), 4096 bytes.
namespace nvme_controller {
inline constexpr std::size_t kSize = 4096;
inline constexpr std::size_t kVendorId = 0;           // u16, PCI vendor
inline constexpr std::size_t kSubsystemVendorId = 2;  // u16
inline constexpr std::size_t kSerialNumber = 4;       // 20 ASCII characters, blank-padded
inline constexpr std::size_t kSerialNumberSize = 20;
inline constexpr std::size_t kModelNumber = 24;  // 40 ASCII characters
inline constexpr std::size_t kModelNumberSize = 40;
inline constexpr std::size_t kFirmwareRevision = 64;  // 8 ASCII characters
inline constexpr std::size_t kFirmwareRevisionSize = 8;
inline constexpr std::size_t kIeeeOui = 73;         // 3 bytes
inline constexpr std::size_t kControllerId = 78;    // u16
inline constexpr std::size_t kVersion = 80;         // u32: major 31:16, minor 15:8, tertiary 7:0
inline constexpr std::size_t kAdminCommands = 256;  // u16, OACS
inline constexpr std::size_t kLogPageAttributes = 261;        // u8, LPA
inline constexpr std::size_t kWarningTemperature = 266;       // u16, WCTEMP, kelvin (0: none)
inline constexpr std::size_t kCriticalTemperature = 268;      // u16, CCTEMP, kelvin (0: none)
inline constexpr std::size_t kTotalCapacity = 280;            // 16 bytes, TNVMCAP
inline constexpr std::size_t kExtendedSelfTestMinutes = 316;  // u16, EDSTT
inline constexpr std::size_t kSelfTestOptions = 318;          // u8, DSTO
inline constexpr std::size_t kNamespaceCount = 516;           // u32, NN
inline constexpr std::size_t kNvmCommands = 520;              // u16, ONCS
inline constexpr std::size_t kFormatAttributes = 524;         // u8, FNA
inline constexpr std::size_t kVolatileWriteCache = 525;       // u8, VWC: bit 0 present
inline constexpr std::size_t kSubsystemNqn = 768;             // 256 bytes

// OACS bits.
inline constexpr int kOacsSecurity = 0;
inline constexpr int kOacsFormatNvm = 1;
inline constexpr int kOacsFirmware = 2;
inline constexpr int kOacsNamespaceManagement = 3;
inline constexpr int kOacsSelfTest = 4;
// ONCS bits.
inline constexpr int kOncsCompare = 0;
inline constexpr int kOncsWriteUncorrectable = 1;
inline constexpr int kOncsDatasetManagement = 2;
inline constexpr int kOncsWriteZeroes = 3;
inline constexpr int kOncsSaveSelect = 4;
inline constexpr int kOncsReservations = 5;
inline constexpr int kOncsTimestamp = 6;
}  // namespace nvme_controller

// Identify Namespace (CNS 00h), 4096 bytes.
namespace nvme_namespace {
inline constexpr std::size_t kSize = 4096;
inline constexpr std::size_t kSizeInBlocks = 0;          // u64, NSZE
inline constexpr std::size_t kCapacityInBlocks = 8;      // u64, NCAP
inline constexpr std::size_t kUtilizationInBlocks = 16;  // u64, NUSE
inline constexpr std::size_t kFeatures = 24;             // u8, NSFEAT
inline constexpr std::size_t kFormatCount = 25;          // u8, NLBAF, 0-based
inline constexpr std::size_t kFormattedLbaSize = 26;     // u8, FLBAS, bits below
// FLBAS: the low four bits of the format index in bits 3:0, its upper two bits (formats 16 to
// 63, NVM Express 2.0) in bits 6:5; bit 4 is the metadata flag.
inline constexpr Byte kFormatIndexLowMask = 0x0F;
inline constexpr Byte kFormatIndexHighMask = 0x60;
inline constexpr int kFormatIndexHighShift = 1;      // bits 6:5 become bits 5:4 of the index
inline constexpr std::size_t kNguid = 104;           // 16 bytes
inline constexpr std::size_t kEui64 = 120;           // 8 bytes
inline constexpr std::size_t kFirstLbaFormat = 128;  // LBA Format 0
inline constexpr std::size_t kLbaFormatSize = 4;
inline constexpr std::size_t kLbaFormatCount = 64;
// LBA Format fields.
inline constexpr std::size_t kMetadataSize = 0;         // u16, MS
inline constexpr std::size_t kLbaDataSizeShift = 2;     // u8, LBADS: block size is 2^LBADS
inline constexpr std::size_t kRelativePerformance = 3;  // u8, RP in bits 1:0
}  // namespace nvme_namespace

// SMART / Health Information log (02h), 512 bytes.
namespace nvme_health {
inline constexpr std::size_t kSize = 512;
inline constexpr std::size_t kCriticalWarning = 0;            // u8, bits below
inline constexpr std::size_t kCompositeTemperature = 1;       // u16, kelvin
inline constexpr std::size_t kAvailableSpare = 3;             // u8, percent
inline constexpr std::size_t kAvailableSpareThreshold = 4;    // u8, percent
inline constexpr std::size_t kPercentageUsed = 5;             // u8, may exceed 100
inline constexpr std::size_t kDataUnitsRead = 32;             // 16 bytes, thousands of 512 bytes
inline constexpr std::size_t kDataUnitsWritten = 48;          // 16 bytes
inline constexpr std::size_t kHostReadCommands = 64;          // 16 bytes
inline constexpr std::size_t kHostWriteCommands = 80;         // 16 bytes
inline constexpr std::size_t kControllerBusyTime = 96;        // 16 bytes, minutes
inline constexpr std::size_t kPowerCycles = 112;              // 16 bytes
inline constexpr std::size_t kPowerOnHours = 128;             // 16 bytes
inline constexpr std::size_t kUnsafeShutdowns = 144;          // 16 bytes
inline constexpr std::size_t kMediaErrors = 160;              // 16 bytes
inline constexpr std::size_t kErrorLogEntries = 176;          // 16 bytes
inline constexpr std::size_t kWarningTemperatureTime = 192;   // u32, minutes
inline constexpr std::size_t kCriticalTemperatureTime = 196;  // u32, minutes
inline constexpr std::size_t kTemperatureSensor1 = 200;       // 8 × u16, kelvin
inline constexpr std::size_t kCounterSize = 16;
// Critical Warning bits.
inline constexpr int kWarningSpareBelowThreshold = 0;
inline constexpr int kWarningTemperature = 1;
inline constexpr int kWarningReliabilityDegraded = 2;
inline constexpr int kWarningReadOnly = 3;
inline constexpr int kWarningBackupFailed = 4;
inline constexpr int kWarningPersistentMemoryReadOnly = 5;
inline constexpr int kWarningBitCount = 6;
// Kelvin of 0 °C, to turn the log's temperatures into degrees Celsius.
inline constexpr int kZeroCelsiusKelvin = 273;
}  // namespace nvme_health

// Device Self-test log (06h): the operation under way and 20 results, newest first.
namespace nvme_self_test_log {
inline constexpr std::size_t kSize = 564;
inline constexpr std::size_t kCurrentOperation = 0;   // u8: bits 3:0, the self-test code
inline constexpr std::size_t kCurrentCompletion = 1;  // u8: bits 6:0, percent complete
inline constexpr Byte kCompletionMask = 0x7F;
inline constexpr std::size_t kFirstResult = 4;
inline constexpr std::size_t kResultSize = 28;
inline constexpr std::size_t kResultCount = 20;
// Result fields.
inline constexpr std::size_t kStatus = 0;            // u8: result in bits 3:0, self-test code 7:4
inline constexpr std::size_t kSegmentNumber = 1;     // u8
inline constexpr std::size_t kValidInformation = 2;  // u8: bits below
inline constexpr std::size_t kPowerOnHours = 4;      // u64
inline constexpr std::size_t kNamespaceId = 12;      // u32
inline constexpr std::size_t kFailingLba = 16;       // u64
inline constexpr std::size_t kStatusCodeType = 24;   // u8
inline constexpr std::size_t kStatusCode = 25;       // u8
inline constexpr std::size_t kVendorSpecific = 26;   // u16
// Valid Diagnostic Information bits.
inline constexpr int kNamespaceIdValid = 0;
inline constexpr int kFailingLbaValid = 1;
inline constexpr int kStatusCodeTypeValid = 2;
inline constexpr int kStatusCodeValid = 3;
// Self-test codes (the operation field and bits 7:4 of a result's status).
inline constexpr Byte kCodeNone = 0x0;
inline constexpr Byte kCodeShort = 0x1;
inline constexpr Byte kCodeExtended = 0x2;
inline constexpr Byte kCodeVendor = 0xE;
// Result codes (bits 3:0 of a result's status).
inline constexpr Byte kResultCompleted = 0x0;
inline constexpr Byte kResultAbortedByCommand = 0x1;
inline constexpr Byte kResultFailedSegments = 0x7;
inline constexpr Byte kResultUnused = 0xF;  // the entry holds no result
static_assert(kFirstResult + kResultCount * kResultSize == kSize);
}  // namespace nvme_self_test_log

using NvmeIdentifyBlock = std::array<Byte, nvme_controller::kSize>;
using NvmeHealthLog = std::array<Byte, nvme_health::kSize>;
using NvmeSelfTestLog = std::array<Byte, nvme_self_test_log::kSize>;
static_assert(nvme_controller::kSize == nvme_namespace::kSize);

// The four blocks an NVMe drive is read by.
struct NvmeBlocks {
  NvmeIdentifyBlock controller{};
  NvmeIdentifyBlock namespace_data{};  // the namespace the drive was opened as
  NvmeHealthLog health{};
  NvmeSelfTestLog self_test_log{};
  bool operator==(const NvmeBlocks&) const = default;
};

}  // namespace kestrine
