#include "log_reads.h"

#include <algorithm>

#include "identify_layout.h"
#include "smart_drv.h"

namespace kestrine {

namespace {

constexpr std::uint32_t kPageBytes = 512;

std::uint16_t IdentifyWord(std::span<const Byte, 512> identify, std::size_t word) {
  return ReadLe16(identify, 2 * word);
}

bool ValidWordHas(std::uint16_t word, std::uint16_t bit) {
  return (word & kWordValidMask) == kWordValid && (word & bit) != 0;
}

bool Failed(Byte status) {
  return (status & (kAtaStatusError | kAtaStatusDeviceFault)) != 0;
}

// The ATA pass-through block sent and received in place; the data when the drive returned no
// error. `carried`: the pass-through took the command to the drive, whatever it answered.
bool ExchangeAta(DevicePort& port, DeviceHandle handle, AtaPassThroughBlock& block, Sector& out,
                 bool& carried) {
  std::uint32_t returned = 0;
  const std::span<Byte> exchange(block.data(), AtaPassThroughExchangeSize(kPageBytes));
  carried = port.Control(handle, kIoctlAtaPassThrough, exchange, exchange, returned) &&
            returned >= ata_block::kHeaderSize;
  if (!carried) return false;
  if (Failed(ReadRegisters(CurrentTaskFile(std::span<const Byte>(block)), kIdeRegs).command)) {
    return false;
  }
  std::copy_n(block.begin() + ata_block::kData, kPageBytes, out.begin());
  return true;
}

bool ExchangeSat(DevicePort& port, DeviceHandle handle, SatPassThroughBlock& block, Sector& out) {
  std::uint32_t returned = 0;
  if (!port.Control(handle, kIoctlScsiPassThrough,
                    std::span<const Byte>(block.data(), kSatPassThroughInSize),
                    std::span<Byte>(block.data(), SatPassThroughOutSize(kPageBytes)), returned) ||
      !SatCommandSucceeded(block)) {
    return false;
  }
  std::copy_n(block.begin() + sat_block::kData, kPageBytes, out.begin());
  return true;
}

bool ReadSmartLogLegacy(SmartDrv& drv, DeviceHandle handle, Byte drive_number, Byte log,
                        Sector& out) {
  const LegacyRegisters registers{
      .buffer_size = kPageBytes,
      .registers = SmartReadLogRegisters(log, 1, DriveSelectByte(drive_number)),
      .drive_number = drive_number};
  LegacyResponse response{};
  if (!drv.LegacyReceive(handle, drive_number, registers, response) ||
      response[legacy::kDriverError] != 0 ||
      ReadLe32(response, legacy::kOutCBufferSize) < kPageBytes) {
    return false;
  }
  std::copy_n(response.begin() + legacy::kOutBuffer, kPageBytes, out.begin());
  return true;
}

bool Lists(const std::optional<std::vector<Byte>>& pages, Byte page) {
  return pages && std::find(pages->begin(), pages->end(), page) != pages->end();
}

}  // namespace

LogCommand LogCommandFor(std::span<const Byte, 512> identify) {
  const bool general_purpose =
      ValidWordHas(IdentifyWord(identify, identify_word::kCommandSetSupportedExt),
                   kGeneralPurposeLogging) ||
      ValidWordHas(IdentifyWord(identify, identify_word::kCommandSetDefault),
                   kGeneralPurposeLogging);
  return general_purpose ? LogCommand::ReadLogExt : LogCommand::SmartReadLog;
}

bool ReadLogPage(SmartDrv& drv, DeviceHandle handle, Byte drive_number, LogCommand command,
                 LogPage page, Sector& out) {
  const CommandFamily family = drv.Tables().Family[drive_number];
  if (command == LogCommand::SmartReadLog && page.page != 0) return false;
  Sector read{};
  bool done = false;
  if (family == CommandFamily::Ata) {
    // The ATA pass-through carries the drive number in the device register, as for every command.
    AtaPassThroughBlock block =
        command == LogCommand::ReadLogExt
            ? BuildReadLogExtAtaBlock(page, drive_number)
            : BuildAtaPassThroughBlock(SmartReadLogRegisters(page.log, 1, drive_number),
                                       kPageBytes);
    // The legacy requests carry S.M.A.R.T. READ LOG where the pass-through does not: a drive
    // that refused the command through it is not asked again.
    bool carried = false;
    done = ExchangeAta(drv.Port(), handle, block, read, carried) ||
           (!carried && command == LogCommand::SmartReadLog &&
            ReadSmartLogLegacy(drv, handle, drive_number, page.log, read));
  } else if (family == CommandFamily::Sat) {
    const Byte device = DriveSelectByte(drive_number);
    SatPassThroughBlock block =
        command == LogCommand::ReadLogExt
            ? BuildReadLogExtSatBlock(page, device)
            : BuildSatPassThroughBlock(SmartReadLogRegisters(page.log, 1, device), kPageBytes);
    done = ExchangeSat(drv.Port(), handle, block, read);
  }
  if (done) out = read;
  return done;
}

AtaLogBlocks ReadAtaStatisticsLogs(SmartDrv& drv, DeviceHandle handle, Byte drive_number) {
  using namespace device_statistics;
  AtaLogBlocks logs;
  const CommandFamily family = drv.Tables().Family[drive_number];
  if (family != CommandFamily::Ata && family != CommandFamily::Sat) return logs;
  const Sector& identify = drv.Tables().IdentifySector[drive_number];
  LogCommand command = LogCommandFor(identify);
  auto read = [&](Byte log, std::uint16_t page) -> std::optional<Sector> {
    Sector block{};
    if (!ReadLogPage(drv, handle, drive_number, command, {.log = log, .page = page}, block)) {
      return std::nullopt;
    }
    return block;
  };
  logs.directory = read(kLogDirectoryAddress, 0);
  // A drive that refuses READ LOG EXT may still give its logs through S.M.A.R.T. READ LOG.
  if (!logs.directory && command == LogCommand::ReadLogExt) {
    command = LogCommand::SmartReadLog;
    logs.directory = read(kLogDirectoryAddress, 0);
  }
  const auto pages_of = [&](Byte log) -> std::uint16_t {
    return logs.directory ? LogPageCount(*logs.directory, log).value_or(0) : 0;
  };
  // S.M.A.R.T. READ LOG reaches no page past the list: the list is read only for the pages.
  const std::uint16_t statistics_pages = pages_of(kDeviceStatisticsLogAddress);
  if (statistics_pages > 0 && command == LogCommand::ReadLogExt) {
    logs.statistics_list = read(kDeviceStatisticsLogAddress, kPageList);
    const auto listed =
        logs.statistics_list ? DeviceStatisticsPageList(*logs.statistics_list) : std::nullopt;
    for (const auto& [number, slot] :
         {std::pair{kGeneralPage, &logs.general}, std::pair{kTemperaturePage, &logs.temperature},
          std::pair{kSolidStatePage, &logs.solid_state}}) {
      if (number < statistics_pages && Lists(listed, number)) {
        *slot = read(kDeviceStatisticsLogAddress, number);
      }
    }
  }
  const bool sct =
      (IdentifyWord(identify, identify_word::kSctCommandTransport) & kSctSupported) != 0 ||
      pages_of(kSctStatusLogAddress) > 0;
  if (sct) logs.sct_status = read(kSctStatusLogAddress, 0);
  return logs;
}

}  // namespace kestrine
