#include "drive_image_logs.h"

#include <algorithm>

#include "ata_log_layout.h"
#include "drive_image_builder.h"
#include "read_log_request.h"

namespace kestrine {

namespace {

Byte TemperatureByte(const std::optional<int>& celsius) {
  return celsius ? static_cast<Byte>(static_cast<std::int8_t>(*celsius))
                 : sct_status::kNoTemperature;
}

Sector& StatisticsPage(DriveImage& image, Byte page) {
  using namespace device_statistics;
  const auto [it, added] = image.log_pages.try_emplace({kDeviceStatisticsLogAddress, page});
  if (added) {
    WriteLe16(it->second, kRevision, kRevisionValue);
    it->second[kPageNumber] = page;
  }
  return it->second;
}

}  // namespace

void SetDeviceStatistic(DriveImage& image, Byte page, std::size_t offset, std::uint64_t value,
                        bool valid) {
  using namespace device_statistics;
  Sector& list = StatisticsPage(image, kPageList);
  const auto listed = list.begin() + kListFirst;
  if (std::find(listed, listed + list[kListCount], page) == listed + list[kListCount]) {
    listed[list[kListCount]++] = page;
    std::sort(listed, listed + list[kListCount]);
  }
  const Byte flags = kFlagSupported | (valid ? kFlagValid : 0);
  WriteLe64(StatisticsPage(image, page), offset,
            (value & kValueMask) | (std::uint64_t{flags} << (8 * kEntryFlags)));
}

void SetSctStatus(DriveImage& image, const SctStatusValues& values) {
  using namespace sct_status;
  Sector& status = image.log_pages[{kSctStatusLogAddress, 0}];
  status = Sector{};
  WriteLe16(status, kFormatVersion, kLastFormatVersion);
  status[kCurrentTemperature] = TemperatureByte(values.current);
  status[kPowerCycleLowest] = TemperatureByte(values.power_cycle_lowest);
  status[kPowerCycleHighest] = TemperatureByte(values.power_cycle_highest);
  status[kLifetimeLowest] = TemperatureByte(values.lifetime_lowest);
  status[kLifetimeHighest] = TemperatureByte(values.lifetime_highest);
}

void SealDriveLogs(DriveImage& image) {
  using namespace identify_word;
  for (const std::size_t word : {kCommandSetSupportedExt, kCommandSetDefault}) {
    const std::uint16_t value = ReadLe16(image.identify, 2 * word);
    SetIdentifyWord(image.identify, word,
                    static_cast<std::uint16_t>((value & ~kWordValidMask) | kWordValid |
                                               kGeneralPurposeLogging));
  }
  if (image.log_pages.contains({kSctStatusLogAddress, 0})) {
    SetIdentifyWord(image.identify, kSctCommandTransport,
                    ReadLe16(image.identify, 2 * kSctCommandTransport) | kSctSupported);
  }
  Sector directory{};
  WriteLe16(directory, log_directory::kVersion, log_directory::kVersionValue);
  for (const auto& [address, page] : image.log_pages) {
    const auto [log, number] = address;
    if (log == kLogDirectoryAddress) continue;
    const std::size_t at = log_directory::PageCountOffset(log);
    WriteLe16(
        directory, at,
        std::max<std::uint16_t>(ReadLe16(directory, at), static_cast<std::uint16_t>(number + 1)));
  }
  image.log_pages[{kLogDirectoryAddress, 0}] = directory;
}

}  // namespace kestrine
