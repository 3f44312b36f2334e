// The SCSI command blocks the SCSI family sends, one builder each, and the fixed list of the
// operation codes it may send at all: read-only probing (INQUIRY, READ CAPACITY, LOG SENSE, MODE
// SENSE, READ DEFECT DATA, REQUEST SENSE) and SEND DIAGNOSTIC only for a self-test the user
// started. Multi-byte fields are big-endian, as SPC-4 and SBC-3 lay them out.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "big_endian.h"
#include "bytes.h"

namespace kestrine {

// A command block of 6, 10, 12 or 16 bytes; bytes past `length` are zero.
struct ScsiCdb {
  std::array<Byte, 16> bytes{};
  Byte length = 0;
  std::span<const Byte> View() const { return std::span<const Byte>(bytes.data(), length); }
  bool operator==(const ScsiCdb&) const = default;
};

namespace scsi_op {
inline constexpr Byte kRequestSense = 0x03;
inline constexpr Byte kInquiry = 0x12;
inline constexpr Byte kSendDiagnostic = 0x1D;
inline constexpr Byte kReadCapacity10 = 0x25;
inline constexpr Byte kReadDefectData10 = 0x37;
inline constexpr Byte kLogSense = 0x4D;
inline constexpr Byte kModeSense10 = 0x5A;
inline constexpr Byte kServiceActionIn16 = 0x9E;  // READ CAPACITY (16) is its action 10h
inline constexpr Byte kReadDefectData12 = 0xB7;
inline constexpr Byte kReadCapacity16Action = 0x10;
}  // namespace scsi_op

// Every operation code the SCSI family sends. A block with any other code is never sent.
inline constexpr std::array<Byte, 9> kScsiFamilyOpcodes{
    scsi_op::kRequestSense,   scsi_op::kInquiry,           scsi_op::kSendDiagnostic,
    scsi_op::kReadCapacity10, scsi_op::kReadDefectData10,  scsi_op::kLogSense,
    scsi_op::kModeSense10,    scsi_op::kServiceActionIn16, scsi_op::kReadDefectData12};

// Field offsets, by command.
namespace scsi_cdb {
inline constexpr std::size_t kOpcode = 0;
inline constexpr Byte kLength6 = 6;
inline constexpr Byte kLength10 = 10;
inline constexpr Byte kLength12 = 12;
inline constexpr Byte kLength16 = 16;
// INQUIRY (6): EVPD in byte 1, the VPD page code, a 16-bit allocation length.
inline constexpr std::size_t kInquiryFlags = 1;
inline constexpr Byte kInquiryEvpd = 0x01;
inline constexpr std::size_t kInquiryPage = 2;
inline constexpr std::size_t kInquiryAllocation = 3;
// READ CAPACITY (16): the service action in byte 1, a 32-bit allocation length.
inline constexpr std::size_t kServiceAction = 1;
inline constexpr std::size_t kReadCapacity16Allocation = 10;
// LOG SENSE (10): PC in bits 7:6 and the page code in 5:0 of byte 2, the subpage in byte 3, the
// parameter pointer in 5-6, the allocation length in 7-8.
inline constexpr std::size_t kLogPageControl = 2;
inline constexpr std::size_t kLogSubpage = 3;
inline constexpr std::size_t kLogParameterPointer = 5;
inline constexpr std::size_t kLogAllocation = 7;
inline constexpr Byte kPageControlCumulative = 0x40;  // PC = 01b: cumulative values
inline constexpr Byte kPageCodeMask = 0x3F;
// MODE SENSE (10): DBD in byte 1, PC and the page code in byte 2, the allocation length in 7-8.
inline constexpr std::size_t kModeFlags = 1;
inline constexpr Byte kModeDisableBlockDescriptors = 0x08;
inline constexpr std::size_t kModePage = 2;
inline constexpr std::size_t kModeAllocation = 7;
// READ DEFECT DATA: REQ_PLIST, REQ_GLIST and the list format in byte 2 of the (10) and byte 1
// of the (12); the allocation length in 7-8 of the (10) and 6-9 of the (12).
inline constexpr std::size_t kDefect10Flags = 2;
inline constexpr std::size_t kDefect10Allocation = 7;
inline constexpr std::size_t kDefect12Flags = 1;
inline constexpr std::size_t kDefect12Allocation = 6;
inline constexpr Byte kRequestGrownList = 0x08;
inline constexpr Byte kDefectFormatBytesFromIndex = 0x04;
// SEND DIAGNOSTIC (6): the SELF-TEST CODE in bits 7:5 of byte 1.
inline constexpr std::size_t kDiagnosticFlags = 1;
inline constexpr int kSelfTestCodeShift = 5;
inline constexpr std::size_t kDiagnosticParameterLength = 3;  // 16 bits
// REQUEST SENSE (6): the allocation length in byte 4 (DESC clear: fixed-format sense data).
inline constexpr std::size_t kRequestSenseAllocation = 4;
}  // namespace scsi_cdb

// The replies' sizes the family asks for.
namespace scsi_size {
inline constexpr std::uint16_t kStandardInquiry = 96;
inline constexpr std::uint16_t kVpdPage = 252;
inline constexpr std::uint32_t kReadCapacity10 = 8;
inline constexpr std::uint32_t kReadCapacity16 = 32;
// A log page is asked for with kLogPageFirst bytes, and again whole when it is longer.
inline constexpr std::uint16_t kLogPageFirst = 1024;
inline constexpr std::uint16_t kLogPage = 0xFFFC;  // the most a page can hold, header included
inline constexpr std::uint16_t kModePage = 252;
inline constexpr std::uint16_t kDefectHeader10 = 4;
inline constexpr std::uint32_t kDefectHeader12 = 8;
inline constexpr Byte kRequestSense = 252;
}  // namespace scsi_size

static_assert(kScsiFamilyOpcodes.size() == 9);
static_assert(scsi_op::kReadCapacity16Action == 0x10 && scsi_op::kServiceActionIn16 == 0x9E);
static_assert((scsi_cdb::kPageControlCumulative >> 6) == 1);
static_assert(scsi_size::kLogPage % 4 == 0);

// The background self-tests SEND DIAGNOSTIC starts, and the abort of the one under way.
enum class ScsiSelfTest : Byte { BackgroundShort = 1, BackgroundExtended = 2, AbortBackground = 4 };

// The standard INQUIRY data, or the VPD page `page` (EVPD set).
ScsiCdb InquiryCdb(std::optional<Byte> vpd_page, std::uint16_t allocation);
ScsiCdb ReadCapacity10Cdb();
ScsiCdb ReadCapacity16Cdb(std::uint32_t allocation = scsi_size::kReadCapacity16);
// The cumulative values (PC 01b) of a log page, from its first parameter.
ScsiCdb LogSenseCdb(Byte page, Byte subpage, std::uint16_t allocation);
// The current values of a mode page, without block descriptors.
ScsiCdb ModeSense10Cdb(Byte page, std::uint16_t allocation = scsi_size::kModePage);
// The grown defect list's header only (the bytes-from-index format asked; the drive may answer
// in another).
ScsiCdb ReadDefectData10Cdb(std::uint16_t allocation = scsi_size::kDefectHeader10);
ScsiCdb ReadDefectData12Cdb(std::uint32_t allocation = scsi_size::kDefectHeader12);
ScsiCdb SendDiagnosticCdb(ScsiSelfTest test);
ScsiCdb RequestSenseCdb(Byte allocation = scsi_size::kRequestSense);

// Whether the family may send a block: an operation code in kScsiFamilyOpcodes, of its length,
// and for SEND DIAGNOSTIC only one of the three self-test codes with no parameter list.
bool ScsiCdbAllowed(std::span<const Byte> cdb);

}  // namespace kestrine
