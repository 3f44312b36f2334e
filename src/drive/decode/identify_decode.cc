// Turns the IDENTIFY DEVICE block into the drive's THDDInfo record. Only the words named below
// are read; in particular the sector-size words are not, so LBASize stays a sector count.
#include "identify_decode.h"

#include <array>
#include <cstddef>
#include <utility>

#include "identify_layout.h"

namespace kestrine {

namespace {

inline constexpr std::size_t kSerialNumberLength = 2 * kSerialNumberWords;
inline constexpr std::size_t kFirmwareLength = 2 * kFirmwareRevisionWords;
inline constexpr std::size_t kModelLength = 2 * kModelNumberWords;

// Rotation-rate word: 1 is a non-rotating medium; 1025..65534 are revolutions per minute.
inline constexpr std::uint16_t kNonRotatingMedium = 0x0001;
inline constexpr std::uint16_t kFirstRotationRate = 0x0401;
inline constexpr std::uint16_t kLastRotationRate = 0xFFFE;

// Ultra DMA texts by bit number within a byte of word 88.
inline constexpr std::array<const char*, 7> kUdmaTexts = {
    "UDMA/16", "UDMA/25", "UDMA/33", "UDMA/44", "UDMA/66", "UDMA/100", "UDMA/133"};
inline constexpr int kHighByteShift = 8;

inline constexpr char kSata150[] = "SATA/150";
inline constexpr char kSata300[] = "SATA/300";
inline constexpr char kSata600[] = "SATA/600";
inline constexpr char kUnnamedSpeed[] = "----";

// Form factor texts by the value of bits 3-0 of word 168 (1 to 4).
inline constexpr std::array<const char*, 5> kFormFactorTexts = {"", "5.25 inch", "3.5 inch",
                                                                "2.5 inch", "1.8 inch"};

std::uint16_t Word(std::span<const Byte, 512> sector, std::size_t number) {
  return ReadLe16(sector, 2 * number);
}

// An IDENTIFY text in reading order: the field's bytes up to the first zero byte, one space
// appended, then the pairs swapped. A cut after an odd number of bytes pairs the appended space
// with the last byte taken.
std::string ExtractText(std::span<const Byte, 512> sector, std::size_t first_word,
                        std::size_t length) {
  std::string text;
  text.reserve(length + 1);
  for (std::size_t i = 0; i < length; ++i) {
    const Byte byte = sector[2 * first_word + i];
    if (byte == 0) break;
    text.push_back(static_cast<char>(byte));
  }
  text.push_back(' ');
  SwapBytePairs(text);
  return text;
}

void TrimTrailingSpaces(std::string& text) {
  const std::size_t last = text.find_last_not_of(' ');
  text.erase(last == std::string::npos ? 0 : last + 1);
}

void TrimLeadingSpaces(std::string& text) {
  text.erase(0, text.find_first_not_of(' '));
}

// The text of the highest set bit among bits first_bit+6 down to first_bit, or "".
std::string UltraDmaText(std::uint16_t value, int first_bit) {
  for (int bit = static_cast<int>(kUdmaTexts.size()) - 1; bit >= 0; --bit) {
    if (IsBitSet(value, first_bit + bit)) return kUdmaTexts[static_cast<std::size_t>(bit)];
  }
  return {};
}

// The major version number: the highest of bits 14..1 that is set, else the whole word.
std::uint32_t MajorVersionNumber(std::uint16_t value) {
  for (int bit = 14; bit >= 1; --bit) {
    if (IsBitSet(value, bit)) return static_cast<std::uint32_t>(bit);
  }
  return value;
}

std::string MajorVersionText(std::uint32_t n) {
  if (n > 11) return {};
  switch (n) {
    case 11:
      return "ACS-4";
    case 10:
      return "ACS-3";
    case 9:
      return "ACS-2";
    case 8:
      return "ATA8-ACS";
    case 0:
      return kUnnamedSpeed;
    default:
      break;
  }
  return (n >= 4 ? "ATA/ATAPI-" : "ATA-") + std::to_string(n);
}

void DecodeSerialSpeeds(std::uint16_t capabilities, std::uint16_t current_speed, THDDInfo& info) {
  info.InterfaceType = kParallelAta;
  if (capabilities != 0x0000 && capabilities != 0xFFFF) {
    info.SATACurrent = kSata150;
    info.SATAMax = kSata150;
    info.InterfaceType = kSerialAta;
  }
  // The highest generation the drive supports decides the maximum; the current speed is unknown
  // until word 77 names it, and a generation beyond those named here shows as the placeholder.
  if (IsBitSet(capabilities, 4)) {
    info.SATACurrent = kUnnamedSpeed;
    info.SATAMax = kUnnamedSpeed;
  } else if (IsBitSet(capabilities, 3)) {
    info.SATACurrent = kUnnamedSpeed;
    info.SATAMax = kSata600;
  } else if (IsBitSet(capabilities, 2)) {
    info.SATACurrent = kUnnamedSpeed;
    info.SATAMax = kSata300;
  } else if (IsBitSet(capabilities, 1)) {
    info.SATACurrent = kUnnamedSpeed;
    info.SATAMax = kSata150;
  }
  switch ((current_speed >> 1) & 0x7) {
    case 3:
      info.SATACurrent = kSata600;
      break;
    case 2:
      info.SATACurrent = kSata300;
      break;
    case 1:
      info.SATACurrent = kSata150;
      break;
    default:
      break;
  }
}

std::string FeatureList(std::span<const Byte, 512> sector, std::uint32_t n) {
  const std::uint16_t command_set1 = Word(sector, identify_word::kCommandSetSupported1);
  const std::uint16_t command_set2 = Word(sector, identify_word::kCommandSetSupported2);
  const std::uint16_t enabled = Word(sector, identify_word::kCommandSetEnabled2);
  std::string features;
  if (n >= 3 && IsBitSet(command_set1, 0)) features += "SMART";
  if (n >= 3 && IsBitSet(command_set2, 3)) {
    features += IsBitSet(enabled, 3) ? " APM-Enabled" : " APM-Supported";
  }
  if (n >= 5 && IsBitSet(command_set2, 9)) {
    features += IsBitSet(enabled, 9) ? " AAM-Enabled" : " AAM-Supported";
  }
  if (n >= 5 && IsBitSet(command_set2, 10)) features += " LBA48";
  if (n >= 6 && IsBitSet(Word(sector, identify_word::kSataCapabilities), 8)) features += " NCQ";
  if (n >= 7 && IsBitSet(Word(sector, identify_word::kNvCacheCapabilities), 0))
    features += " NvCache";
  if (n >= 7 && IsBitSet(Word(sector, identify_word::kDataSetManagement), 0)) features += " TRIM";
  return features;
}

}  // namespace

void SwapBytePairs(std::span<char> text) {
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) std::swap(text[i], text[i + 1]);
}

