#include "scsi_cdb.h"

#include <algorithm>

namespace kestrine {

namespace {

ScsiCdb Block(Byte opcode, Byte length) {
  ScsiCdb cdb;
  cdb.bytes[scsi_cdb::kOpcode] = opcode;
  cdb.length = length;
  return cdb;
}

constexpr Byte CdbLength(Byte opcode) {
  // The group code (bits 7:5) tells the length: 0 six bytes, 1 and 2 ten, 4 sixteen, 5 twelve.
  switch (opcode >> 5) {
    case 0:
      return scsi_cdb::kLength6;
    case 1:
    case 2:
      return scsi_cdb::kLength10;
    case 4:
      return scsi_cdb::kLength16;
    case 5:
      return scsi_cdb::kLength12;
    default:
      return 0;
  }
}
static_assert(CdbLength(scsi_op::kInquiry) == 6 && CdbLength(scsi_op::kLogSense) == 10 &&
              CdbLength(scsi_op::kServiceActionIn16) == 16 &&
              CdbLength(scsi_op::kReadDefectData12) == 12);

}  // namespace

ScsiCdb InquiryCdb(std::optional<Byte> vpd_page, std::uint16_t allocation) {
  using namespace scsi_cdb;
  ScsiCdb cdb = Block(scsi_op::kInquiry, kLength6);
  if (vpd_page) {
    cdb.bytes[kInquiryFlags] = kInquiryEvpd;
    cdb.bytes[kInquiryPage] = *vpd_page;
  }
  WriteBe16(cdb.bytes, kInquiryAllocation, allocation);
  return cdb;
}

ScsiCdb ReadCapacity10Cdb() {
  return Block(scsi_op::kReadCapacity10, scsi_cdb::kLength10);
}

ScsiCdb ReadCapacity16Cdb(std::uint32_t allocation) {
  using namespace scsi_cdb;
  ScsiCdb cdb = Block(scsi_op::kServiceActionIn16, kLength16);
  cdb.bytes[kServiceAction] = scsi_op::kReadCapacity16Action;
  WriteBe32(cdb.bytes, kReadCapacity16Allocation, allocation);
  return cdb;
}

ScsiCdb LogSenseCdb(Byte page, Byte subpage, std::uint16_t allocation) {
  using namespace scsi_cdb;
  ScsiCdb cdb = Block(scsi_op::kLogSense, kLength10);
  cdb.bytes[kLogPageControl] = static_cast<Byte>(kPageControlCumulative | (page & kPageCodeMask));
  cdb.bytes[kLogSubpage] = subpage;
  WriteBe16(cdb.bytes, kLogAllocation, allocation);
  return cdb;
}

ScsiCdb ModeSense10Cdb(Byte page, std::uint16_t allocation) {
  using namespace scsi_cdb;
  ScsiCdb cdb = Block(scsi_op::kModeSense10, kLength10);
  cdb.bytes[kModeFlags] = kModeDisableBlockDescriptors;
  cdb.bytes[kModePage] = page & kPageCodeMask;  // PC 00b: current values
  WriteBe16(cdb.bytes, kModeAllocation, allocation);
  return cdb;
}

ScsiCdb ReadDefectData10Cdb(std::uint16_t allocation) {
  using namespace scsi_cdb;
  ScsiCdb cdb = Block(scsi_op::kReadDefectData10, kLength10);
  cdb.bytes[kDefect10Flags] = kRequestGrownList | kDefectFormatBytesFromIndex;
  WriteBe16(cdb.bytes, kDefect10Allocation, allocation);
  return cdb;
}

ScsiCdb ReadDefectData12Cdb(std::uint32_t allocation) {
  using namespace scsi_cdb;
  ScsiCdb cdb = Block(scsi_op::kReadDefectData12, kLength12);
  cdb.bytes[kDefect12Flags] = kRequestGrownList | kDefectFormatBytesFromIndex;
  WriteBe32(cdb.bytes, kDefect12Allocation, allocation);
  return cdb;
}

ScsiCdb SendDiagnosticCdb(ScsiSelfTest test) {
  using namespace scsi_cdb;
  ScsiCdb cdb = Block(scsi_op::kSendDiagnostic, kLength6);
  cdb.bytes[kDiagnosticFlags] = static_cast<Byte>(static_cast<Byte>(test) << kSelfTestCodeShift);
  return cdb;
}

ScsiCdb RequestSenseCdb(Byte allocation) {
  ScsiCdb cdb = Block(scsi_op::kRequestSense, scsi_cdb::kLength6);
  cdb.bytes[scsi_cdb::kRequestSenseAllocation] = allocation;
  return cdb;
}

bool ScsiCdbAllowed(std::span<const Byte> cdb) {
  if (cdb.empty()) return false;
  const Byte opcode = cdb[scsi_cdb::kOpcode];
  if (std::find(kScsiFamilyOpcodes.begin(), kScsiFamilyOpcodes.end(), opcode) ==
          kScsiFamilyOpcodes.end() ||
      cdb.size() != CdbLength(opcode)) {
    return false;
  }
  if (opcode == scsi_op::kServiceActionIn16) {
    return (cdb[scsi_cdb::kServiceAction] & 0x1F) == scsi_op::kReadCapacity16Action;
  }
  if (opcode != scsi_op::kSendDiagnostic) return true;
  // Nothing but a self-test code: no PF, SELFTEST, DEVOFFL or UNITOFFL, no parameter list.
  const Byte flags = cdb[scsi_cdb::kDiagnosticFlags];
  const auto code = static_cast<Byte>(flags >> scsi_cdb::kSelfTestCodeShift);
  const bool known = code == static_cast<Byte>(ScsiSelfTest::BackgroundShort) ||
                     code == static_cast<Byte>(ScsiSelfTest::BackgroundExtended) ||
                     code == static_cast<Byte>(ScsiSelfTest::AbortBackground);
  return known && (flags & 0x1F) == 0 && ReadBe16(cdb, scsi_cdb::kDiagnosticParameterLength) == 0;
}

}  // namespace kestrine
