// The compiled-in catalogue of S.M.A.R.T. attribute names, and the texts derived from an
// attribute entry's status flags.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "bytes.h"

namespace kestrine {

// One known attribute. Names hold at most 40 characters and descriptions at most 160; both are
// kept exactly as catalogued, cut names and trailing blanks included.
struct AttributeRecord {
  std::uint16_t id = 0;
  std::string_view name;
  std::string_view description;
};

inline constexpr std::size_t kAttributeCatalogueSize = 78;
inline constexpr std::size_t kAttributeNameMax = 40;
inline constexpr std::size_t kAttributeDescriptionMax = 160;

// In ascending order of id, ids unique.
extern const std::array<AttributeRecord, kAttributeCatalogueSize> AttributeCatalogue;

// The name given to an id the catalogue does not hold.
inline constexpr char kUnknownAttributeName[] = "Unknown";

struct AttributeName {
  std::string name;
  std::string description;
  bool operator==(const AttributeName&) const = default;
};

// The first catalogue record with this id; "Unknown" and an empty description when none has it.
AttributeName LookupAttributeName(Byte id);

// The abbreviations of bits 0 to 5 of an attribute's status flags word.
inline constexpr std::array<std::string_view, 6> FlagAbbreviations = {"PF", "OC", "PA",
                                                                      "ER", "EC", "SP"};

// The abbreviation of each set bit among bits 0 to 5, in ascending bit order, each followed by
// one blank. Bits 6 to 15 are ignored: 0x0033 gives "PF OC EC SP ", 0 gives "".
std::string AttributeFlagsText(std::uint16_t flags);

inline constexpr char kTypePreFail[] = "Pre-fail";
inline constexpr char kTypeOldAge[] = "Old_age";

// "Pre-fail" when the flags text holds "PF" (bit 0, pre-failure warranty), "Old_age" otherwise.
std::string AttributeTypeText(std::uint16_t flags);

}  // namespace kestrine
