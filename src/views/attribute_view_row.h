// The cells of one row of the Attributes view, from a health item of either family.
#pragma once

#include <string>
#include <vector>

#include "reading.h"

namespace kestrine {

// Id, type, value, worst, threshold, raw, name. An ATA attribute shows its type and the raw
// value's low 16 bits; an NVMe field has no type, shows the values its log has (value and
// threshold on the spare row only) and its whole value in decimal.
std::vector<std::string> AttributeViewRow(const HealthItem& item);

}  // namespace kestrine
