// The rows of the General view, decoded from the status and capability bytes of a S.M.A.R.T.
// data block. Pure: the view filler appends them, tests and the fuzzer call them directly.
#pragma once

#include <string>
#include <vector>

#include "bytes.h"

namespace kestrine {

// Offsets of the status and capability fields in the S.M.A.R.T. data block.
namespace smart_data {
inline constexpr std::size_t kOfflineStatus = 362;
inline constexpr std::size_t kSelfTestStatus = 363;
inline constexpr std::size_t kOfflineTotalSeconds = 364;  // 16 bits
inline constexpr std::size_t kOfflineCapability = 367;
inline constexpr std::size_t kSmartCapability = 368;  // 16 bits
inline constexpr std::size_t kErrorLogging = 370;
inline constexpr std::size_t kShortPollingMinutes = 372;
inline constexpr std::size_t kExtendedPollingMinutes = 373;
}  // namespace smart_data

inline constexpr std::size_t kGeneralViewRowCount = 15;

// The fifteen rows, caption first. Rows without a description have two cells.
std::vector<std::vector<std::string>> GeneralViewRows(const Sector& smart_data);

}  // namespace kestrine
