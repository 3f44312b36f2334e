#include "scsi_commands.h"

#include <algorithm>

#include "sat_pass_through_block.h"
#include "scsi_layout.h"
#include "scsi_pages.h"
#include "scsi_pass_through_block.h"

namespace kestrine {

namespace {

// The reply's data when the command succeeded.
std::optional<std::vector<Byte>> DataOf(ScsiOutcome outcome) {
  if (!outcome.Good()) return std::nullopt;
  return std::move(outcome.data);
}

// A log page: asked for with a buffer that holds most pages whole, and asked again with its own
// length when its header says it is longer.
std::optional<std::vector<Byte>> ReadLogPage(DevicePort& port, DeviceHandle handle, Byte page) {
  std::optional<std::vector<Byte>> data = DataOf(SendScsiCommand(
      port, handle, LogSenseCdb(page, 0, scsi_size::kLogPageFirst), scsi_size::kLogPageFirst));
  if (!data || data->size() < scsi_log::kHeaderSize) return data;
  const std::size_t whole = std::min<std::size_t>(
      ReadBe16(*data, scsi_log::kPageLength) + scsi_log::kHeaderSize, scsi_size::kLogPage);
  if (whole <= data->size() || data->size() < scsi_size::kLogPageFirst) return data;
  const auto length = static_cast<std::uint16_t>(whole);
  return DataOf(SendScsiCommand(port, handle, LogSenseCdb(page, 0, length), length));
}

bool Listed(const std::optional<std::vector<Byte>>& list, Byte code) {
  return list && std::find(list->begin(), list->end(), code) != list->end();
}

}  // namespace

ScsiOutcome SendScsiCommand(DevicePort& port, DeviceHandle handle, const ScsiCdb& cdb,
                            std::uint32_t data_in) {
  ScsiOutcome outcome;
  if (!ScsiCdbAllowed(cdb.View())) return outcome;
  const ScsiCommand command = DataInCommand(cdb, data_in);
  std::vector<Byte> block = BuildScsiPassThroughBlock(command, sat_block::kTimeOutSeconds);
  if (block.empty()) return outcome;
  std::uint32_t returned = 0;
  if (!port.Control(handle, kIoctlScsiPassThrough,
                    std::span<const Byte>(block.data(), ScsiPassThroughInSize(command)), block,
                    returned)) {
    return outcome;
  }
  // What the port says it returned bounds what is read of the block.
  const std::optional<ScsiPassThroughReply> reply = ReadScsiPassThroughBlock(
      std::span<const Byte>(block.data(), std::min<std::size_t>(returned, block.size())));
  if (!reply) return outcome;
  outcome.carried = true;
  outcome.status = reply->status;
  if (reply->status == scsi::kStatusCheckCondition) outcome.sense = ParseSense(reply->sense);
  outcome.data.assign(reply->data.begin(), reply->data.end());
  return outcome;
}

ScsiBlocks ReadScsiBlocks(DevicePort& port, DeviceHandle handle) {
  ScsiBlocks blocks;
  auto read = [&](const ScsiCdb& cdb, std::uint32_t length) {
    return DataOf(SendScsiCommand(port, handle, cdb, length));
  };
  blocks.inquiry =
      read(InquiryCdb(std::nullopt, scsi_size::kStandardInquiry), scsi_size::kStandardInquiry);
  if (!blocks.inquiry) return blocks;
  const std::optional<std::vector<Byte>> vpd_pages =
      read(InquiryCdb(scsi_vpd::kSupportedPages, scsi_size::kVpdPage), scsi_size::kVpdPage);
  if (vpd_pages) {
    blocks.vpd[scsi_vpd::kSupportedPages] = *vpd_pages;
    const std::optional<std::vector<Byte>> listed = DecodeVpdPageList(*vpd_pages);
    for (const Byte page : {scsi_vpd::kUnitSerialNumber, scsi_vpd::kDeviceIdentification,
                            scsi_vpd::kBlockCharacteristics}) {
      if (!Listed(listed, page)) continue;
      if (auto data = read(InquiryCdb(page, scsi_size::kVpdPage), scsi_size::kVpdPage)) {
        blocks.vpd[page] = std::move(*data);
      }
    }
  }
  blocks.capacity16 = read(ReadCapacity16Cdb(), scsi_size::kReadCapacity16);
  if (!blocks.capacity16 || !DecodeReadCapacity16(*blocks.capacity16)) {
    blocks.capacity10 = read(ReadCapacity10Cdb(), scsi_size::kReadCapacity10);
  }
  std::optional<std::vector<Byte>> log_pages;
  if (auto data = ReadLogPage(port, handle, scsi_log::kSupportedPages)) {
    log_pages = DecodeSupportedLogPages(*data);
    blocks.log[scsi_log::kSupportedPages] = std::move(*data);
  }
  for (const Byte page : kScsiHealthLogPages) {
    if (!Listed(log_pages, page)) continue;
    if (auto data = ReadLogPage(port, handle, page)) {
      blocks.log[page] = std::move(*data);
    }
  }
  blocks.ie_mode =
      read(ModeSense10Cdb(scsi_mode::kInformationalExceptionsControl), scsi_size::kModePage);
  blocks.defects12 = read(ReadDefectData12Cdb(), scsi_size::kDefectHeader12);
  if (!blocks.defects12) {
    blocks.defects10 = read(ReadDefectData10Cdb(), scsi_size::kDefectHeader10);
  }
  if (!Listed(log_pages, scsi_log::kInformationalExceptions)) {
    const ScsiOutcome sense =
        SendScsiCommand(port, handle, RequestSenseCdb(), scsi_size::kRequestSense);
    if (sense.Good()) blocks.request_sense = ParseSense(sense.data);
  }
  return blocks;
}

bool StartScsiSelfTest(DevicePort& port, DeviceHandle handle, ScsiSelfTest test) {
  return SendScsiCommand(port, handle, SendDiagnosticCdb(test), 0).Good();
}

}  // namespace kestrine
