// The bay's NVMe drives in USB enclosures: the bridge's side of its vendor SCSI commands, each
// read as the bridge reads it, run on the drive's controller (SimBay::ExecuteNvme). A USB mass
// storage device takes the SCSI pass-through and the storage-property query only; a SCSI
// command that is not the bridge's is refused as an invalid opcode, as a bridge refuses it.
//   JMicron: the command block out (phase 0), then the data in (phase 2) or no data (phase 1)
//     runs the command, then the completion in (phase F) reports its status.
//   ASMedia and Realtek: one CDB runs the command and brings its data; a failed NVMe command
//     ends in CHECK CONDITION.
#include <algorithm>
#include <vector>

#include "pass_through_request.h"
#include "sat_pass_through_block.h"
#include "scsi_pass_through_reply.h"
#include "scsi_sense.h"
#include "sim_bay.h"
#include "storage_descriptor_writer.h"

namespace kestrine {

namespace {

std::uint32_t Be24(std::span<const Byte> bytes, std::size_t offset) {
  return (std::uint32_t{bytes[offset]} << 16) | (std::uint32_t{bytes[offset + 1]} << 8) |
         bytes[offset + 2];
}

}  // namespace

std::optional<UsbId> SimBay::UsbDeviceId(DeviceHandle handle) {
  const auto it = handles_.find(handle);
  SimDrive* drive = it == handles_.end() ? nullptr : FindDrive(it->second.drive);
  return drive != nullptr ? drive->image.usb_id : std::nullopt;
}

bool SimBay::AnswerUsbBridge(SimDrive& drive, Access access, std::uint32_t code,
                             std::span<const Byte> in, std::span<Byte> out,
                             std::uint32_t& bytes_returned) {
  if (code == kIoctlStorageQueryProperty) {
    return drive.behaviour.answers_property_query && IsStandardDevicePropertyQuery(in) &&
           BuildStorageDeviceDescriptor(drive.image, out, bytes_returned);
  }
  if (code != kIoctlScsiPassThrough || access != Access::ReadWrite) return false;
  const std::optional<ScsiPassThroughRequest> request = ReadScsiPassThroughRequest(in, out.size());
  if (!request) return false;
  auto finish = [&](Byte status, std::span<const Byte> sense, std::span<const Byte> data) {
    bytes_returned = WriteScsiPassThroughReply(in, *request, status, sense, data,
                                               static_cast<std::uint32_t>(data.size()), out);
    return true;
  };
  auto refuse = [&](Byte asc) {
    const FixedSenseData sense = FixedSense(scsi::kSenseIllegalRequest, asc, 0);
    return finish(scsi::kStatusCheckCondition, sense, {});
  };
  const std::span<const Byte> cdb(request->cdb.data(), request->cdb_length);
  if (drive.behaviour.bridge_stalls && IsUsbBridgeCdb(cdb)) {
    AdvanceClock(std::chrono::seconds(request->timeout_seconds));
    return false;
  }
  const bool reads = request->direction == sat_block::kScsiIoctlDataIn;
  const UsbBridge bridge = *drive.image.usb_bridge;

  if (bridge != UsbBridge::JMicron) {
    const std::optional<NvmeCommand> command = ReadBridgeCommand(bridge, cdb, request->length, {});
    if (!command) return refuse(scsi::kAscInvalidOpcode);
    if (!reads || request->length != command->data_length || command->data_length == 0) {
      return refuse(scsi::kAscInvalidFieldInCdb);
    }
    std::vector<Byte> data(command->data_length);
    if (ExecuteNvme(drive, *command, data) != 0) return refuse(scsi::kAscInvalidFieldInCdb);
    return finish(scsi::kStatusGood, {}, data);
  }

  using namespace jmicron;
  const std::optional<Byte> phase = JMicronPhase(cdb);
  if (!phase) return refuse(scsi::kAscInvalidOpcode);
  const std::uint32_t length = Be24(cdb, kLength);
  switch (*phase) {
    case kPhaseCommand: {
      const bool sends = request->direction == sat_block::kScsiIoctlDataOut;
      const std::span<const Byte> block =
          sends ? in.subspan(request->data_offset, request->length) : std::span<const Byte>();
      drive.bridge_command = ReadBridgeCommand(bridge, cdb, request->length, block);
      if (!drive.bridge_command) return refuse(scsi::kAscInvalidFieldInCdb);
      return finish(scsi::kStatusGood, {}, {});
    }
    case kPhaseDataIn:
    case kPhaseNonData: {
      const bool data_phase = *phase == kPhaseDataIn;
      if (!drive.bridge_command || length != request->length || (data_phase && !reads) ||
          (data_phase == (length == 0))) {
        return refuse(scsi::kAscInvalidFieldInCdb);
      }
      NvmeCommand command = *drive.bridge_command;
      drive.bridge_command.reset();
      command.data_length = length;
      std::vector<Byte> data(length);
      drive.bridge_status = ExecuteNvme(drive, command, data);
      if (drive.bridge_status != 0) std::ranges::fill(data, Byte{0});
      return finish(scsi::kStatusGood, {}, data);
    }
    case kPhaseCompletion: {
      if (!reads || length != kBlockSize || request->length != kBlockSize) {
        return refuse(scsi::kAscInvalidFieldInCdb);
      }
      const auto completion = BuildJMicronCompletion(drive.bridge_status);
      drive.bridge_status = 0;
      return finish(scsi::kStatusGood, {}, completion);
    }
    default:
      return refuse(scsi::kAscInvalidFieldInCdb);
  }
}

}  // namespace kestrine
