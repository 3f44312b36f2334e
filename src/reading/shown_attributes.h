// The attribute entries the Attributes view shows, in the order it shows them, with their
// thresholds: read once here for the view and for every other output of the same drive.
#pragma once

#include <cstdint>
#include <vector>

#include "bytes.h"
#include "smart_drv.h"

namespace kestrine {

// The only attribute whose raw value is taken as the drive's temperature in degrees Celsius.
inline constexpr Byte kTemperatureAttributeId = 194;

struct ShownAttribute {
  Byte id = 0;
  std::uint16_t flags = 0;
  Byte current = 0;
  Byte worst = 0;
  Byte threshold = 0;     // the threshold entry at the same position
  std::uint64_t raw = 0;  // all six bytes

  // The part of the raw value the view shows and judges.
  int Raw16() const { return static_cast<int>(raw & 0xFFFF); }
};

// Every position is looked at: an empty entry does not end the table. Ids are taken strictly
// ascending, so a duplicate or an entry out of order is left out and the earlier entry wins.
std::vector<ShownAttribute> ShownAttributes(const AttributeSlot& attributes,
                                            const ThresholdSlot& thresholds);

}  // namespace kestrine
