// The bay's NVMe drives: the controller's side of Identify, Get Log Page and Device Self-test,
// reached through the Windows protocol-specific query and protocol command or through Linux's
// admin command. Requests are read as the in-box drivers read them; a malformed one is refused.
#include <algorithm>
#include <vector>

#include "nvme_admin_block.h"
#include "nvme_driver_reply.h"
#include "nvme_image_builder.h"
#include "nvme_protocol_command_block.h"
#include "nvme_query_block.h"
#include "sim_bay.h"

namespace kestrine {

namespace {

// A short self-test takes at most two minutes.
constexpr std::chrono::minutes kShortSelfTestDuration{2};

std::uint64_t PowerOnHours(const NvmeBlocks& blocks) {
  return ReadLe128(blocks.health, nvme_health::kPowerOnHours).low;
}

std::uint16_t Give(std::span<const Byte> block, std::span<Byte> data) {
  std::ranges::fill(data, Byte{0});
  std::copy_n(block.begin(), std::min(block.size(), data.size()), data.begin());
  return 0;
}

}  // namespace

std::uint16_t SimBay::ExecuteNvme(SimDrive& drive, const NvmeCommand& command,
                                  std::span<Byte> data) {
  if (!drive.image.nvme) return kNvmeInvalidOpcode;
  NvmeBlocks& blocks = *drive.image.nvme;
  switch (command.opcode) {
    case kNvmeIdentify: {
      if (data.size() != nvme_controller::kSize) return kNvmeInvalidField;
      const std::uint32_t cns = command.cdw10 & 0xFF;
      if (cns == kCnsController) return Give(blocks.controller, data);
      if (cns != kCnsNamespace) return kNvmeInvalidField;
      if (command.nsid != kFirstNamespace) return kNvmeInvalidNamespace;
      return Give(blocks.namespace_data, data);
    }
    case kNvmeGetLogPage: {
      if (LogPageLength(command) != data.size()) return kNvmeInvalidField;
      const Byte log_id = static_cast<Byte>(command.cdw10 & 0xFF);
      if (log_id == kLogHealth) {
        if (drive.behaviour.refuses_health_data) return kNvmeInvalidLogPage;
        return Give(blocks.health, data);
      }
      if (log_id == kLogSelfTest) return Give(blocks.self_test_log, data);
      return kNvmeInvalidLogPage;
    }
    case kNvmeDeviceSelfTest: {
      using namespace nvme_self_test_log;
      const std::uint16_t admin = ReadLe16(blocks.controller, nvme_controller::kAdminCommands);
      if (((admin >> nvme_controller::kOacsSelfTest) & 1) == 0) return kNvmeInvalidOpcode;
      if (!data.empty()) return kNvmeInvalidField;
      const std::uint32_t code = command.cdw10 & 0xF;
      if (code == kStcAbort) {
        if (drive.running_test) {
          AddNvmeSelfTestResult(blocks.self_test_log, {.code = drive.running_test->subcommand,
                                                       .result = kResultAbortedByCommand,
                                                       .power_on_hours = PowerOnHours(blocks)});
          blocks.self_test_log[kCurrentOperation] = kCodeNone;
          blocks.self_test_log[kCurrentCompletion] = 0;
          drive.running_test.reset();
        }
        return 0;
      }
      if (code != kStcShort && code != kStcExtended) return kNvmeInvalidField;
      if (drive.running_test) return kNvmeSelfTestInProgress;
      if (drive.behaviour.aborts_self_test) return kNvmeInvalidField;
      std::chrono::minutes duration = kShortSelfTestDuration;
      if (code == kStcExtended) {
        duration = std::chrono::minutes(std::max<int>(
            1, ReadLe16(blocks.controller, nvme_controller::kExtendedSelfTestMinutes)));
      }
      drive.running_test = SimDrive::RunningTest{static_cast<Byte>(code), Now(), duration};
      ++drive.self_tests_started;
      blocks.self_test_log[kCurrentOperation] = static_cast<Byte>(code);
      blocks.self_test_log[kCurrentCompletion] = 0;
      return 0;
    }
    default:
      return kNvmeInvalidOpcode;
  }
}

void SimBay::UpdateNvmeSelfTest(SimDrive& drive) {
  using namespace nvme_self_test_log;
  NvmeBlocks& blocks = *drive.image.nvme;
  const auto elapsed = Now() - drive.running_test->started;
  const auto duration = drive.running_test->duration;
  if (elapsed >= duration) {
    AddNvmeSelfTestResult(blocks.self_test_log, {.code = drive.running_test->subcommand,
                                                 .result = kResultCompleted,
                                                 .power_on_hours = PowerOnHours(blocks)});
    blocks.self_test_log[kCurrentOperation] = kCodeNone;
    blocks.self_test_log[kCurrentCompletion] = 0;
    drive.running_test.reset();
    return;
  }
  const auto percent = duration.count() > 0 ? elapsed.count() * 100 / duration.count() : 0;
  blocks.self_test_log[kCurrentCompletion] =
      static_cast<Byte>(std::clamp<long long>(percent, 0, 99));
}

bool SimBay::AnswerNvmeQuery(SimDrive& drive, std::span<const Byte> in, std::span<Byte> out,
                             std::uint32_t& bytes_returned) {
  if (!drive.image.nvme) return false;
  const std::optional<NvmeProtocolQuery> query = ReadNvmeProtocolQuery(in, out.size());
  if (!query) return false;
  const std::optional<NvmeCommand> command = NvmeCommandForQuery(*query);
  if (!command) return false;
  std::vector<Byte> data(command->data_length);
  if (ExecuteNvme(drive, *command, data) != 0) return false;
  bytes_returned = WriteNvmeQueryReply(*query, data, out);
  return true;
}

bool SimBay::AnswerNvmeProtocolCommand(SimDrive& drive, std::span<const Byte> in,
                                       std::span<Byte> out, std::uint32_t& bytes_returned) {
  if (!drive.image.nvme) return false;
  const std::optional<NvmeCommand> command = ReadNvmeProtocolCommandBlock(in);
  if (!command || out.size() < in.size() || !NvmeProtocolCommandPasses(*command)) return false;
  const std::uint16_t status = ExecuteNvme(drive, *command, {});
  bytes_returned = WriteNvmeProtocolCommandReply(in, status, 0, out);
  return true;
}

int SimBay::NvmeAdminCommand(DeviceHandle handle, std::span<Byte> block, std::span<Byte> data) {
  auto it = handles_.find(handle);
  SimDrive* drive = it == handles_.end() ? nullptr : FindDrive(it->second.drive);
  RecordedRequest* record = nullptr;
  if (recording_) {
    requests_.push_back(
        RecordedRequest{handle, it == handles_.end() ? -1 : it->second.drive, kNvmeIoctlAdminCmd,
                        std::vector<Byte>(block.begin(), block.end()), data.size(), false});
    record = &requests_.back();
  }
  if (drive == nullptr || !drive->image.nvme || drive->image.usb_bridge) return kNvmeAdminRefused;
  if (drive->refuse && drive->refuse(kNvmeIoctlAdminCmd, block)) return kNvmeAdminRefused;
  const std::optional<NvmeCommand> command = ReadNvmeAdminBlock(block);
  if (!command || command->data_length != data.size()) return kNvmeAdminRefused;
  UpdateSelfTest(*drive);
  const std::uint16_t status = ExecuteNvme(*drive, *command, data);
  WriteLe32(block, nvme_admin::kResult, 0);
  if (record != nullptr) record->answered = status == 0;
  return status;
}

}  // namespace kestrine
