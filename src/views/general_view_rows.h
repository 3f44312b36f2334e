// The rows of the General view of an ATA drive, from the status and capabilities its reading
// holds. Pure: the view filler appends them, tests and the fuzzer call them directly.
#pragma once

#include <string>
#include <vector>

#include "reading.h"

namespace kestrine {

inline constexpr std::size_t kGeneralViewRowCount = 15;

// The fifteen rows, caption first. Rows without a description have two cells.
std::vector<std::vector<std::string>> GeneralViewRows(const AtaStatus& status);

}  // namespace kestrine
