// The S.M.A.R.T. command set: IDENTIFY DEVICE, READ DATA, READ THRESHOLDS, READ LOG and EXECUTE
// OFF-LINE IMMEDIATE, each through the ATA family (pass-through, then the legacy requests) or the
// SAT family, and the per-drive tables their answers land in.
#include <algorithm>

#include "smart_drv.h"

namespace kestrine {

namespace {

// Register values of the legacy requests that read a sector.
LegacyRegisters LegacyReadRegisters(Byte command, Byte features, Byte sector_number,
                                    Byte drive_number) {
  return LegacyRegisters{.buffer_size = 512,
                         .registers = WithSmartSignature({.features = features,
                                                          .count = 1,
                                                          .lba_low = sector_number,
                                                          .device = DriveSelectByte(drive_number),
                                                          .command = command}),
                         .drive_number = drive_number};
}

std::span<const Byte, 512> SectorOf(const LegacyResponse& response) {
  return std::span<const Byte, 512>(response.data() + legacy::kOutBuffer, 512);
}

}  // namespace

void SmartDrv::DecodeIdentify(Byte drive_number) {
  tables_->HDDInfo[drive_number] = DecodeIdentifySector(tables_->IdentifySector[drive_number]);
}

CommandResult SmartDrv::IdentifyDeviceAta(DeviceHandle handle, Byte drive_number) {
  Sector& slot = tables_->IdentifySector[drive_number];
  if (AtaPassThrough(handle, drive_number, kIdentifyDeviceCommand, 0, 0, 1, slot) ==
      CommandResult::Success) {
    DecodeIdentify(drive_number);
    tables_->Family[drive_number] = CommandFamily::Ata;
    return CommandResult::Success;
  }
  if (!LegacyVersionQuery(handle)) return CommandResult::Failure;
  LegacyResponse response{};
  if (!LegacyReceive(handle, drive_number,
                     LegacyReadRegisters(kIdentifyDeviceCommand, 0, 1, drive_number), response)) {
    return CommandResult::Failure;
  }
  std::ranges::copy(SectorOf(response), slot.data());
  DecodeIdentify(drive_number);
  tables_->Family[drive_number] = CommandFamily::Ata;
  return CommandResult::Success;
}

CommandResult SmartDrv::IdentifyDeviceSat(DeviceHandle handle, Byte drive_number) {
  // Its own exchange rather than SatPassThrough: the SCSI status decides the result.
  SatPassThroughBlock block = BuildSatPassThroughBlock(
      {.count = 1, .device = DriveSelectByte(drive_number), .command = kIdentifyDeviceCommand},
      512);
  if (!SatExchange(handle, block, 512)) return CommandResult::Failure;
  std::copy_n(block.begin() + sat_block::kData, 512, tables_->IdentifySector[drive_number].begin());
  DecodeIdentify(drive_number);
  if (block[sat_block::kScsiStatus] != 0) return CommandResult::Failure;
  tables_->Family[drive_number] = CommandFamily::Sat;
  return CommandResult::Success;
}

void SmartDrv::StoreEntries(Table table, Byte drive_number, std::span<const Byte, 512> block) {
  // Exactly the 30 entries, whatever byte count the driver reported.
  const Byte* first = block.data() + smart_entry::kFirst;
  if (table == Table::Attributes) {
    std::copy_n(first, smart_entry::kEntriesSize, tables_->AttributeTable[drive_number][0].data());
    std::copy(block.begin(), block.end(), tables_->SmartDataSector.data());
  } else {
    std::copy_n(first, smart_entry::kEntriesSize, tables_->ThresholdTable[drive_number][0].data());
    std::copy(block.begin(), block.end(), tables_->SmartThresholdSector.data());
  }
}

void SmartDrv::ClearEntries(Table table, Byte drive_number) {
  // A read that got no answer leaves nothing behind: the views then show an empty table rather
  // than the drive's stale entries or another drive's status bytes.
  if (table == Table::Attributes) {
    tables_->AttributeTable[drive_number] = {};
    tables_->SmartDataSector = {};
  } else {
    tables_->ThresholdTable[drive_number] = {};
    tables_->SmartThresholdSector = {};
  }
}

void SmartDrv::NoteHealthRead(Table table, Byte drive_number, bool read) {
  // Only READ DATA carries the drive's health; a missing thresholds block leaves the attributes
  // to be judged without thresholds.
  if (table == Table::Attributes) tables_->HealthRead[drive_number] = read;
}

CommandResult SmartDrv::ReadEntriesAta(DeviceHandle handle, Byte drive_number, Byte features,
                                       Byte sector_number, Table table) {
  Sector work{};
  bool drive_error = false;
  if (AtaPassThrough(handle, drive_number, kSmartCommand, features, 1, sector_number, work,
                     &drive_error) == CommandResult::Success) {
    StoreEntries(table, drive_number, work);
    NoteHealthRead(table, drive_number, !drive_error);
    return CommandResult::Success;
  }
  LegacyResponse response{};
  if (LegacyReceive(handle, drive_number,
                    LegacyReadRegisters(kSmartCommand, features, 1, drive_number), response)) {
    StoreEntries(table, drive_number, SectorOf(response));
    NoteHealthRead(table, drive_number,
                   tables_->LegacyStatus[drive_number][legacy::kDriverError] == 0);
    return CommandResult::Success;
  }
  ClearEntries(table, drive_number);
  NoteHealthRead(table, drive_number, false);
  return CommandResult::Failure;
}

CommandResult SmartDrv::ReadEntriesSat(DeviceHandle handle, Byte drive_number, Byte features,
                                       Byte sector_number, Table table) {
  Sector work{};
  bool drive_error = false;
  if (SatPassThrough(handle, drive_number, kSmartCommand, features, 1, sector_number, work,
                     &drive_error) == CommandResult::Success) {
    StoreEntries(table, drive_number, work);
    NoteHealthRead(table, drive_number, !drive_error);
    return CommandResult::Success;
  }
  ClearEntries(table, drive_number);
  NoteHealthRead(table, drive_number, false);
  return CommandResult::Failure;
}

void SmartDrv::ReadThresholdsAta(DeviceHandle handle, Byte drive_number) {
  ReadEntriesAta(handle, drive_number, kSmartReadThresholds, 1, Table::Thresholds);
}

void SmartDrv::ReadSmartDataAta(DeviceHandle handle, Byte drive_number) {
  ReadEntriesAta(handle, drive_number, kSmartReadData, 0, Table::Attributes);
}

CommandResult SmartDrv::ReadSmartDataSat(DeviceHandle handle, Byte drive_number) {
  return ReadEntriesSat(handle, drive_number, kSmartReadData, 0, Table::Attributes);
}

CommandResult SmartDrv::ReadThresholdsSat(DeviceHandle handle, Byte drive_number) {
  return ReadEntriesSat(handle, drive_number, kSmartReadThresholds, 1, Table::Thresholds);
}

CommandResult SmartDrv::ReadSelfTestLogAta(DeviceHandle handle, Byte drive_number, Sector& block) {
  if (AtaPassThrough(handle, drive_number, kSmartCommand, kSmartReadLog, 1, kSelfTestLogAddress,
                     block) == CommandResult::Success) {
    return CommandResult::Success;
  }
  block = {};
  LegacyResponse response{};
  if (!LegacyReceive(
          handle, drive_number,
          LegacyReadRegisters(kSmartCommand, kSmartReadLog, kSelfTestLogAddress, drive_number),
          response)) {
    return CommandResult::Failure;
  }
  std::ranges::copy(SectorOf(response), block.data());
  return CommandResult::Success;
}

CommandResult SmartDrv::ReadSelfTestLogSat(DeviceHandle handle, Byte drive_number, Sector& block) {
  return SatPassThrough(handle, drive_number, kSmartCommand, kSmartReadLog, 1, kSelfTestLogAddress,
                        block);
}

CommandResult SmartDrv::ReadSelfTestLog(DeviceHandle handle, Byte drive_number, Sector& block) {
  if (Succeeded(ReadSelfTestLogAta(handle, drive_number, block))) return CommandResult::Success;
  return ReadSelfTestLogSat(handle, drive_number, block);
}

CommandResult SmartDrv::RunSelfTestAta(DeviceHandle handle, Byte drive_number, Byte features,
                                       Byte sector_number, Byte sector_count) {
  // EXECUTE OFF-LINE IMMEDIATE moves no data: sent as a non-data command. Announced as data-in,
  // the controller would wait for data that never comes and the kernel reset the port after the
  // drive had started the test. It counts only when the drive reports no error.
  if (AtaNonData(handle, drive_number, kSmartCommand, features, sector_count, sector_number) ==
      CommandResult::Success) {
    return CommandResult::Success;
  }
  const LegacyRegisters registers{.buffer_size = 0,
                                  .registers = WithSmartSignature({.features = features,
                                                                   .count = sector_count,
                                                                   .lba_low = sector_number,
                                                                   .device = DriveSelectByte(0),
                                                                   .command = kSmartCommand}),
                                  .drive_number = 0};
  if (!LegacySend(handle, drive_number, registers)) return CommandResult::Failure;
  return ResultOf(tables_->LegacyStatus[drive_number][legacy::kDriverError] == 0);
}

CommandResult SmartDrv::RunSelfTestSat(DeviceHandle handle, Byte drive_number, Byte features,
                                       Byte sector_number, Byte sector_count) {
  // A non-data command, first with the usual device byte; some bridges want the drive number
  // itself there, so a start not taken is tried once more with it. A start counts only when the
  // bridge reports GOOD or returns the drive's registers without an error: a refusal (CHECK
  // CONDITION with ABORTED COMMAND, say) means no test runs.
  for (const Byte device : {DriveSelectByte(drive_number), drive_number}) {
    SatPassThroughBlock block = BuildSatPassThroughBlock({.features = features,
                                                          .count = sector_count,
                                                          .lba_low = sector_number,
                                                          .device = device,
                                                          .command = kSmartCommand},
                                                         0);
    if (SatExchange(handle, block, 0) && SatCommandSucceeded(block)) return CommandResult::Success;
  }
  return CommandResult::Failure;
}

}  // namespace kestrine
