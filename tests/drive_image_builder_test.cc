// The authoring helpers write the bytes a drive would: ATA strings in swapped pairs, sector counts
// split over their words, attribute entries with their thresholds at the same position, circular
// self-test logs and blocks that sum to zero.
#include "drive_image_builder.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

namespace kestrine {
namespace {

std::string BytesAt(const Sector& block, std::size_t offset, std::size_t count) {
  return std::string(block.begin() + static_cast<std::ptrdiff_t>(offset),
                     block.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

std::vector<Byte> Entry(const Sector& block, std::size_t index) {
  const auto first = block.begin() + static_cast<std::ptrdiff_t>(2 + 12 * index);
  return std::vector<Byte>(first, first + 12);
}

Byte Sum(const Sector& block) {
  return std::accumulate(block.begin(), block.end(), Byte{0},
                         [](Byte sum, Byte b) { return static_cast<Byte>(sum + b); });
}

TEST(IdentifyText, StoresPairsSwappedAndPadded) {
  struct Case {
    std::size_t first_word;
    std::size_t words;
    std::string text;
    TextAlign align;
    std::string block_bytes;
  };
  const Case cases[] = {
      // Model: left-aligned, padded with spaces to 40 characters.
      {27, 20, "KESTREL HD2000S", TextAlign::Left, "EKTSER LDH0200 S" + std::string(24, ' ')},
      // Serial: right-aligned; the odd length puts a space in the high byte of the first word.
      {10, 10, "KP1A0T3M88214", TextAlign::Right, "      K 1P0A3T8M2841"},
      // Firmware of exactly 8 characters.
      {23, 4, "05.02A05", TextAlign::Left, "500.A250"},
      // A text longer than its field is cut.
      {23, 4, "ABCDEFGHIJ", TextAlign::Left, "BADCFEHG"},
  };
  for (const Case& c : cases) {
    Sector identify{};
    SetIdentifyText(identify, c.first_word, c.words, c.text, c.align);
    EXPECT_EQ(BytesAt(identify, 2 * c.first_word, 2 * c.words), c.block_bytes) << c.text;
    // Nothing outside the field is touched.
    EXPECT_EQ(identify[2 * c.first_word - 1], 0);
    EXPECT_EQ(identify[2 * (c.first_word + c.words)], 0);
  }
}

TEST(IdentifyCapacity, SplitsTheCountOverItsWords) {
  struct Case {
    std::uint64_t sectors;
    std::uint32_t lba28;
    std::array<std::uint16_t, 4> lba48;
    std::uint16_t cylinders;
  };
  const Case cases[] = {
      // A 2 TB disk needs 48 bits: words 60-61 hold 0FFFFFFFh.
      {3907029168, 0x0FFFFFFF, {0x88B0, 0xE8E0, 0, 0}, 16383},
      // Exactly the 28-bit limit.
      {0x0FFFFFFF, 0x0FFFFFFF, {0xFFFF, 0x0FFF, 0, 0}, 16383},
      // A small disk: both counts agree, the geometry follows the size.
      {1000000, 1000000, {0x4240, 0x000F, 0, 0}, 992},
  };
  for (const Case& c : cases) {
    Sector identify{};
    SetIdentifyCapacity(identify, c.sectors);
    EXPECT_EQ(ReadLe32(identify, 120), c.lba28) << c.sectors;
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(ReadLe16(identify, 200 + 2 * i), c.lba48[i]);
    EXPECT_EQ(ReadLe16(identify, 2), c.cylinders);
    EXPECT_EQ(ReadLe16(identify, 6), 16);
    EXPECT_EQ(ReadLe16(identify, 12), 63);
    EXPECT_EQ(ReadLe32(identify, 114), std::uint32_t{c.cylinders} * 16 * 63);
  }
}

TEST(Attributes, EntryAndThresholdShareAPosition) {
  DriveImage image;
  ASSERT_TRUE(AddAttribute(image, {5, 0x0033, 100, 99, 12, 36}));
  ASSERT_TRUE(AddAttribute(image, {194, 0x0022, 35, 45, PackedTemperatureRaw(35, 16, 45), 0}));
  ASSERT_TRUE(AddAttribute(image, {241, 0x0032, 99, 99, 0x0003207AB14Dull, 0}));

  EXPECT_EQ(Entry(image.smart_data, 0),
            (std::vector<Byte>{0x05, 0x33, 0x00, 100, 99, 12, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Entry(image.smart_data, 1),
            (std::vector<Byte>{0xC2, 0x22, 0x00, 35, 45, 0x23, 0x00, 0x10, 0x00, 0x2D, 0x00, 0}));
  EXPECT_EQ(Entry(image.smart_data, 2),
            (std::vector<Byte>{0xF1, 0x32, 0x00, 99, 99, 0x4D, 0xB1, 0x7A, 0x20, 0x03, 0x00, 0}));
  EXPECT_EQ(Entry(image.thresholds, 0), (std::vector<Byte>{5, 36, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Entry(image.thresholds, 1), (std::vector<Byte>{194, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Attributes, ThirtyEntriesFillTheTable) {
  DriveImage image;
  for (int i = 1; i <= 30; ++i) ASSERT_TRUE(AddAttribute(image, {static_cast<Byte>(i), 0, 1, 1}));
  EXPECT_FALSE(AddAttribute(image, {31, 0, 1, 1}));
  EXPECT_EQ(image.smart_data[2 + 12 * 29], 30);
  EXPECT_EQ(image.smart_data[362], 0);  // the status bytes after the table are untouched
}

TEST(SmartStatusBytes, ExtendedTimeAbove254MinutesMovesToTheWord) {
  struct Case {
    std::uint16_t minutes;
    Byte byte373;
    std::uint16_t word375;
  };
  for (const Case& c :
       {Case{120, 120, 0}, Case{254, 254, 0}, Case{255, 0xFF, 255}, Case{276, 0xFF, 276}}) {
    DriveImage image;
    SetSmartStatus(image, {.offline_status = 0x82,
                           .self_test_status = 0x78,
                           .offline_seconds = 36600,
                           .offline_capability = 0x7B,
                           .smart_capability = 0x0003,
                           .error_logging = 1,
                           .short_minutes = 2,
                           .extended_minutes = c.minutes,
                           .conveyance_minutes = 5});
    const Sector& data = image.smart_data;
    EXPECT_EQ(ReadLe16(data, 0), 0x0010);
    EXPECT_EQ(ReadLe16(image.thresholds, 0), 0x0010);
    EXPECT_EQ(BytesAt(data, 362, 13),
              std::string("\x82\x78\xF8\x8E\x00\x7B\x03\x00\x01\x00\x02", 11) +
                  static_cast<char>(c.byte373) + "\x05");
    EXPECT_EQ(ReadLe16(data, 375), c.word375) << c.minutes;
  }
}

TEST(SelfTestLog, EntriesFollowTheIndexAndWrapAfter21) {
  Sector log{};
  AddSelfTestEntry(log, {2, 0x00, 12980});
  AddSelfTestEntry(log, {1, 0x78, 33490, 1, 117829341});
  EXPECT_EQ(log[508], 2);
  EXPECT_EQ(BytesAt(log, 2, 9), std::string("\x02\x00\xB4\x32\x00\x00\x00\x00\x00", 9));
  EXPECT_EQ(BytesAt(log, 26, 9), std::string("\x01\x78\xD2\x82\x01\xDD\xEE\x05\x07", 9));

  for (int i = 0; i < 19; ++i) AddSelfTestEntry(log, {1, 0x00, static_cast<std::uint16_t>(i)});
  EXPECT_EQ(log[508], 21);
  EXPECT_EQ(log[2 + 24 * 20], 1);
  AddSelfTestEntry(log, {127, 0x10, 40000});  // the 22nd overwrites the oldest
  EXPECT_EQ(log[508], 1);
  EXPECT_EQ(BytesAt(log, 2, 9), std::string("\x7F\x10\x40\x9C\x00\x00\x00\x00\x00", 9));
}

TEST(Seal, EveryBlockSumsToZero) {
  DriveImage image;
  SetIdentifyTexts(image.identify, "KESTREL HD2000S", "05.02A05", "KD2S41A07731");
  SetIdentifyCapacity(image.identify, 3907029168);
  AddAttribute(image, {9, 0x0032, 81, 81, 14310, 0});
  SetSmartStatus(image, {.short_minutes = 2, .extended_minutes = 120});
  AddSelfTestEntry(image.self_test_log, {1, 0, 14021});
  SealDriveImage(image);
  EXPECT_EQ(image.identify[510], 0xA5);  // the integrity word's signature
  EXPECT_EQ(ReadLe16(image.self_test_log, 0), 1);
  for (const Sector* block :
       {&image.identify, &image.smart_data, &image.thresholds, &image.self_test_log}) {
    EXPECT_EQ(Sum(*block), 0);
  }
}

}  // namespace
}  // namespace kestrine
