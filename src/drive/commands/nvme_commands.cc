// The NVMe family: Identify, the two log pages and the Device Self-test command, through the
// protocol-specific query and the protocol command. Nothing of an exchange that failed, or whose
// reply does not hold the whole block, reaches the tables.
#include <algorithm>

#include "nvme_protocol_command_block.h"
#include "nvme_query_block.h"
#include "smart_drv.h"

namespace kestrine {

bool SmartDrv::NvmeQuery(DeviceHandle handle, std::vector<Byte> query,
                         std::span<Byte> destination) {
  std::uint32_t returned = 0;
  if (!port_.Control(handle, kIoctlStorageQueryProperty, query, query, returned)) return false;
  const auto data = ReadNvmeProtocolReply(query, static_cast<std::uint32_t>(destination.size()));
  if (!data) return false;
  std::copy(data->begin(), data->end(), destination.data());
  return true;
}

CommandResult SmartDrv::IdentifyDeviceNvme(DeviceHandle handle, Byte drive_number) {
  NvmeIdentifyBlock controller{};
  NvmeIdentifyBlock namespace_data{};
  // The handle's own namespace where the port knows it, else the first one.
  const std::uint32_t nsid = port_.NvmeNamespaceId(handle).value_or(kFirstNamespace);
  if (!NvmeQuery(handle, BuildNvmeIdentifyControllerQuery(), controller) ||
      !NvmeQuery(handle, BuildNvmeIdentifyNamespaceQuery(nsid), namespace_data)) {
    return CommandResult::Failure;
  }
  tables_->NvmeController[drive_number] = controller;
  tables_->NvmeNamespace[drive_number] = namespace_data;
  tables_->Family[drive_number] = CommandFamily::Nvme;
  tables_->Bridge[drive_number].reset();
  return CommandResult::Success;
}

CommandResult SmartDrv::ReadHealthLogNvme(DeviceHandle handle, Byte drive_number) {
  NvmeHealthLog log{};
  const bool read = NvmeQuery(handle, BuildNvmeLogPageQuery(kLogHealth, nvme_health::kSize), log);
  // A log that did not come leaves zeros, not the last one's values.
  tables_->NvmeHealth[drive_number] = read ? log : NvmeHealthLog{};
  tables_->HealthRead[drive_number] = read;
  return ResultOf(read);
}

CommandResult SmartDrv::ReadSelfTestLogNvme(DeviceHandle handle) {
  NvmeSelfTestLog log{};
  const bool read =
      NvmeQuery(handle, BuildNvmeLogPageQuery(kLogSelfTest, nvme_self_test_log::kSize), log);
  tables_->NvmeSelfTest = read ? log : NvmeSelfTestLog{};
  return ResultOf(read);
}

CommandResult SmartDrv::RunSelfTestNvme(DeviceHandle handle, std::uint32_t code) {
  NvmeProtocolCommandBlock block = BuildNvmeProtocolCommandBlock(DeviceSelfTestCommand(code));
  std::uint32_t returned = 0;
  if (!port_.Control(handle, kIoctlStorageProtocolCommand, block, block, returned))
    return CommandResult::Failure;
  return ResultOf(NvmeProtocolCommandSucceeded(block));
}

}  // namespace kestrine
