// Drive handles and the three transports: ATA pass-through, SAT pass-through and the legacy
// S.M.A.R.T. requests. Each exchange is built afresh from its builder and nothing of a failed
// exchange reaches the caller's memory.
#include <algorithm>
#include <string>

#include "drive_path.h"
#include "scsi_sense.h"
#include "smart_drv.h"

namespace kestrine {

namespace {

// The registers of the drive layer's pass-through operations, which name them in the order
// command, features, sector count, sector number.
AtaRegisters CommandRegisters(Byte device, Byte command, Byte features, Byte sector_count,
                              Byte sector_number) {
  return AtaRegisters{.features = features,
                      .count = sector_count,
                      .lba_low = sector_number,
                      .device = device,
                      .command = command};
}

}  // namespace

SmartDrv::SmartDrv(DevicePort& port) : port_(port), tables_(std::make_unique<SmartTables>()) {}

std::string SmartDrv::DevicePathOf(std::string_view name) {
  // The selector's entries already begin with "\\.\"; the platform resolves the doubled prefix.
  std::string path = kDeviceNamespacePrefix;
  path += name;
  return path;
}

DeviceHandle SmartDrv::OpenDrive(std::string_view name) {
  return port_.Open(DevicePathOf(name), Access::ReadWrite);
}

bool SmartDrv::CloseDrive(DeviceHandle handle) {
  return port_.Close(handle);
}

CommandResult SmartDrv::AtaPassThrough(DeviceHandle handle, Byte drive_number, Byte command,
                                       Byte features, Byte sector_count, Byte sector_number,
                                       std::span<Byte> destination, bool* drive_error) {
  if (destination.size() > ata_block::kDataSize) return CommandResult::Failure;
  const auto length = static_cast<std::uint32_t>(destination.size());
  AtaPassThroughBlock block = BuildAtaPassThroughBlock(
      CommandRegisters(drive_number, command, features, sector_count, sector_number), length);
  const std::uint32_t size = AtaPassThroughExchangeSize(length);
  std::uint32_t returned = 0;
  const std::span<Byte> exchange(block.data(), size);
  if (!port_.Control(handle, kIoctlAtaPassThrough, exchange, exchange, returned))
    return CommandResult::Failure;
  // The drive may have aborted the command; a completed exchange counts as an answer all the same.
  std::copy_n(block.begin() + ata_block::kData, length, destination.begin());
  if (drive_error != nullptr) {
    const Byte status =
        ReadRegisters(CurrentTaskFile(std::span<const Byte>(block)), kIdeRegs).command;
    *drive_error = returned < ata_block::kHeaderSize ||
                   (status & (kAtaStatusError | kAtaStatusDeviceFault)) != 0;
  }
  return CommandResult::Success;
}

CommandResult SmartDrv::SatPassThrough(DeviceHandle handle, Byte drive_number, Byte command,
                                       Byte features, Byte sector_count, Byte sector_number,
                                       std::span<Byte> destination, bool* drive_error) {
  // The data area holds one sector; a longer transfer would run past the block.
  if (destination.size() > sat_block::kDataSize) return CommandResult::Failure;
  const auto length = static_cast<std::uint32_t>(destination.size());
  SatPassThroughBlock block =
      BuildSatPassThroughBlock(CommandRegisters(DriveSelectByte(drive_number), command, features,
                                                sector_count, sector_number),
                               length);
  if (!SatExchange(handle, block, length)) return CommandResult::Failure;
  std::copy_n(block.begin() + sat_block::kData, length, destination.begin());
  if (drive_error != nullptr) *drive_error = !SatCommandSucceeded(block);
  return CommandResult::Success;
}

CommandResult SmartDrv::AtaNonData(DeviceHandle handle, Byte drive_number, Byte command,
                                   Byte features, Byte sector_count, Byte sector_number) {
  const std::optional<AtaRegisters> returned = AtaNonDataRegisters(
      handle, CommandRegisters(drive_number, command, features, sector_count, sector_number));
  return ResultOf(returned && (returned->command & (kAtaStatusError | kAtaStatusDeviceFault)) == 0);
}

std::optional<AtaRegisters> SmartDrv::AtaNonDataRegisters(DeviceHandle handle,
                                                          const AtaRegisters& registers) {
  AtaPassThroughBlock block = BuildAtaPassThroughBlock(registers, 0);
  std::uint32_t returned = 0;
  const std::span<Byte> exchange(block.data(), AtaPassThroughExchangeSize(0));
  if (!port_.Control(handle, kIoctlAtaPassThrough, exchange, exchange, returned)) {
    return std::nullopt;
  }
  // The registers come back in the current task file, the status in its command byte.
  if (returned < ata_block::kHeaderSize) return std::nullopt;
  return ReadRegisters(CurrentTaskFile(std::span<const Byte>(block)), kIdeRegs);
}

bool SmartDrv::SatExchange(DeviceHandle handle, SatPassThroughBlock& block, std::uint32_t length) {
  std::uint32_t returned = 0;
  return port_.Control(handle, kIoctlScsiPassThrough,
                       std::span<const Byte>(block.data(), kSatPassThroughInSize),
                       std::span<Byte>(block.data(), SatPassThroughOutSize(length)), returned);
}

bool SmartDrv::LegacyVersionQuery(DeviceHandle handle) {
  std::uint32_t returned = 0;
  return port_.Control(handle, kSmartGetVersion, {}, tables_->SmartVersionBlock, returned);
}

bool SmartDrv::LegacyReceive(DeviceHandle handle, Byte drive_number,
                             const LegacyRegisters& registers, LegacyResponse& response) {
  tables_->LegacyRequest = BuildLegacyRequest(registers);
  LegacyResponse reply{};
  std::uint32_t returned = 0;
  if (!port_.Control(handle, kSmartRcvDriveData,
                     std::span<const Byte>(tables_->LegacyRequest.data(), legacy::kRequestSendSize),
                     reply, returned)) {
    return false;
  }
  response = reply;
  LegacyStatusSlot& status = tables_->LegacyStatus[drive_number];
  std::copy_n(reply.begin(), legacy::kStatusSize, status.begin());
  port_.DebugText(std::to_string(status[legacy::kDriverError]));
  return true;
}

bool SmartDrv::LegacySend(DeviceHandle handle, Byte drive_number,
                          const LegacyRegisters& registers) {
  tables_->LegacyRequest = BuildLegacyRequest(registers);
  LegacyStatusSlot reply{};
  std::uint32_t returned = 0;
  if (!port_.Control(handle, kSmartSendDriveCommand,
                     std::span<const Byte>(tables_->LegacyRequest.data(), legacy::kRequestSendSize),
                     reply, returned)) {
    return false;
  }
  tables_->LegacyStatus[drive_number] = reply;
  port_.DebugText(std::to_string(reply[legacy::kDriverError]));
  return true;
}

}  // namespace kestrine
