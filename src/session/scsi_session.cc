#include "scsi_session.h"

#include <algorithm>
#include <array>

#include "scsi_commands.h"
#include "scsi_health.h"
#include "scsi_layout.h"
#include "storage_bus.h"

namespace kestrine {

bool IsScsiBus(std::string_view bus_type) {
  constexpr std::array<BusType, 5> kScsiBuses = {BusType::Scsi, BusType::Fibre, BusType::Raid,
                                                 BusType::Iscsi, BusType::Sas};
  return std::ranges::any_of(
      kScsiBuses, [&](BusType bus) { return kBusTypeNames[BusTypeValue(bus)] == bus_type; });
}

std::optional<DriveReading> ProbeScsi(SmartDrv& drive_layer, DeviceHandle handle,
                                      Byte drive_number) {
  // One INQUIRY first: a disk that does not answer it, or an ATA disk, gets nothing more.
  const ScsiOutcome inquiry = SendScsiCommand(drive_layer.Port(), handle,
                                              InquiryCdb(std::nullopt, scsi_size::kStandardInquiry),
                                              scsi_size::kStandardInquiry);
  if (!inquiry.Good()) return std::nullopt;
  const std::optional<ScsiInquiry> data = DecodeStandardInquiry(inquiry.data);
  if (!data || InquiryNamesAtaDisk(ScsiHealth{.inquiry = data})) return std::nullopt;
  DriveReading reading =
      ScsiReadingFromBlocks(ReadScsiBlocks(drive_layer.Port(), handle), drive_number);
  if (!reading.parts.identity) return std::nullopt;
  drive_layer.Tables().Family[drive_number] = CommandFamily::Scsi;
  return reading;
}

bool ScsiListsSelfTestLog(const DriveReading& reading) {
  const ScsiPart* part = std::get_if<ScsiPart>(&reading.part);
  if (part == nullptr) return false;
  const auto supported = part->blocks.log.find(scsi_log::kSupportedPages);
  if (supported == part->blocks.log.end()) return false;
  const std::optional<std::vector<Byte>> pages = DecodeSupportedLogPages(supported->second);
  return pages && std::ranges::find(*pages, scsi_log::kSelfTestResults) != pages->end();
}

}  // namespace kestrine
