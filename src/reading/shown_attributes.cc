#include "shown_attributes.h"

namespace kestrine {

std::vector<ShownAttribute> ShownAttributes(const AttributeSlot& attributes,
                                            const ThresholdSlot& thresholds) {
  std::vector<ShownAttribute> shown;
  int highest_id = 0;
  for (std::size_t i = 0; i < smart_entry::kCount; ++i) {
    const AttributeEntry& entry = attributes[i];
    const int id = entry[smart_entry::kId];
    if (id == 0 || id <= highest_id) continue;
    highest_id = id;
    shown.push_back(ShownAttribute{
        .id = entry[smart_entry::kId],
        .flags = ReadLe16(entry, smart_entry::kFlags),
        .current = entry[smart_entry::kCurrent],
        .worst = entry[smart_entry::kWorst],
        .threshold = thresholds[i][smart_entry::kThreshold],
        .raw = ReadLe48(entry, smart_entry::kRaw),
    });
  }
  return shown;
}

}  // namespace kestrine
