#include "sim_bay.h"

#include <algorithm>

#include "ata_pass_through_block.h"
#include "ata_pass_through_cdb.h"
#include "ata_pass_through_reply.h"
#include "drive_image_builder.h"
#include "drive_path.h"
#include "legacy_answer.h"
#include "legacy_request.h"
#include "nvme_query_block.h"
#include "pass_through_request.h"
#include "read_log_request.h"
#include "sat_pass_through_block.h"
#include "scsi_pass_through_reply.h"
#include "scsi_sense.h"
#include "smart_drv.h"
#include "smart_layout.h"
#include "storage_descriptor_writer.h"

namespace kestrine {

namespace {

constexpr Byte kPowerOnHoursId = 9;

std::uint16_t PowerOnHours(const Sector& smart_data) {
  for (std::size_t i = 0; i < smart_entry::kCount; ++i) {
    const std::size_t entry = smart_entry::kFirst + smart_entry::kSize * i;
    if (smart_data[entry + smart_entry::kId] == kPowerOnHoursId) {
      return ReadLe16(smart_data, entry + smart_entry::kRaw);
    }
  }
  return 0;
}

void AddLogDescriptor(Sector& log, Byte type, Byte status, std::uint16_t hours) {
  AddSelfTestEntry(log, SelfTestEntry{.type = type, .status = status, .hours = hours});
  if (ReadLe16(log, self_test_log::kRevision) == 0) WriteLe16(log, self_test_log::kRevision, 1);
  SetAtaChecksum(log);
}

}  // namespace

void SetAtaChecksum(Sector& sector) {
  Byte sum = 0;
  for (std::size_t i = 0; i < 511; ++i) sum = static_cast<Byte>(sum + sector[i]);
  sector[511] = static_cast<Byte>(0x100 - sum);
}

SimBay::SimBay() = default;

SimDrive& SimBay::AddDrive(int number, DriveImage image, DriveBehaviour behaviour) {
  SimDrive& drive = drives_[number];
  drive = SimDrive{};
  drive.image = std::move(image);
  drive.behaviour = behaviour;
  return drive;
}

void SimBay::RemoveDrive(int number) {
  drives_.erase(number);
}

SimDrive* SimBay::FindDrive(int number) {
  auto it = drives_.find(number);
  return it == drives_.end() ? nullptr : &it->second;
}

void SimBay::ClearRecords() {
  requests_.clear();
  opens_.clear();
  closes_.clear();
  debug_.clear();
}

std::optional<int> SimBay::ResolvePath(std::string_view path) {
  const std::optional<std::uint32_t> number = PhysicalDriveNumber(path);
  if (!number) return std::nullopt;
  return static_cast<int>(*number);
}

DeviceHandle SimBay::Open(std::string_view path, Access access) {
  DeviceHandle handle = kInvalidHandle;
  const std::optional<int> number = ResolvePath(path);
  SimDrive* drive = number ? FindDrive(*number) : nullptr;
  last_open_failure_ = OpenFailure{};
  if (drive == nullptr) {
    last_open_failure_ = OpenFailure{OpenError::NoDevice, std::string(path), "no such device"};
  } else if (drive->behaviour.open_denied) {
    last_open_failure_ =
        OpenFailure{OpenError::AccessDenied, DriveDevicePath(*number), "access denied"};
  } else if (drive->behaviour.open_fails) {
    last_open_failure_ = OpenFailure{OpenError::Other, DriveDevicePath(*number), "open failed"};
  } else {
    handle = next_handle_++;
    handles_[handle] = OpenHandle{*number, access};
  }
  if (recording_) opens_.push_back(RecordedOpen{std::string(path), access, handle});
  return handle;
}

PowerMode SimBay::PowerWithoutOpening(std::string_view path) {
  const std::optional<int> number = ResolvePath(path);
  const SimDrive* drive = number ? FindDrive(*number) : nullptr;
  return drive != nullptr && drive->suspended ? PowerMode::Suspended : PowerMode::Unknown;
}

bool SimBay::Close(DeviceHandle handle) {
  if (recording_) closes_.push_back(handle);
  return handles_.erase(handle) == 1;
}

void SimBay::DebugText(std::string_view text) {
  if (recording_) debug_.emplace_back(text);
}

bool SimBay::Control(DeviceHandle handle, std::uint32_t code, std::span<const Byte> in,
                     std::span<Byte> out, std::uint32_t& bytes_returned) {
  bytes_returned = 0;
  auto it = handles_.find(handle);
  SimDrive* drive = it == handles_.end() ? nullptr : FindDrive(it->second.drive);
  RecordedRequest* record = nullptr;
  if (recording_) {
    requests_.push_back(RecordedRequest{handle, it == handles_.end() ? -1 : it->second.drive, code,
                                        std::vector<Byte>(in.begin(), in.end()), out.size(),
                                        false});
    record = &requests_.back();
  }
  if (drive == nullptr) return false;
  if (drive->refuse && drive->refuse(code, in)) return false;
  // `in` and `out` may share bytes: work from a copy of the input.
  const std::vector<Byte> input(in.begin(), in.end());
  const bool answered = Dispatch(*drive, it->second.access, code, input, out, bytes_returned);
  if (record != nullptr) record->answered = answered;
  if (!answered) bytes_returned = 0;
  return answered;
}

bool SimBay::Dispatch(SimDrive& drive, Access access, std::uint32_t code, std::span<const Byte> in,
                      std::span<Byte> out, std::uint32_t& bytes_returned) {
  UpdateSelfTest(drive);
  if (drive.image.usb_bridge) return AnswerUsbBridge(drive, access, code, in, out, bytes_returned);
  const bool writable = access == Access::ReadWrite;
  // An NVMe drive's driver knows no ATA request, nor a SAS disk's; the NVMe drive's SCSI
  // translation rejects the ATA PASS-THROUGH command.
  const bool not_ata = drive.image.nvme.has_value() || drive.image.scsi.has_value();
  if (not_ata && (code == kIoctlAtaPassThrough || code == kSmartGetVersion ||
                  code == kSmartRcvDriveData || code == kSmartSendDriveCommand)) {
    return false;
  }
  switch (code) {
    case kIoctlAtaPassThrough:
      return writable && drive.behaviour.answers_ata_pass_through &&
             AnswerAtaPassThrough(drive, in, out, bytes_returned);
    case kIoctlScsiPassThrough:
      return writable && drive.behaviour.answers_sat &&
             AnswerScsiPassThrough(drive, in, out, bytes_returned);
    case kSmartGetVersion: {
      if (!drive.behaviour.answers_legacy || drive.behaviour.legacy_version_fails) return false;
      int number = 0;
      for (const auto& [n, d] : drives_) {
        if (&d == &drive) number = n;
      }
      // The driver maps drives to the four IDE positions by their number.
      return WriteSmartVersionAnswer(static_cast<Byte>(1 << (number & 3)), out, bytes_returned);
    }
    case kSmartRcvDriveData:
    case kSmartSendDriveCommand:
      return writable && drive.behaviour.answers_legacy &&
             AnswerSmartRequest(drive, code, in, out, bytes_returned);
    case kIoctlStorageQueryProperty: {
      using namespace property_query;
      const std::uint32_t property = in.size() >= 4 ? ReadLe32(in, kPropertyId) : 0;
      if (property == kStorageAdapterProtocolSpecificProperty ||
          property == kStorageDeviceProtocolSpecificProperty) {
        return AnswerNvmeQuery(drive, in, out, bytes_returned);
      }
      if (!drive.behaviour.answers_property_query || !IsStandardDevicePropertyQuery(in)) {
        return false;
      }
      return BuildStorageDeviceDescriptor(drive.image, out, bytes_returned);
    }
    case kIoctlStorageProtocolCommand:
      return writable && AnswerNvmeProtocolCommand(drive, in, out, bytes_returned);
    default:
      return false;
  }
}

void SimBay::UpdateSelfTest(SimDrive& drive) {
  if (!drive.running_test) return;
  if (drive.image.nvme) {
    UpdateNvmeSelfTest(drive);
    return;
  }
  Sector& data = drive.image.smart_data;
  const auto elapsed = Now() - drive.running_test->started;
  const auto duration = drive.running_test->duration;
  if (elapsed >= duration) {
    data[smart_data::kSelfTestStatus] = 0x00;  // completed without error
    AddLogDescriptor(drive.image.self_test_log, drive.running_test->subcommand, 0x00,
                     PowerOnHours(data));
    drive.running_test.reset();
  } else {
    const auto done_tenths = duration.count() > 0 ? elapsed.count() * 10 / duration.count() : 0;
    const auto remaining = std::clamp<long long>(10 - done_tenths, 1, 9);
    data[smart_data::kSelfTestStatus] = static_cast<Byte>(0xF0 | remaining);
  }
  SetAtaChecksum(data);
}

AtaOutcome SimBay::ExecuteAta(SimDrive& drive, const AtaRegisters& r, std::span<Byte> data) {
  auto give = [&](const Sector& block) {
    const std::size_t n = std::min<std::size_t>(data.size(), block.size());
    std::copy_n(block.begin(), n, data.begin());
    return AtaOutcome{.data_bytes = n, .count = std::nullopt};
  };
  const AtaOutcome abort{.aborted = true, .data_bytes = 0, .count = std::nullopt};
  // FFh: active or idle.
  if (r.command == kCheckPowerModeCommand) {
    return AtaOutcome{.count = drive.standby ? Byte{0x00} : Byte{0xFF}};
  }
  drive.standby = false;
  if (r.command == kIdentifyDeviceCommand) return give(drive.image.identify);
  // READ LOG EXT: the log address in LBA low, the page in LBA mid (the pages read stay below 256).
  const auto log_page = [&](Byte log, std::uint16_t page) {
    const auto it = drive.image.log_pages.find({log, page});
    return it == drive.image.log_pages.end() || r.count == 0 ? abort : give(it->second);
  };
  if (r.command == kReadLogExtCommand) return log_page(r.lba_low, r.lba_mid);
  if (r.command != kSmartCommand) return abort;
  if (r.lba_mid != kSmartCylLow || r.lba_high != kSmartCylHigh) return abort;
  Sector& smart = drive.image.smart_data;
  switch (r.features) {
    case kSmartReadData:
      if (drive.behaviour.refuses_health_data) return abort;
      return give(smart);
    case kSmartReadThresholds:
      return give(drive.image.thresholds);
    case kSmartReadLog:
      if (r.lba_low != kSelfTestLogAddress) return log_page(r.lba_low, 0);
      if (r.count == 0) return abort;
      return give(drive.image.self_test_log);
    case kSmartExecuteOfflineImmediate: {
      if (r.lba_low == kShortSelfTestOffline || r.lba_low == kExtendedSelfTestOffline) {
        if (drive.behaviour.aborts_self_test) return abort;
        std::chrono::minutes minutes(r.lba_low == kShortSelfTestOffline
                                         ? smart[smart_data::kShortPollingMinutes]
                                         : ExtendedSelfTestMinutes(smart));
        if (minutes.count() == 0) minutes = std::chrono::minutes(1);
        drive.running_test = SimDrive::RunningTest{r.lba_low, Now(), minutes};
        ++drive.self_tests_started;
        smart[smart_data::kSelfTestStatus] = 0xF9;
        SetAtaChecksum(smart);
        return AtaOutcome{};
      }
      if (r.lba_low == kAbortOfflineTest) {
        if (drive.running_test) {
          smart[smart_data::kSelfTestStatus] = 0x10;  // aborted by host
          AddLogDescriptor(drive.image.self_test_log, drive.running_test->subcommand, 0x10,
                           PowerOnHours(smart));
          drive.running_test.reset();
          SetAtaChecksum(smart);
        }
        return AtaOutcome{};
      }
      if (r.lba_low == kOfflineDataCollection) return AtaOutcome{};  // off-line data collection
      return abort;
    }
    default:
      return abort;
  }
}

bool SimBay::AnswerAtaPassThrough(SimDrive& drive, std::span<const Byte> in, std::span<Byte> out,
                                  std::uint32_t& bytes_returned) {
  const std::optional<AtaPassThroughRequest> request = ReadAtaPassThroughRequest(in, out.size());
  if (!request) return false;
  const bool reads = request->data_in && request->length != 0;
  std::vector<Byte> data(reads ? request->length : 0);
  const AtaOutcome outcome = ExecuteAta(drive, request->current, data);
  // A command that moves no data, announced as data-in: the drive has run it, but the controller
  // waits for data that never comes; the kernel calls that a protocol violation, resets the port
  // and fails the request.
  if (reads && !outcome.aborted && outcome.data_bytes == 0) return false;
  AtaRegisters returned = CompletionRegisters(request->current, outcome.aborted);
  if (outcome.count) returned.count = *outcome.count;
  bytes_returned = WriteAtaPassThroughReply(in, *request, returned, std::nullopt, data, out);
  return true;
}

bool SimBay::AnswerScsiPassThrough(SimDrive& drive, std::span<const Byte> in, std::span<Byte> out,
                                   std::uint32_t& bytes_returned) {
  using namespace sat_block;
  const std::optional<ScsiPassThroughRequest> request = ReadScsiPassThroughRequest(in, out.size());
  if (!request) return false;
  if (drive.image.scsi) return AnswerScsiDisk(drive, *request, in, out, bytes_returned);
  // The sense data goes back with CHECK CONDITION only.
  auto finish = [&](Byte status, const FixedSenseData& sense, std::span<const Byte> data) {
    const bool check = status == scsi::kStatusCheckCondition;
    bytes_returned = WriteScsiPassThroughReply(
        in, *request, status, check ? std::span<const Byte>(sense) : std::span<const Byte>(), data,
        static_cast<std::uint32_t>(data.size()), out);
    return true;
  };
  // An NVMe drive's SCSI translation knows no ATA PASS-THROUGH command.
  const std::optional<AtaCdbRequest> cdb =
      drive.image.nvme ? std::nullopt : ReadAtaPassThroughCdb(request->cdb, request->cdb_length);
  if (!cdb) {
    return finish(scsi::kStatusCheckCondition,
                  FixedSense(scsi::kSenseIllegalRequest, scsi::kAscInvalidOpcode, 0), {});
  }
  const AtaRegisters& registers = cdb->registers;
  // T_LENGTH 2 with BYTE_BLOCK 1: the transfer is SECTOR COUNT blocks of 512 bytes.
  std::uint32_t expected = 0;
  if ((cdb->flags & ata_cdb::kLengthField) == ata_cdb::kLengthInSectorCount &&
      (cdb->flags & ata_cdb::kLengthInBlocks) != 0) {
    expected = ata_cdb::kBlockSize * registers.count;
  }
  const bool pio_in =
      AtaCdbProtocol(cdb->protocol_byte) == AtaCdbProtocol(ata_cdb::kProtocolPioDataIn);
  // PIO data-in without a buffer: the translator refuses it before the drive sees it.
  if (pio_in && request->length == 0) {
    return finish(scsi::kStatusCheckCondition, FixedSense(scsi::kSenseAbortedCommand, 0, 0), {});
  }
  if (expected > 0 &&
      (!pio_in || request->direction != kScsiIoctlDataIn || request->length < expected)) {
    return finish(scsi::kStatusCheckCondition,
                  FixedSense(scsi::kSenseIllegalRequest, scsi::kAscInvalidFieldInCdb, 0), {});
  }
  std::vector<Byte> data(expected);
  const AtaOutcome outcome = ExecuteAta(drive, registers, data);
  if (outcome.aborted) {
    // ABORTED COMMAND with the drive's error and status in the INFORMATION field.
    return finish(scsi::kStatusCheckCondition,
                  FixedSense(scsi::kSenseAbortedCommand, 0, scsi::kAscqAtaInformationAvailable,
                             {.features = kAtaErrorAborted, .command = kAtaStatusReadyError}),
                  {});
  }
  // CK_COND: the registers come back in the sense data of a CHECK CONDITION, though all is well.
  if ((cdb->flags & ata_cdb::kCheckCondition) != 0 && drive.behaviour.sat_scsi_status == 0) {
    AtaRegisters returned = CompletionRegisters(registers, false);
    if (outcome.count) returned.count = *outcome.count;
    return finish(
        scsi::kStatusCheckCondition,
        FixedSense(scsi::kSenseRecoveredError, 0, scsi::kAscqAtaInformationAvailable, returned),
        data);
  }
  return finish(drive.behaviour.sat_scsi_status, FixedSense(scsi::kSenseAbortedCommand, 0, 0),
                data);
}

bool SimBay::AnswerSmartRequest(SimDrive& drive, std::uint32_t code, std::span<const Byte> in,
                                std::span<Byte> out, std::uint32_t& bytes_returned) {
  const std::optional<LegacyCommand> command =
      ReadLegacyCommand(code == kSmartRcvDriveData, in, out.size());
  if (!command) return false;
  std::vector<Byte> data(command->reads_sector ? 512 : 0);
  const AtaOutcome outcome = ExecuteAta(drive, command->registers, data);
  bytes_returned = WriteLegacyAnswer(
      *command,
      LegacyOutcome{.error = outcome.aborted,
                    .returned = CompletionRegisters(command->registers, outcome.aborted),
                    .sector = data},
      out);
  return true;
}

}  // namespace kestrine