THDDInfo DecodeIdentifySector(std::span<const Byte, 512> sector) {
  THDDInfo info;
  info.LBABits = 28;

  const std::uint32_t lba28 = ReadLe32(sector, 2 * identify_word::kLba28Sectors);
  if (lba28 == kLba28Full) {
    const std::size_t offset = 2 * identify_word::kLba48Sectors;
    info.LBASize = static_cast<std::int64_t>(ReadLe32(sector, offset)) |
                   (static_cast<std::int64_t>(ReadLe16(sector, offset + 4)) << 32);
    info.LBABits = 48;
  } else {
    info.LBASize = lba28;
  }

  info.Model = ExtractText(sector, identify_word::kModelNumber, kModelLength);
  info.Firmware = ExtractText(sector, identify_word::kFirmwareRevision, kFirmwareLength);
  info.SerialNumber = ExtractText(sector, identify_word::kSerialNumber, kSerialNumberLength);
  TrimTrailingSpaces(info.Model);
  TrimLeadingSpaces(info.SerialNumber);

  info.Cache = Word(sector, identify_word::kBufferSize) >> 1;
  info.TransferMode = IsBitSet(Word(sector, identify_word::kMultiwordDma), 0) ? "PIO/DMA" : "PIO";

  const std::uint16_t ultra_dma = Word(sector, identify_word::kUltraDma);
  info.UDMAMax = UltraDmaText(ultra_dma, 0);
  info.UDMACurrent = UltraDmaText(ultra_dma, kHighByteShift);

  DecodeSerialSpeeds(Word(sector, identify_word::kSataCapabilities),
                     Word(sector, identify_word::kSataAdditionalCapabilities), info);

  const std::uint32_t n = MajorVersionNumber(Word(sector, identify_word::kMajorVersion));
  if (n >= 7) {
    const std::uint16_t form_factor = Word(sector, identify_word::kFormFactor) & 0xF;
    if (form_factor >= 1 && form_factor < kFormFactorTexts.size()) {
      info.NominalFormFactor = kFormFactorTexts[form_factor];
    }
    const std::uint16_t rotation = Word(sector, identify_word::kRotationRate);
    if (rotation == kNonRotatingMedium) {
      info.SSD = true;
      info.NominalMediaRotationRate = 1;
    } else if (rotation >= kFirstRotationRate && rotation <= kLastRotationRate) {
      info.NominalMediaRotationRate = rotation;
    }
    info.SleepSupported = IsBitSet(Word(sector, identify_word::kSataFeaturesSupported), 8);
  }

  info.Features = FeatureList(sector, n);
  info.MajorVersion = MajorVersionText(n);
  return info;
}

}  // namespace kestrine
