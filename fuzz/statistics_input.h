// How statistics_logs_fuzz reads its input, shared with the seed maker (seed_maker.cc):
//   byte 0   which decoder (StatisticsBlock, modulo kStatisticsBlockKinds)
//   byte 1   the Device Statistics page asked for (kStatisticsPage only)
//   then     the block, as long as the input is (an NVMe pair: Identify Controller, then the
//            health log, each zero past the input's end)
#pragma once

#include <cstdint>

namespace kestrine::fuzzing {

enum class StatisticsBlock : std::uint8_t {
  kLogDirectory = 0,
  kPageList = 1,
  kStatisticsPage = 2,
  kSctStatus = 3,
  kNvmeBlocks = 4,
};
inline constexpr std::uint8_t kStatisticsBlockKinds = 5;

}  // namespace kestrine::fuzzing
