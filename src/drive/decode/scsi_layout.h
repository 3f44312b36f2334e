// Where the fields of the data SCSI devices answer with lie: the INQUIRY data and VPD pages, READ
// CAPACITY data, log pages and their parameters, the informational exceptions control mode page
// and the defect list header, as SPC-4 and SBC-3 lay them out. Multi-byte fields are big-endian.
#pragma once

#include <cstddef>
#include <cstdint>

#include "big_endian.h"
#include "bytes.h"

namespace kestrine {

namespace scsi_inquiry {
inline constexpr std::size_t kPeripheral = 0;  // qualifier 7:5, device type 4:0
inline constexpr Byte kDeviceTypeMask = 0x1F;
inline constexpr int kQualifierShift = 5;
inline constexpr std::size_t kRemovable = 1;  // RMB, bit 7
inline constexpr Byte kRemovableBit = 0x80;
inline constexpr std::size_t kVersion = 2;
inline constexpr std::size_t kVendor = 8;
inline constexpr std::size_t kVendorSize = 8;
inline constexpr std::size_t kProduct = 16;
inline constexpr std::size_t kProductSize = 16;
inline constexpr std::size_t kRevision = 32;
inline constexpr std::size_t kRevisionSize = 4;
inline constexpr std::size_t kMinimumSize = 36;
inline constexpr Byte kDirectAccessBlockDevice = 0x00;
}  // namespace scsi_inquiry
static_assert(scsi_inquiry::kRevision + scsi_inquiry::kRevisionSize == scsi_inquiry::kMinimumSize);

// VPD pages: the page code in byte 1, the page length in 2-3, the page from byte 4.
namespace scsi_vpd {
inline constexpr std::size_t kPageCode = 1;
inline constexpr std::size_t kPageLength = 2;
inline constexpr std::size_t kHeaderSize = 4;
inline constexpr Byte kSupportedPages = 0x00;
inline constexpr Byte kUnitSerialNumber = 0x80;
inline constexpr Byte kDeviceIdentification = 0x83;
inline constexpr Byte kBlockCharacteristics = 0xB1;
// A designation descriptor of page 83h: code set in byte 0, association and designator type in
// byte 1, the designator's length in byte 3, the designator from byte 4.
inline constexpr std::size_t kDesignatorKind = 1;
inline constexpr Byte kAssociationMask = 0x30;  // 00b: the logical unit
inline constexpr Byte kDesignatorTypeMask = 0x0F;
inline constexpr Byte kDesignatorEui64 = 0x2;
inline constexpr Byte kDesignatorNaa = 0x3;
inline constexpr std::size_t kDesignatorLength = 3;
inline constexpr std::size_t kDesignatorHeaderSize = 4;
// Page B1h: the medium rotation rate in 4-5, the nominal form factor in bits 3:0 of byte 7.
inline constexpr std::size_t kRotationRate = 4;
inline constexpr std::size_t kFormFactor = 7;
inline constexpr Byte kFormFactorMask = 0x0F;
inline constexpr std::size_t kBlockCharacteristicsMinimum = 8;
inline constexpr std::uint16_t kNonRotating = 0x0001;
}  // namespace scsi_vpd

namespace scsi_capacity {
inline constexpr std::size_t kLastLba10 = 0;      // u32
inline constexpr std::size_t kBlockLength10 = 4;  // u32
inline constexpr std::size_t kSize10 = 8;
inline constexpr std::size_t kLastLba16 = 0;      // u64
inline constexpr std::size_t kBlockLength16 = 8;  // u32
inline constexpr std::size_t kSize16 = 12;        // the fields read of the 32-byte data
inline constexpr std::uint32_t kLastLba10TooLarge = 0xFFFFFFFF;  // ask READ CAPACITY (16)
}  // namespace scsi_capacity

// Log pages: DS, SPF and the page code in byte 0, the subpage in byte 1, the page length in 2-3;
// each parameter: its code in 0-1, control in 2, its length in 3, the value from byte 4.
namespace scsi_log {
inline constexpr std::size_t kPageCode = 0;
inline constexpr Byte kPageCodeMask = 0x3F;
inline constexpr std::size_t kSubpage = 1;
inline constexpr std::size_t kPageLength = 2;
inline constexpr std::size_t kHeaderSize = 4;
inline constexpr std::size_t kParameterCode = 0;
inline constexpr std::size_t kParameterLength = 3;
inline constexpr std::size_t kParameterHeaderSize = 4;

inline constexpr Byte kSupportedPages = 0x00;
inline constexpr Byte kWriteErrors = 0x02;
inline constexpr Byte kReadErrors = 0x03;
inline constexpr Byte kVerifyErrors = 0x05;
inline constexpr Byte kNonMediumErrors = 0x06;
inline constexpr Byte kTemperature = 0x0D;
inline constexpr Byte kStartStopCycles = 0x0E;
inline constexpr Byte kSelfTestResults = 0x10;
inline constexpr Byte kSolidStateMedia = 0x11;
inline constexpr Byte kBackgroundScan = 0x15;
inline constexpr Byte kInformationalExceptions = 0x2F;

// Error counter pages: parameters 0000h-0006h; 0003h counts the errors corrected, 0005h the
// bytes processed, 0006h the uncorrected errors.
inline constexpr std::size_t kErrorCounterCount = 7;
inline constexpr std::uint16_t kTotalCorrected = 0x0003;
inline constexpr std::uint16_t kTotalBytesProcessed = 0x0005;
inline constexpr std::uint16_t kTotalUncorrected = 0x0006;
// Temperature: the temperature in byte 5 of parameters 0000h (current) and 0001h (reference);
// FFh: not available.
inline constexpr std::uint16_t kCurrentTemperature = 0x0000;
inline constexpr std::uint16_t kReferenceTemperature = 0x0001;
inline constexpr std::size_t kTemperatureValue = 1;  // within the value
inline constexpr Byte kTemperatureNotAvailable = 0xFF;
// Start-stop cycle counter: four-byte counts.
inline constexpr std::uint16_t kSpecifiedCycles = 0x0003;
inline constexpr std::uint16_t kAccumulatedCycles = 0x0004;
inline constexpr std::uint16_t kSpecifiedLoadUnload = 0x0005;
inline constexpr std::uint16_t kAccumulatedLoadUnload = 0x0006;
// Self-test results: 20 parameters, 0001h-0014h, 16 value bytes each.
inline constexpr std::size_t kSelfTestEntries = 20;
inline constexpr std::size_t kSelfTestValueSize = 16;
inline constexpr std::size_t kSelfTestCodeAndResult = 0;  // code 7:5, result 3:0
inline constexpr int kSelfTestCodeShift = 5;
inline constexpr Byte kSelfTestResultMask = 0x0F;
inline constexpr Byte kSelfTestInProgress = 0x0F;  // the result of a test under way
inline constexpr std::size_t kSelfTestNumber = 1;
inline constexpr std::size_t kSelfTestHours = 2;       // u16
inline constexpr std::size_t kSelfTestFailureLba = 4;  // u64
inline constexpr std::size_t kSelfTestSenseKey = 12;   // bits 3:0
inline constexpr std::size_t kSelfTestAsc = 13;
inline constexpr std::size_t kSelfTestAscq = 14;
// Solid state media: parameter 0001h, the percentage used in the value's byte 3.
inline constexpr std::uint16_t kEnduranceIndicator = 0x0001;
inline constexpr std::size_t kEnduranceValue = 3;
// Background scan results: parameter 0000h is the status; 0001h-0800h are medium scan entries.
inline constexpr std::uint16_t kBackgroundScanStatus = 0x0000;
inline constexpr std::size_t kScanPowerOnMinutes = 0;  // u32
inline constexpr std::size_t kScanStatus = 5;
inline constexpr std::size_t kScansPerformed = 6;         // u16
inline constexpr std::size_t kScanProgress = 8;           // u16, of 65536
inline constexpr std::size_t kMediumScansPerformed = 10;  // u16
inline constexpr std::size_t kScanStatusSize = 12;
inline constexpr std::uint16_t kFirstMediumScanEntry = 0x0001;
inline constexpr std::uint16_t kLastMediumScanEntry = 0x0800;
// Informational exceptions: parameter 0000h, ASC, ASCQ and the most recent temperature.
inline constexpr std::uint16_t kInformationalException = 0x0000;
inline constexpr std::size_t kIeAsc = 0;
inline constexpr std::size_t kIeAscq = 1;
inline constexpr std::size_t kIeTemperature = 2;
}  // namespace scsi_log

// MODE SENSE (10) data: the mode data length in 0-1 (the bytes after it), the block descriptor
// length in 6-7; the page follows the header and the descriptors: its code in byte 0, its length
// in 1. The informational exceptions control page 1Ch: DEXCPT and TEST in byte 2, MRIE in byte 3.
namespace scsi_mode {
inline constexpr std::size_t kDataLength = 0;
inline constexpr std::size_t kBlockDescriptorLength = 6;
inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::size_t kPageCode = 0;
inline constexpr std::size_t kPageLength = 1;
inline constexpr Byte kInformationalExceptionsControl = 0x1C;
inline constexpr std::size_t kIeFlags = 2;
inline constexpr Byte kDexcpt = 0x08;
inline constexpr Byte kTest = 0x04;
inline constexpr std::size_t kMrie = 3;
inline constexpr Byte kMrieMask = 0x0F;
}  // namespace scsi_mode

// READ DEFECT DATA: PLISTV, GLISTV and the list format in byte 1; the list's length in bytes in
// 2-3 of the (10) header, 4-7 of the (12) header.
namespace scsi_defect {
inline constexpr std::size_t kFlags = 1;
inline constexpr Byte kListsMask = 0x18;
inline constexpr Byte kGrownListValid = 0x08;
inline constexpr Byte kFormatMask = 0x07;
inline constexpr std::size_t kLength10 = 2;
inline constexpr std::size_t kHeaderSize10 = 4;
inline constexpr std::size_t kLength12 = 4;
inline constexpr std::size_t kHeaderSize12 = 8;
}  // namespace scsi_defect

}  // namespace kestrine
