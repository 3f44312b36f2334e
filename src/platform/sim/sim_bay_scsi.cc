// The bay's SAS and SCSI disks: each SCSI command of a pass-through block answered from the
// disk's image as the disk would, and every other command (ATA PASS-THROUGH among them) refused
// as an unknown operation code.
#include <algorithm>

#include "pass_through_request.h"
#include "sat_pass_through_block.h"
#include "scsi_cdb.h"
#include "scsi_layout.h"
#include "scsi_pass_through_reply.h"
#include "scsi_sense.h"
#include "sim_bay.h"

namespace kestrine {

namespace {

struct Answer {
  Byte status = scsi::kStatusGood;
  FixedSenseData sense{};
  std::vector<Byte> data;
};

Answer Refused(Byte asc) {
  return Answer{scsi::kStatusCheckCondition, FixedSense(scsi::kSenseIllegalRequest, asc, 0), {}};
}

Answer Data(std::vector<Byte> data) {
  return Answer{scsi::kStatusGood, {}, std::move(data)};
}

// A list page (VPD 00h, log page 00h): the header, then the codes.
std::vector<Byte> ListPage(std::vector<Byte> header, std::size_t length_at,
                           const std::map<Byte, std::vector<Byte>>& pages) {
  header.push_back(0x00);
  for (const auto& [code, page] : pages) header.push_back(code);
  WriteBe16(header, length_at, static_cast<std::uint16_t>(header.size() - 4));
  return header;
}

Answer Inquiry(const ScsiDiskImage& disk, std::span<const Byte> cdb) {
  using namespace scsi_cdb;
  const Byte page = cdb[kInquiryPage];
  if ((cdb[kInquiryFlags] & kInquiryEvpd) == 0) {
    return page == 0 ? Data(disk.inquiry) : Refused(scsi::kAscInvalidFieldInCdb);
  }
  if (page == scsi_vpd::kSupportedPages) {
    return Data(ListPage({0x00, scsi_vpd::kSupportedPages, 0, 0}, scsi_vpd::kPageLength, disk.vpd));
  }
  const auto it = disk.vpd.find(page);
  return it == disk.vpd.end() ? Refused(scsi::kAscInvalidFieldInCdb) : Data(it->second);
}

Answer ReadCapacity(const ScsiDiskImage& disk, bool sixteen) {
  using namespace scsi_capacity;
  std::vector<Byte> data(sixteen ? 32 : kSize10, Byte{0});
  const std::uint64_t last = disk.blocks - 1;
  if (sixteen) {
    WriteBe64(data, kLastLba16, last);
    WriteBe32(data, kBlockLength16, disk.block_length);
  } else {
    WriteBe32(data, kLastLba10,
              static_cast<std::uint32_t>(std::min<std::uint64_t>(last, kLastLba10TooLarge)));
    WriteBe32(data, kBlockLength10, disk.block_length);
  }
  return Data(std::move(data));
}

Answer LogSense(const ScsiDiskImage& disk, std::span<const Byte> cdb) {
  using namespace scsi_cdb;
  const Byte page = cdb[kLogPageControl] & kPageCodeMask;
  // Subpages and a parameter pointer this disk does not have, or a page refused for a test.
  if (cdb[kLogSubpage] != 0 || ReadBe16(cdb, kLogParameterPointer) != 0 ||
      std::count(disk.refused_log_pages.begin(), disk.refused_log_pages.end(), page) != 0) {
    return Refused(scsi::kAscInvalidFieldInCdb);
  }
  if (page == scsi_log::kSupportedPages) {
    return Data(ListPage({scsi_log::kSupportedPages, 0, 0, 0}, scsi_log::kPageLength, disk.log));
  }
  const auto it = disk.log.find(page);
  if (it == disk.log.end()) return Refused(scsi::kAscInvalidFieldInCdb);
  return Data(it->second);
}

Answer ModeSense(const ScsiDiskImage& disk, std::span<const Byte> cdb) {
  using namespace scsi_mode;
  constexpr Byte kAllPages = 0x3F;
  const Byte page = cdb[scsi_cdb::kModePage] & scsi_cdb::kPageCodeMask;
  // Current values only (PC 00b).
  if ((cdb[scsi_cdb::kModePage] & 0xC0) != 0 ||
      (page != kInformationalExceptionsControl && page != kAllPages)) {
    return Refused(scsi::kAscInvalidFieldInCdb);
  }
  std::vector<Byte> data(kHeaderSize, Byte{0});
  data.insert(data.end(), disk.ie_control.begin(), disk.ie_control.end());
  WriteBe16(data, kDataLength, static_cast<std::uint16_t>(data.size() - 2));
  return Data(std::move(data));
}

// The grown list in the bytes-from-index format: cylinder (3 bytes), head, bytes from index.
Answer ReadDefects(const ScsiDiskImage& disk, std::span<const Byte> cdb, bool twelve) {
  using namespace scsi_defect;
  const Byte flags = cdb[twelve ? scsi_cdb::kDefect12Flags : scsi_cdb::kDefect10Flags];
  if ((flags & scsi_cdb::kRequestGrownList) == 0) return Refused(scsi::kAscInvalidFieldInCdb);
  constexpr std::uint32_t kDescriptor = 8;
  const std::size_t header = twelve ? kHeaderSize12 : kHeaderSize10;
  const std::uint32_t length = disk.grown_defects * kDescriptor;
  std::vector<Byte> data(header + length, Byte{0});
  data[kFlags] = kGrownListValid | scsi_cdb::kDefectFormatBytesFromIndex;
  if (twelve) {
    WriteBe32(data, kLength12, length);
  } else {
    WriteBe16(data, kLength10, static_cast<std::uint16_t>(length));
  }
  for (std::uint32_t n = 0; n < disk.grown_defects; ++n) {
    WriteBe(data, header + n * kDescriptor, 3, 1000 + 37 * n);
    WriteBe32(data, header + n * kDescriptor + 4, 4096 * n);
  }
  return Data(std::move(data));
}

Answer RequestSense(const ScsiDiskImage& disk) {
  Byte asc = 0;
  Byte ascq = 0;
  using namespace scsi_log;
  constexpr std::size_t kValue = kHeaderSize + kParameterHeaderSize;
  const auto ie = disk.log.find(kInformationalExceptions);
  if (ie != disk.log.end() && ie->second.size() > kValue + kIeAscq) {
    asc = ie->second[kValue + kIeAsc];
    ascq = ie->second[kValue + kIeAscq];
  }
  const FixedSenseData sense = FixedSense(scsi::kSenseNoSense, asc, ascq);
  return Data(std::vector<Byte>(sense.begin(), sense.end()));
}

}  // namespace

bool SimBay::AnswerScsiDisk(SimDrive& drive, const ScsiPassThroughRequest& request,
                            std::span<const Byte> in, std::span<Byte> out,
                            std::uint32_t& bytes_returned) {
  ScsiDiskImage& disk = *drive.image.scsi;
  const std::span<const Byte> cdb(request.cdb.data(), request.cdb_length);
  Answer answer = Refused(scsi::kAscInvalidOpcode);
  switch (cdb[scsi_cdb::kOpcode]) {
    case scsi_op::kInquiry:
      answer = Inquiry(disk, cdb);
      break;
    case scsi_op::kReadCapacity10:
      answer = ReadCapacity(disk, false);
      break;
    case scsi_op::kServiceActionIn16:
      if ((cdb[scsi_cdb::kServiceAction] & 0x1F) == scsi_op::kReadCapacity16Action) {
        answer = ReadCapacity(disk, true);
      }
      break;
    case scsi_op::kLogSense:
      answer = LogSense(disk, cdb);
      break;
    case scsi_op::kModeSense10:
      answer = ModeSense(disk, cdb);
      break;
    case scsi_op::kReadDefectData10:
    case scsi_op::kReadDefectData12:
      answer = ReadDefects(disk, cdb, cdb[scsi_cdb::kOpcode] == scsi_op::kReadDefectData12);
      break;
    case scsi_op::kRequestSense:
      answer = RequestSense(disk);
      break;
    case scsi_op::kSendDiagnostic: {
      const auto code =
          static_cast<Byte>(cdb[scsi_cdb::kDiagnosticFlags] >> scsi_cdb::kSelfTestCodeShift);
      if (code == static_cast<Byte>(ScsiSelfTest::AbortBackground)) {
        answer = Data({});
      } else if (code == static_cast<Byte>(ScsiSelfTest::BackgroundShort) ||
                 code == static_cast<Byte>(ScsiSelfTest::BackgroundExtended)) {
        if (drive.behaviour.aborts_self_test) {
          answer =
              Answer{scsi::kStatusCheckCondition, FixedSense(scsi::kSenseAbortedCommand, 0, 0), {}};
          break;
        }
        // The disk's tests take no time here: the entry is logged as completed at once.
        AddScsiSelfTestEntry(disk.log[scsi_log::kSelfTestResults], code, 0, disk.power_on_hours);
        ++drive.self_tests_started;
        answer = Data({});
      } else {
        answer = Refused(scsi::kAscInvalidFieldInCdb);
      }
      break;
    }
    default:
      break;
  }
  // Data-in only, and never more than the allocation the request gives room for.
  const bool check = answer.status == scsi::kStatusCheckCondition;
  const std::size_t room =
      request.direction == sat_block::kScsiIoctlDataIn ? request.length : std::size_t{0};
  const auto moved = static_cast<std::uint32_t>(std::min(answer.data.size(), room));
  bytes_returned = WriteScsiPassThroughReply(
      in, request, answer.status,
      check ? std::span<const Byte>(answer.sense) : std::span<const Byte>(),
      std::span<const Byte>(answer.data.data(), moved), moved, out);
  return true;
}

}  // namespace kestrine
