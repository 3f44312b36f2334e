#include "legacy_answer.h"

#include <algorithm>

#include "legacy_request.h"

namespace kestrine {

namespace {

// GETVERSIONINPARAMS as an ATA disk's driver gives it.
constexpr Byte kSmartVersion = 1;
constexpr Byte kSmartRevision = 1;
constexpr std::uint32_t kCapAtaIdCmd = 0x01;
constexpr std::uint32_t kCapSmartCmd = 0x04;

// DRIVERSTATUS.bDriverError: the drive reported an error.
constexpr Byte kSmartIdeError = 1;

constexpr std::uint32_t kSectorSize = 512;

bool SmartReadsSector(Byte subcommand) {
  return subcommand == kSmartReadData || subcommand == kSmartReadThresholds ||
         subcommand == kSmartReadLog;
}

bool SmartMovesNoData(Byte subcommand) {
  return subcommand == kSmartAutosave || subcommand == kSmartSaveAttributes ||
         subcommand == kSmartExecuteOfflineImmediate || subcommand == kSmartEnable ||
         subcommand == kSmartDisable || subcommand == kSmartReturnStatus ||
         subcommand == kSmartAutoOffline;
}

}  // namespace

bool WriteSmartVersionAnswer(Byte ide_device_map, std::span<Byte> out,
                             std::uint32_t& bytes_returned) {
  using namespace legacy;
  if (out.size() < kVersionSize) return false;
  std::fill_n(out.begin(), kVersionSize, Byte{0});
  out[kVersion] = kSmartVersion;
  out[kRevision] = kSmartRevision;
  out[kIdeDeviceMap] = ide_device_map;
  WriteLe32(out, kCapabilities, kCapAtaIdCmd | kCapSmartCmd);
  bytes_returned = kVersionSize;
  return true;
}

std::optional<LegacyCommand> ReadLegacyCommand(bool receive, std::span<const Byte> in,
                                               std::size_t out_size) {
  using namespace legacy;
  // SENDCMDINPARAMS up to its buffer; SENDCMDOUTPARAMS up to its buffer.
  if (in.size() < kInBuffer || out_size < kStatusSize) return std::nullopt;
  LegacyCommand command;
  command.registers = ReadRegisters(in.subspan(kIrDriveRegs, kIdeRegsSize), kIdeRegs);
  const Byte ata_command = command.registers.command;
  const Byte subcommand = command.registers.features;
  if (receive) {
    const bool reads_sector = ata_command == kIdentifyDeviceCommand ||
                              (ata_command == kSmartCommand && SmartReadsSector(subcommand));
    if (!reads_sector || ReadLe32(in, kCBufferSize) != kSectorSize ||
        out_size < kOutBuffer + kSectorSize) {
      return std::nullopt;
    }
    command.reads_sector = true;
  } else {
    if (ata_command != kSmartCommand || !SmartMovesNoData(subcommand)) return std::nullopt;
    command.returns_registers = subcommand == kSmartReturnStatus;
    if (command.returns_registers && out_size < kOutBuffer + kIdeRegsSize) return std::nullopt;
  }
  return command;
}

std::uint32_t WriteLegacyAnswer(const LegacyCommand& command, const LegacyOutcome& outcome,
                                std::span<Byte> out) {
  using namespace legacy;
  std::fill_n(out.begin(), kStatusSize, Byte{0});
  const bool read = command.reads_sector && !outcome.error;
  WriteLe32(out, kOutCBufferSize, read ? kSectorSize : 0);
  out[kDriverError] = outcome.error ? kSmartIdeError : 0;
  out[kIdeError] = outcome.error ? outcome.returned.features : 0;
  if (command.reads_sector) {
    std::span<Byte> sector = out.subspan(kOutBuffer, kSectorSize);
    std::fill(sector.begin(), sector.end(), Byte{0});
    std::copy_n(outcome.sector.begin(), std::min<std::size_t>(outcome.sector.size(), kSectorSize),
                sector.begin());
    return static_cast<std::uint32_t>(kOutBuffer + kSectorSize);
  }
  if (command.returns_registers) {
    std::span<Byte> registers = out.subspan(kOutBuffer, kIdeRegsSize);
    std::fill(registers.begin(), registers.end(), Byte{0});
    WriteRegisters(registers, kIdeRegs, outcome.returned);
    return static_cast<std::uint32_t>(kOutBuffer + kIdeRegsSize);
  }
  return static_cast<std::uint32_t>(kStatusSize);
}

}  // namespace kestrine
