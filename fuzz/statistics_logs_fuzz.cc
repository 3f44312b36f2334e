// The statistics decoders on blocks of any content and length: the log directory, the Device
// Statistics page list and pages, the SCT status, and the NVMe health log with Identify
// Controller; and the statistics of an ATA drive whose every page, and IDENTIFY, is that block,
// as the Statistics view shows them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "drive_statistics.h"
#include "fuzz_input.h"
#include "statistics_input.h"
#include "statistics_read.h"
#include "statistics_view_rows.h"

namespace {

using namespace kestrine;
using fuzzing::StatisticsBlock;

void CheckTemperature(const std::optional<int>& celsius) {
  if (celsius && (*celsius < -128 || *celsius > 127)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::InputReader input(data, size);
  const auto kind = static_cast<StatisticsBlock>(input.Next() % fuzzing::kStatisticsBlockKinds);
  const Byte page = input.Next();
  const std::vector<Byte> block = input.Rest();
  switch (kind) {
    case StatisticsBlock::kLogDirectory:
      if (LogPageCount(block, page) && block.size() < kLogPageSize) std::abort();
      break;
    case StatisticsBlock::kPageList: {
      const auto list = DeviceStatisticsPageList(block);
      if (list && list->size() > kLogPageSize) std::abort();
      break;
    }
    case StatisticsBlock::kStatisticsPage: {
      const auto decoded = DecodeDeviceStatisticsPage(block, page);
      if (!decoded) break;
      for (std::size_t offset = 0; offset <= kLogPageSize + 8; ++offset) {
        const auto value = decoded->Value(offset);
        if (value && *value > device_statistics::kValueMask) std::abort();
        CheckTemperature(decoded->Temperature(offset));
      }
      break;
    }
    case StatisticsBlock::kSctStatus: {
      const auto status = DecodeSctStatus(block);
      if (status) CheckTemperature(status->current);
      break;
    }
    case StatisticsBlock::kNvmeBlocks: {
      NvmeIdentifyBlock controller{};
      NvmeHealthLog health{};
      fuzzing::InputReader blocks(block.data(), block.size());
      blocks.Fill(controller);
      blocks.Fill(health);
      const DriveStatistics statistics = NvmeStatisticsFromBlocks(controller, health);
      if (!(NvmeStatisticsFromBlocks(controller, health) == statistics)) std::abort();
      return 0;
    }
  }
  // A drive whose every log page is this block.
  Sector sector{};
  std::copy_n(block.begin(), std::min(block.size(), sector.size()), sector.begin());
  const AtaLogBlocks logs{sector, sector, sector, sector, sector, sector};
  const std::uint32_t sector_size = AtaLogicalSectorSize(sector);
  if (sector_size < 512 || sector_size % 512 != 0) std::abort();
  const DriveStatistics statistics = AtaStatisticsFromLogs(logs, sector_size);
  CheckTemperature(statistics.temperature);
  CheckTemperature(statistics.lifetime_highest_temperature);
  if (statistics.percentage_used && *statistics.percentage_used > 255) std::abort();
  DriveReading reading;
  reading.statistics = statistics;
  for (const auto& row : StatisticsViewRows(reading)) {
    if (row.size() != 2 || row[1].empty()) std::abort();
  }
  return 0;
}
