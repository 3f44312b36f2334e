#include "sim_bay.h"

#include <algorithm>

#include "ata_pass_through_block.h"
#include "drive_image_builder.h"
#include "drive_path.h"
#include "legacy_request.h"
#include "pass_through_request.h"
#include "sat_pass_through_block.h"
#include "smart_drv.h"
#include "smart_layout.h"

namespace kestrine {

namespace {

constexpr Byte kStatusReady = 0x50;   // DRDY | DSC
constexpr Byte kStatusError = 0x51;   // DRDY | DSC | ERR
constexpr Byte kErrorAborted = 0x04;  // ABRT
constexpr Byte kScsiCheckCondition = 0x02;

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

// The drive's own name, whatever prefixes the caller put before it.
std::string DrivePath(int number) {
  return "\\\\.\\PHYSICALDRIVE" + std::to_string(number);
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
    last_open_failure_ = OpenFailure{OpenError::AccessDenied, DrivePath(*number), "access denied"};
  } else if (drive->behaviour.open_fails) {
    last_open_failure_ = OpenFailure{OpenError::Other, DrivePath(*number), "open failed"};
  } else {
    handle = next_handle_++;
    handles_[handle] = OpenHandle{*number, access};
  }
  if (recording_) opens_.push_back(RecordedOpen{std::string(path), access, handle});
  return handle;
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
  const bool writable = access == Access::ReadWrite;
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
      return AnswerSmartVersion(drive, number, out, bytes_returned);
    }
    case kSmartRcvDriveData:
    case kSmartSendDriveCommand:
      return writable && drive.behaviour.answers_legacy &&
             AnswerSmartRequest(drive, code, in, out, bytes_returned);
    case kIoctlStorageQueryProperty: {
      // STORAGE_PROPERTY_QUERY: PropertyId 0 (StorageDeviceProperty), QueryType 0 (standard).
      if (!drive.behaviour.answers_property_query || in.size() < 12) return false;
      if (ReadLe32(in, 0) != 0 || ReadLe32(in, 4) != 0) return false;
      return BuildStorageDeviceDescriptor(drive.image, out, bytes_returned);
    }
    default:
      return false;
  }
}

