#include "usb_bridge_commands.h"

#include <algorithm>
#include <vector>

#include "nvme_controller_check.h"
#include "scsi_pass_through_block.h"

namespace kestrine {

namespace {

// One SCSI command of a bridge request through the SCSI pass-through; the data it brought in
// lands in `in` (its length), nothing when it failed.
bool ScsiExchange(DevicePort& port, DeviceHandle handle, const ScsiCommand& command,
                  std::span<Byte> in) {
  std::vector<Byte> block = BuildScsiPassThroughBlock(command, kBridgeTimeOutSeconds);
  if (block.empty()) return false;
  std::uint32_t returned = 0;
  const std::span<Byte> exchange(block);
  if (!port.Control(handle, kIoctlScsiPassThrough, exchange.first(ScsiPassThroughInSize(command)),
                    exchange, returned)) {
    return false;
  }
  const auto data = ReadScsiPassThroughData(block, returned, command);
  if (!data || data->size() != in.size()) return false;
  std::copy(data->begin(), data->end(), in.begin());
  return true;
}

// The read commands go through the bridge only when the list of what may be sent holds them.
bool SendRead(DevicePort& port, DeviceHandle handle, UsbBridge bridge, const NvmeCommand& command,
              std::span<Byte> data) {
  return IsBridgeReadCommand(bridge, command) &&
         BridgeNvmeCommand(port, handle, bridge, command, data);
}

}  // namespace

bool BridgeNvmeCommand(DevicePort& port, DeviceHandle handle, UsbBridge bridge,
                       const NvmeCommand& command, std::span<Byte> data) {
  const std::optional<BridgeRequest> request = BuildBridgeRequest(bridge, command);
  if (!request || data.size() != command.data_length || request->carried > data.size()) {
    return false;
  }
  std::vector<Byte> received(request->carried);
  std::array<Byte, jmicron::kBlockSize> completion{};
  for (std::size_t i = 0; i < request->phases.size(); ++i) {
    const ScsiCommand& phase = request->phases[i];
    std::span<Byte> in;
    if (i == request->data_phase) {
      in = received;
    } else if (request->completion_phase && i + 1 == request->phases.size()) {
      in = completion;
    }
    if (!ScsiExchange(port, handle, phase, in)) return false;
  }
  if (request->completion_phase && ReadJMicronCompletion(completion) != std::uint16_t{0}) {
    return false;
  }
  std::ranges::fill(data, Byte{0});
  std::ranges::copy(received, data.begin());
  return true;
}

CommandResult IdentifyDeviceBridge(SmartDrv& drive, DeviceHandle handle, Byte drive_number,
                                   UsbBridge bridge) {
  NvmeIdentifyBlock controller{};
  NvmeIdentifyBlock namespace_data{};
  DevicePort& port = drive.Port();
  if (!SendRead(port, handle, bridge, IdentifyControllerCommand(), controller) ||
      !PlausibleNvmeController(controller) ||
      !SendRead(port, handle, bridge, IdentifyNamespaceCommand(kFirstNamespace), namespace_data)) {
    return CommandResult::Failure;
  }
  SmartTables& tables = drive.Tables();
  tables.NvmeController[drive_number] = controller;
  tables.NvmeNamespace[drive_number] = namespace_data;
  tables.Family[drive_number] = CommandFamily::Nvme;
  tables.Bridge[drive_number] = bridge;
  return CommandResult::Success;
}

CommandResult ReadHealthLogBridge(SmartDrv& drive, DeviceHandle handle, Byte drive_number,
                                  UsbBridge bridge) {
  NvmeHealthLog log{};
  const SmartTables& tables = drive.Tables();
  const bool read = SendRead(drive.Port(), handle, bridge, HealthLogCommand(), log) &&
                    PlausibleNvmeHealthLog(log, {tables.NvmeController[drive_number],
                                                 tables.NvmeNamespace[drive_number]});
  drive.Tables().NvmeHealth[drive_number] = read ? log : NvmeHealthLog{};
  drive.Tables().HealthRead[drive_number] = read;
  return ResultOf(read);
}

CommandResult ReadSelfTestLogBridge(SmartDrv& drive, DeviceHandle handle, UsbBridge bridge) {
  using namespace nvme_self_test_log;
  NvmeSelfTestLog log{};
  const NvmeCommand command = SelfTestLogCommand();
  const bool read = SendRead(drive.Port(), handle, bridge, command, log);
  if (read) {
    // A result the bridge carried only part of is no result: clear it whole.
    const std::uint32_t carried = BuildBridgeRequest(bridge, command)->carried;
    for (std::size_t i = 0; i < kResultCount; ++i) {
      const std::size_t at = kFirstResult + i * kResultSize;
      if (at + kResultSize > carried) {
        std::fill_n(log.begin() + static_cast<std::ptrdiff_t>(at), kResultSize, Byte{0});
      }
    }
  }
  drive.Tables().NvmeSelfTest = read ? log : NvmeSelfTestLog{};
  return ResultOf(read);
}

bool BridgeCarriesSelfTest(UsbBridge bridge) {
  return BuildBridgeRequest(bridge, DeviceSelfTestCommand(kStcShort)).has_value();
}

CommandResult RunSelfTestBridge(SmartDrv& drive, DeviceHandle handle, UsbBridge bridge,
                                std::uint32_t code) {
  if (code != kStcShort && code != kStcExtended && code != kStcAbort) {
    return CommandResult::Failure;
  }
  return ResultOf(BridgeNvmeCommand(drive.Port(), handle, bridge, DeviceSelfTestCommand(code), {}));
}

std::optional<UsbBridge> ProbeUsbBridge(SmartDrv& drive, DeviceHandle handle, Byte drive_number,
                                        std::span<const UsbBridge> order) {
  for (const UsbBridge bridge : order) {
    if (Succeeded(IdentifyDeviceBridge(drive, handle, drive_number, bridge))) return bridge;
  }
  return std::nullopt;
}

}  // namespace kestrine
