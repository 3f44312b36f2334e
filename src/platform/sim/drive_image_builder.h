// Helpers for writing drive images field by field: IDENTIFY words and texts, S.M.A.R.T.
// attributes with their thresholds, the status bytes of the data block, self-test log entries and
// the checksums. The demo drives and the tests author their blocks with these, never by offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <utility>

#include "bytes.h"
#include "identify_layout.h"
#include "sim_bay.h"

namespace kestrine {

// Where a text shorter than its field sits: models and firmware revisions are padded on the right,
// most drives right-align their serial numbers.
enum class TextAlign { Left, Right };

void SetIdentifyWord(Sector& identify, std::size_t word, std::uint16_t value);
void SetIdentifyWords(Sector& identify,
                      std::initializer_list<std::pair<std::size_t, std::uint16_t>> words);

// Writes an ATA string: padded with spaces to the field, two characters a word with the first in
// the high byte. A text longer than the field is cut.
void SetIdentifyText(Sector& identify, std::size_t first_word, std::size_t word_count,
                     std::string_view text, TextAlign align = TextAlign::Left);

// Model (left-aligned), firmware revision (left-aligned) and serial number (right-aligned).
void SetIdentifyTexts(Sector& identify, std::string_view model, std::string_view firmware,
                      std::string_view serial);

// The user-addressable sector count: words 60-61 (0x0FFFFFFF when the count needs 48 bits),
// words 100-103, and the legacy geometry words a drive of that size reports.
void SetIdentifyCapacity(Sector& identify, std::uint64_t sectors);

// Word 255: the signature A5h in the low byte and the checksum in the high byte.
void SetIdentifyChecksum(Sector& identify);

// Flag words of attribute entries.
inline constexpr std::uint16_t kFlagPreFail = 0x0001;
inline constexpr std::uint16_t kFlagOnline = 0x0002;
inline constexpr std::uint16_t kFlagPerformance = 0x0004;
inline constexpr std::uint16_t kFlagErrorRate = 0x0008;
inline constexpr std::uint16_t kFlagEventCount = 0x0010;
inline constexpr std::uint16_t kFlagSelfPreserving = 0x0020;

struct AttributeValues {
  Byte id = 0;
  std::uint16_t flags = 0;
  Byte value = 0;
  Byte worst = 0;
  std::uint64_t raw = 0;  // the six raw bytes, lowest first
  Byte threshold = 0;
};

// The raw value of a temperature attribute that packs the current, lowest and highest
// temperatures into bytes 0, 2 and 4.
constexpr std::uint64_t PackedTemperatureRaw(Byte current, Byte lowest, Byte highest) {
  return std::uint64_t{current} | (std::uint64_t{lowest} << 16) | (std::uint64_t{highest} << 32);
}

// Puts the attribute into the first free entry of the data block and its threshold into the same
// entry of the threshold block. False when all 30 entries are taken.
bool AddAttribute(DriveImage& image, const AttributeValues& attribute);

// Sets the raw value of the attribute `id` in the data block and reseals the image. False when
// the block has no such attribute.
bool SetAttributeRaw(DriveImage& image, Byte id, std::uint64_t raw);

// The status and capability part of the S.M.A.R.T. data block.
struct SmartStatus {
  std::uint16_t revision = 0x0010;
  Byte offline_status = 0;
  Byte self_test_status = 0;
  std::uint16_t offline_seconds = 0;
  Byte offline_capability = 0;
  std::uint16_t smart_capability = 0;
  Byte error_logging = 0;
  Byte short_minutes = 0;
  std::uint16_t extended_minutes = 0;  // above 254 the byte holds FFh and the word the minutes
  Byte conveyance_minutes = 0;
};

// Writes the status bytes; the threshold block takes the same revision.
void SetSmartStatus(DriveImage& image, const SmartStatus& status);

struct SelfTestEntry {
  Byte type = 0;    // the subcommand the test was started with
  Byte status = 0;  // status code in the high half, remaining tenths in the low half
  std::uint16_t hours = 0;
  Byte checkpoint = 0;
  std::uint32_t failing_lba = 0;
};

// Writes the entry after the most recent one of the log (the log is circular over 21
// descriptors) and makes it the most recent.
void AddSelfTestEntry(Sector& log, const SelfTestEntry& entry);

// Sets the checksums of the four blocks (and the self-test log's revision); run it after the last
// edit of an image.
void SealDriveImage(DriveImage& image);

}  // namespace kestrine