void SimBay::UpdateSelfTest(SimDrive& drive) {
  if (!drive.running_test) return;
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

AtaOutcome SimBay::ExecuteAta(SimDrive& drive, const AtaTaskFile& r, std::span<Byte> data) {
  auto give = [&](const Sector& block) {
    const std::size_t n = std::min<std::size_t>(data.size(), block.size());
    std::copy_n(block.begin(), n, data.begin());
    return AtaOutcome{false, n};
  };
  const AtaOutcome abort{true, 0};
  if (r.command == kIdentifyDeviceCommand) return give(drive.image.identify);
  if (r.command != kSmartCommand) return abort;
  if (r.cyl_low != kSmartCylLow || r.cyl_high != kSmartCylHigh) return abort;
  Sector& smart = drive.image.smart_data;
  switch (r.features) {
    case kSmartReadData:
      return give(smart);
    case kSmartReadThresholds:
      return give(drive.image.thresholds);
    case kSmartReadLog:
      if (r.sector_number != kSelfTestLogAddress || r.sector_count == 0) return abort;
      return give(drive.image.self_test_log);
    case kSmartExecuteOfflineImmediate: {
      if (r.sector_number == kShortSelfTestOffline || r.sector_number == kExtendedSelfTestOffline) {
        if (drive.behaviour.aborts_self_test) return abort;
        std::chrono::minutes minutes(
            smart[r.sector_number == kShortSelfTestOffline ? smart_data::kShortPollingMinutes
                                                           : smart_data::kExtendedPollingMinutes]);
        if (r.sector_number == kExtendedSelfTestOffline &&
            smart[smart_data::kExtendedPollingMinutes] == smart_data::kPollingMinutesInWord) {
          minutes = std::chrono::minutes(ReadLe16(smart, smart_data::kExtendedPollingWord));
        }
        if (minutes.count() == 0) minutes = std::chrono::minutes(1);
        drive.running_test = SimDrive::RunningTest{r.sector_number, Now(), minutes};
        ++drive.self_tests_started;
        smart[smart_data::kSelfTestStatus] = 0xF9;
        SetAtaChecksum(smart);
        return AtaOutcome{false, 0};
      }
      if (r.sector_number == kAbortOfflineTest) {
        if (drive.running_test) {
          smart[smart_data::kSelfTestStatus] = 0x10;  // aborted by host
          AddLogDescriptor(drive.image.self_test_log, drive.running_test->subcommand, 0x10,
                           PowerOnHours(smart));
          drive.running_test.reset();
          SetAtaChecksum(smart);
        }
        return AtaOutcome{false, 0};
      }
      if (r.sector_number == kOfflineDataCollection)
        return AtaOutcome{false, 0};  // off-line data collection
      return abort;
    }
    default:
      return abort;
  }
}

bool SimBay::AnswerAtaPassThrough(SimDrive& drive, std::span<const Byte> in, std::span<Byte> out,
                                  std::uint32_t& bytes_returned) {
  using namespace ata_block;
  const std::optional<AtaPassThroughRequest> request = ReadAtaPassThroughRequest(in, out.size());
  if (!request) return false;
  const auto& task = request->current_task_file;
  const AtaTaskFile registers{task[kFeatures], task[kSectorCount], task[kSectorNumber],
                              task[kCylLow],   task[kCylHigh],     task[kDeviceHead],
                              task[kCommand]};
  const bool reads = request->data_in && request->length != 0;
  std::vector<Byte> data(reads ? request->length : 0);
  const AtaOutcome outcome = ExecuteAta(drive, registers, data);
  // A command that moves no data, announced as data-in: the drive has run it, but the controller
  // waits for data that never comes; the kernel calls that a protocol violation, resets the port
  // and fails the request.
  if (reads && !outcome.aborted && outcome.data_bytes == 0) return false;
  std::copy(in.begin(), in.begin() + kHeaderSize, out.begin());
  if (reads) std::ranges::copy(data, out.begin() + request->data_offset);
  // The returned task file: error register in the features byte, status in the command byte.
  Byte* reply = out.data() + kCurrentTaskFile;
  reply[kFeatures] = outcome.aborted ? kErrorAborted : 0;
  reply[kCommand] = outcome.aborted ? kStatusError : kStatusReady;
  bytes_returned =
      static_cast<std::uint32_t>(reads ? request->data_offset + request->length : kHeaderSize);
  return true;
}

bool SimBay::AnswerScsiPassThrough(SimDrive& drive, std::span<const Byte> in, std::span<Byte> out,
                                   std::uint32_t& bytes_returned) {
  using namespace sat_block;
  const std::optional<ScsiPassThroughRequest> request = ReadScsiPassThroughRequest(in, out.size());
  if (!request) return false;
  const Byte cdb_length = request->cdb_length;
  const Byte sense_length = request->sense_length;
  const std::uint32_t data_offset = request->data_offset;
  const std::uint32_t sense_offset = request->sense_offset;
  const auto& cdb = request->cdb;
  std::copy(in.begin(), in.begin() + kHeaderSize, out.begin());
  auto finish = [&](Byte status, Byte sense_key, Byte asc, Byte ascq, std::uint32_t moved) {
    out[kScsiStatus] = status;
    if (status == kScsiCheckCondition && sense_length != 0) {
      std::array<Byte, 18> sense{0x70, 0, sense_key, 0, 0, 0, 0, 10, 0, 0, 0, 0, asc, ascq};
      std::copy_n(sense.begin(), std::min<std::size_t>(sense_length, sense.size()),
                  out.begin() + sense_offset);
    }
    bytes_returned = moved != 0 ? data_offset + moved : static_cast<std::uint32_t>(kHeaderSize);
    return true;
  };
  AtaTaskFile registers;
  Byte transfer_flags = 0;
  if (cdb[0] == kAtaPassThrough12 && cdb_length >= 12) {
    transfer_flags = cdb[2];
    registers = {cdb[3], cdb[4], cdb[5], cdb[6], cdb[7], cdb[8], cdb[9]};
  } else if (cdb[0] == kAtaPassThrough16 && cdb_length >= 16) {
    transfer_flags = cdb[2];
    registers = {cdb[4], cdb[6], cdb[8], cdb[10], cdb[12], cdb[13], cdb[14]};
  } else {
    return finish(kScsiCheckCondition, 0x05, 0x20, 0x00, 0);  // invalid command operation code
  }
  // T_LENGTH 2 with BYTE_BLOCK 1: the transfer is SECTOR COUNT blocks of 512 bytes.
  const Byte protocol = static_cast<Byte>((cdb[1] >> 1) & 0x0F);
  std::uint32_t expected = 0;
  if ((transfer_flags & 0x03) == 2 && (transfer_flags & 0x04))
    expected = 512u * registers.sector_count;
  const bool pio_in = protocol == 4;
  // PIO data-in without a buffer: the translator refuses it before the drive sees it.
  if (pio_in && request->length == 0) return finish(kScsiCheckCondition, 0x0B, 0x00, 0x00, 0);
  if (expected > 0 &&
      (!pio_in || request->direction != kScsiIoctlDataIn || request->length < expected)) {
    return finish(kScsiCheckCondition, 0x05, 0x24, 0x00, 0);  // invalid field in CDB
  }
  std::vector<Byte> data(expected);
  const AtaOutcome outcome = ExecuteAta(drive, registers, data);
  if (outcome.aborted) {
    // ABORTED COMMAND with the drive's registers in the INFORMATION field: error, then status.
    finish(kScsiCheckCondition, 0x0B, 0x00, 0x1D, 0);
    if (sense_length > 4) {
      out[sense_offset + 3] = kErrorAborted;
      out[sense_offset + 4] = kStatusError;
    }
    return true;
  }
  if (!data.empty()) std::ranges::copy(data, out.begin() + data_offset);
  return finish(drive.behaviour.sat_scsi_status, 0x0B, 0x00, 0x00,
                static_cast<std::uint32_t>(data.size()));
}

bool SimBay::AnswerSmartVersion(SimDrive&, int number, std::span<Byte> out,
                                std::uint32_t& bytes_returned) {
  using namespace legacy;
  if (out.size() < kVersionSize) return false;
  std::fill_n(out.begin(), kVersionSize, Byte{0});
  out[kVersion] = 1;
  out[kRevision] = 1;
  out[kIdeDeviceMap] = static_cast<Byte>(1 << (number & 3));
  WriteLe32(out, kCapabilities, 0x1 | 0x4);  // CAP_ATA_ID_CMD | CAP_SMART_CMD
  bytes_returned = kVersionSize;
  return true;
}

bool SimBay::AnswerSmartRequest(SimDrive& drive, std::uint32_t code, std::span<const Byte> in,
                                std::span<Byte> out, std::uint32_t& bytes_returned) {
  using namespace legacy;
  // SENDCMDINPARAMS less its one-byte buffer, and SENDCMDOUTPARAMS less its buffer.
  if (in.size() < kInBuffer || out.size() < kStatusSize) return false;
  const std::uint32_t buffer_size = ReadLe32(in, kCBufferSize);
  const AtaTaskFile registers{in[kFeaturesReg], in[kSectorCountReg], in[kSectorNumberReg],
                              in[kCylLowReg],   in[kCylHighReg],     in[kDriveHeadReg],
                              in[kCommandReg]};
  const bool receive = code == kSmartRcvDriveData;
  if (receive) {
    const bool reads_sector =
        registers.command == kIdentifyDeviceCommand ||
        (registers.command == kSmartCommand &&
         (registers.features == kSmartReadData || registers.features == kSmartReadThresholds ||
          registers.features == kSmartReadLog));
    if (!reads_sector || buffer_size != 512 || out.size() < kOutBuffer + 512) return false;
  } else if (registers.command != kSmartCommand || registers.features == kSmartReadData ||
             registers.features == kSmartReadThresholds || registers.features == kSmartReadLog) {
    return false;  // the send carries no data back
  }
  std::vector<Byte> data(receive ? 512 : 0);
  const AtaOutcome outcome = ExecuteAta(drive, registers, data);
  std::fill_n(out.begin(), kStatusSize, Byte{0});
  WriteLe32(out, kOutCBufferSize, static_cast<std::uint32_t>(outcome.data_bytes));
  out[kDriverError] = outcome.aborted ? 1 : 0;  // SMART_IDE_ERROR
  out[kIdeError] = outcome.aborted ? kErrorAborted : 0;
  if (receive) std::ranges::copy(data, out.begin() + kOutBuffer);
  bytes_returned = static_cast<std::uint32_t>(kStatusSize + data.size());
  return true;
}

}  // namespace kestrine
