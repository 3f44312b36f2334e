// The rows of the Identify view, from a drive's THDDInfo record.
#pragma once

#include <string>
#include <vector>

#include "identify_decode.h"

namespace kestrine {

struct IdentifyViewRow {
  std::string item;
  std::string value;
  bool operator==(const IdentifyViewRow&) const = default;
};

// 14 rows for a parallel drive, 13 for a serial one; one fewer when the medium does not rotate.
std::vector<IdentifyViewRow> IdentifyViewRows(const THDDInfo& info);

}  // namespace kestrine
