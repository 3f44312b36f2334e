// The attribute catalogue and the texts derived from an attribute's status flags.
#include "attribute_catalogue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

namespace kestrine {
namespace {

TEST(AttributeCatalogue, HoldsSeventyEightRecordsInAscendingUniqueIdOrder) {
  ASSERT_EQ(AttributeCatalogue.size(), 78u);
  std::set<std::uint16_t> ids;
  for (std::size_t i = 0; i < AttributeCatalogue.size(); ++i) {
    const AttributeRecord& record = AttributeCatalogue[i];
    ids.insert(record.id);
    if (i > 0) {
      EXPECT_LT(AttributeCatalogue[i - 1].id, record.id) << "record " << i;
    }
    EXPECT_FALSE(record.name.empty()) << record.id;
    EXPECT_LE(record.name.size(), 40u) << record.id;
    EXPECT_LE(record.description.size(), 160u) << record.id;
  }
  EXPECT_EQ(ids.size(), 78u);
  EXPECT_EQ(AttributeCatalogue.front().id, 1);
  EXPECT_EQ(AttributeCatalogue.back().id, 254);
}

struct ExactRecord {
  Byte id;
  const char* name;
  const char* description;
};

// Records whose texts are easy to get wrong: cut names, trailing blanks, quotes, grave accents,
// repeated names and the catalogue's own "Unknown".
const ExactRecord kExactRecords[] = {
    {1, "Raw Read Error Rate", "Frequency of errors appearance while reading RAW data from a disk"},
    {13, "Soft Read Error Rate",
     "Frequency of \"program\" errors appearance while reading data from a disk"},
    {100, "Erase/Program Cycles", ""},
    {108, "Unknown", ""},
    {171, "Program Fail Count", ""},
    {175, "Program Fail Count", ""},
    {181, "Program Fail Count", ""},
    {192, "Power-Off Retract Cycle",
     "Number of the fixed \"turning off\" drive cycles (Fujitsu: Emergency Retract Cycle Count)"},
    {194, "HDD Temperature", "Temperature of a Hard Disk Assembly"},
    {201, "Soft Read Error Rate", "Frequency of the off track errors (Maxtor: Off Track Errors)"},
    {220, "Disk Shift",
     "Shift of disk is possible as a result of strong shock loading in the store, as a result of "
     "it`s falling or for other reasons"},
    {221, "G-Sense Error Rate",
     "This attribute is an indication of shock-sensitive sensor - total quantity of errors "
     "appearance as a result of impact loads "},
    {228, "Power-Off Retract Count", "Quantity of the fixed turning off`s a drive"},
    {234, "Average erase count AND Maximum Erase Co", ""},
    {235, "Good Block Count AND System(Free) Block ", ""},
    {254, "Free Fall Protection", ""},
};

TEST(AttributeCatalogue, LookupGivesExactTexts) {
  for (const ExactRecord& expected : kExactRecords) {
    const AttributeName found = LookupAttributeName(expected.id);
    EXPECT_EQ(found.name, expected.name) << int{expected.id};
    EXPECT_EQ(found.description, expected.description) << int{expected.id};
  }
  EXPECT_EQ(LookupAttributeName(234).name.size(), 40u);
  EXPECT_EQ(LookupAttributeName(235).name.size(), 40u);
}

TEST(AttributeCatalogue, LookupOfEveryCatalogueIdGivesItsRecord) {
  for (const AttributeRecord& record : AttributeCatalogue) {
    const AttributeName found = LookupAttributeName(static_cast<Byte>(record.id));
    EXPECT_EQ(found.name, record.name);
    EXPECT_EQ(found.description, record.description);
  }
}

TEST(AttributeCatalogue, IdsNotCataloguedAreUnknownWithoutDescription) {
  for (Byte id : {0, 14, 99, 101, 169, 210, 229, 243, 253, 255}) {
    EXPECT_EQ(LookupAttributeName(id), (AttributeName{"Unknown", ""})) << int{id};
  }
}

TEST(AttributeFlags, TextListsAbbreviationsOfBitsZeroToFive) {
  const struct {
    std::uint16_t flags;
    const char* text;
    const char* type;
  } cases[] = {
      {0x0000, "", "Old_age"},
      {0x0040, "", "Old_age"},
      {0xFFC0, "", "Old_age"},
      {0x0001, "PF ", "Pre-fail"},
      {0x0033, "PF OC EC SP ", "Pre-fail"},
      {0x0032, "OC EC SP ", "Old_age"},
      {0x003E, "OC PA ER EC SP ", "Old_age"},
      {0xFFFE, "OC PA ER EC SP ", "Old_age"},
      {0xFFFF, "PF OC PA ER EC SP ", "Pre-fail"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AttributeFlagsText(c.flags), c.text) << std::hex << c.flags;
    EXPECT_EQ(AttributeTypeText(c.flags), c.type) << std::hex << c.flags;
  }
}

TEST(AttributeFlags, TypeFollowsBitZeroForEveryFlagsWord) {
  for (std::uint32_t flags = 0; flags <= 0xFFFF; ++flags) {
    const std::string type = AttributeTypeText(static_cast<std::uint16_t>(flags));
    ASSERT_EQ(type, (flags & 1) ? "Pre-fail" : "Old_age") << std::hex << flags;
  }
}

}  // namespace
}  // namespace kestrine
