// The rows of the General view, decoded from the status and capability bytes of a S.M.A.R.T.
// data block. Pure: the view filler appends them, tests and the fuzzer call them directly.
#pragma once

#include <string>
#include <vector>

#include "bytes.h"
#include "smart_layout.h"

namespace kestrine {

inline constexpr std::size_t kGeneralViewRowCount = 15;

// The fifteen rows, caption first. Rows without a description have two cells.
std::vector<std::vector<std::string>> GeneralViewRows(const Sector& smart_data);

}  // namespace kestrine
