// Decoding of IDENTIFY DEVICE blocks: built blocks for the edge cases, the captured drives for
// what real drives state.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "identify_decode.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "test_paths.h"

namespace kestrine {
namespace {

using namespace std::string_literals;

// An IDENTIFY block under construction.
struct Block {
  Sector bytes{};

  Block& Word(std::size_t number, std::uint16_t value) {
    WriteLe16(bytes, 2 * number, value);
    return *this;
  }
  // Raw bytes in block order from the first byte of `first_word`.
  Block& Raw(std::size_t first_word, const std::string& block_order) {
    std::ranges::copy(block_order, bytes.begin() + static_cast<std::ptrdiff_t>(2 * first_word));
    return *this;
  }
  THDDInfo Decode() const { return DecodeIdentifySector(bytes); }
};

constexpr std::size_t kSerialWord = 10;
constexpr std::size_t kFirmwareWord = 23;
constexpr std::size_t kModelWord = 27;

// A text in reading order as the drive stores it: the characters of each pair exchanged.
std::string Stored(std::string reading_order) {
  SwapBytePairs(reading_order);
  return reading_order;
}

TEST(IdentifyDecode, AllZeroBlock) {
  THDDInfo expected;
  expected.Model = "";
  expected.Firmware = " ";
  expected.SerialNumber = "";
  expected.LBABits = 28;
  expected.LBASize = 0;
  expected.Cache = 0;
  expected.TransferMode = "PIO";
  expected.InterfaceType = "Parallel ATA";
  expected.MajorVersion = "----";
  EXPECT_EQ(Block{}.Decode(), expected);
}

TEST(IdentifyDecode, SmallRoutines) {
  std::string even = "BADC";
  SwapBytePairs(even);
  EXPECT_EQ(even, "ABCD");
  std::string odd = "BADCE";
  SwapBytePairs(odd);
  EXPECT_EQ(odd, "ABCDE");
  std::string one = "X";
  SwapBytePairs(one);
  EXPECT_EQ(one, "X");
  std::string none;
  SwapBytePairs(none);
  EXPECT_EQ(none, "");

  EXPECT_TRUE(IsBitSet(0x0001, 0));
  EXPECT_TRUE(IsBitSet(0x8000, 15));
  EXPECT_FALSE(IsBitSet(0x7FFF, 15));
  EXPECT_FALSE(IsBitSet(0xFFFE, 0));
  EXPECT_FALSE(IsBitSet(0xFFFF, 16));  // no bit beyond the word
  EXPECT_FALSE(IsBitSet(0xFFFF, -1));
}

TEST(IdentifyDecode, CapacityChoice) {
  struct Case {
    const char* what;
    std::uint32_t lba28;
    std::uint16_t w100, w101, w102, w103;
    std::int64_t size;
    int bits;
  };
  const Case cases[] = {
      {"28 low bits all set: 48-bit count", 0x0FFFFFFF, 0x88B0, 0xE8E0, 0, 0, 3907029168, 48},
      {"one below: 28-bit count even with a larger 48-bit count", 0x0FFFFFFE, 0x88B0, 0xE8E0, 0, 0,
       268435454, 28},
      {"word 103 ignored", 0x0FFFFFFF, 0x88B0, 0xE8E0, 0, 0xFFFF, 3907029168, 48},
      {"word 102 counts", 0x0FFFFFFF, 0x0000, 0x0000, 0x0001, 0, 4294967296, 48},
      {"largest 48-bit count", 0x0FFFFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 281474976710655, 48},
      {"48-bit count of zero", 0x0FFFFFFF, 0, 0, 0, 0, 0, 48},
      {"all 32 bits set is a 28-bit count", 0xFFFFFFFF, 0x88B0, 0xE8E0, 0, 0, 4294967295, 28},
      {"small drive", 0x0727FBC0, 0, 0, 0, 0, 120060864, 28},
  };
  for (const Case& c : cases) {
    Block block;
    WriteLe32(block.bytes, 120, c.lba28);
    block.Word(100, c.w100).Word(101, c.w101).Word(102, c.w102).Word(103, c.w103);
    // 48-bit addressing reported or not: it does not decide the choice.
    for (std::uint16_t word83 : {std::uint16_t{0}, std::uint16_t{0x0400}}) {
      const THDDInfo info = block.Word(83, word83).Decode();
      EXPECT_EQ(info.LBASize, c.size) << c.what << ", word 83 " << word83;
      EXPECT_EQ(info.LBABits, c.bits) << c.what << ", word 83 " << word83;
    }
  }
}

TEST(IdentifyDecode, TextFields) {
  enum Field { kModel, kFirmware, kSerial };
  struct Case {
    const char* what;
    Field field;
    std::string block_order;  // the field's bytes; the rest of the field stays zero
    std::string expected;
  };
  const std::string name20 = "ACME ULTRA-DRIVE 500";
  const Case cases[] = {
      {"model padded with spaces", kModel, Stored(name20 + std::string(20, ' ')), name20},
      {"model of 40 spaces", kModel, std::string(40, ' '), ""},
      {"model keeps leading spaces", kModel, Stored("  AB" + std::string(36, ' ')), "  AB"},
      {"model of 40 characters", kModel, Stored(std::string(39, 'M') + "Z"),
       std::string(39, 'M') + "Z"},
      {"model cut before the 7th byte", kModel, "BADCFE\0X"s, "ABCDEF"},
      {"model cut before the 6th byte", kModel, "BADCF\0"s, "ABCD F"},
      {"model cut before the 2nd byte", kModel, "X\0"s, " X"},
      {"model empty", kModel, "", ""},
      {"only the space is trimmed", kModel, Stored("AB\t\t"), "AB\t\t"},
      {"bytes above 0x7F kept", kModel, Stored("\xE9\xFF\x80 "), "\xE9\xFF\x80"},
      {"firmware of 8 characters", kFirmware, Stored("FW123456"), "FW123456 "},
      {"firmware is not trimmed", kFirmware, Stored("  1.0   "), "  1.0    "},
      {"firmware of zero bytes", kFirmware, "", " "},
      {"firmware cut before the 7th byte", kFirmware, Stored("2.9.09") + "\0\0"s, "2.9.09 "},
      {"firmware cut before the 3rd byte", kFirmware, "BA\0C"s, "AB "},
      {"serial after nine spaces", kSerial, Stored("         SN123456789"), "SN123456789 "},
      {"serial keeps trailing spaces", kSerial, Stored("SN12" + std::string(16, ' ')),
       "SN12" + std::string(17, ' ')},
      {"serial of 20 spaces", kSerial, std::string(20, ' '), ""},
      {"serial cut before the 5th byte", kSerial, "  BA\0"s, "AB "},
      {"serial cut before the 4th byte", kSerial, "SAN\0"s, "AS N"},
  };
  for (const Case& c : cases) {
    Block block;
    // Neighbouring words set, so that a field reading past its end shows.
    block.Raw(9, "ZZ").Raw(20, "ZZ").Raw(22, "ZZ").Raw(47, "ZZ");
    const std::size_t first[] = {kModelWord, kFirmwareWord, kSerialWord};
    block.Raw(first[c.field], c.block_order);
    const THDDInfo info = block.Decode();
    const std::string* decoded[] = {&info.Model, &info.Firmware, &info.SerialNumber};
    EXPECT_EQ(*decoded[c.field], c.expected) << c.what;
  }
}

TEST(IdentifyDecode, CacheAndTransferMode) {
  EXPECT_EQ(Block{}.Word(21, 16384).Decode().Cache, 8192);
  EXPECT_EQ(Block{}.Word(21, 0xFFFF).Decode().Cache, 32767);  // read unsigned
  EXPECT_EQ(Block{}.Word(21, 1).Decode().Cache, 0);
  EXPECT_EQ(Block{}.Word(63, 0x0001).Decode().TransferMode, "PIO/DMA");
  EXPECT_EQ(Block{}.Word(63, 0x0407).Decode().TransferMode, "PIO/DMA");
  EXPECT_EQ(Block{}.Word(63, 0xFFFE).Decode().TransferMode, "PIO");
}

TEST(IdentifyDecode, UltraDmaModes) {
  struct Case {
    std::uint16_t word88;
    const char* current;
    const char* max;
  };
  const Case cases[] = {
      {0x207F, "UDMA/100", "UDMA/133"},
      {0x003F, "", "UDMA/100"},
      {0x0101, "UDMA/16", "UDMA/16"},
      {0x0203, "UDMA/25", "UDMA/25"},
      {0x0407, "UDMA/33", "UDMA/33"},
      {0x080F, "UDMA/44", "UDMA/44"},
      {0x101F, "UDMA/66", "UDMA/66"},
      {0x4000, "UDMA/133", ""},
      {0x8080, "", ""},
      {0xFFFF, "UDMA/133", "UDMA/133"},
      {0x0000, "", ""},
  };
  for (const Case& c : cases) {
    const THDDInfo info = Block{}.Word(88, c.word88).Decode();
    EXPECT_EQ(info.UDMACurrent, c.current) << std::hex << c.word88;
    EXPECT_EQ(info.UDMAMax, c.max) << std::hex << c.word88;
  }
}

TEST(IdentifyDecode, SerialInterfaceAndSpeeds) {
  struct Case {
    std::uint16_t word76, word77;
    const char* interface_type;
    const char* current;
    const char* max;
    bool ncq;
  };
  const Case cases[] = {
      {0x010E, 0x0006, "Serial ATA", "SATA/600", "SATA/600", true},
      {0x010E, 0x0000, "Serial ATA", "----", "SATA/600", true},
      {0x0012, 0x0000, "Serial ATA", "----", "----", false},
      {0x0012, 0x0004, "Serial ATA", "SATA/300", "----", false},
      {0x0006, 0x0004, "Serial ATA", "SATA/300", "SATA/300", false},
      {0x0002, 0x0002, "Serial ATA", "SATA/150", "SATA/150", false},
      {0x0008, 0x000E, "Serial ATA", "----", "SATA/600", false},  // 7 names no speed
      {0x0008, 0x0001, "Serial ATA", "----", "SATA/600", false},  // bit 0 is not a speed
      {0x0001, 0x0000, "Serial ATA", "SATA/150", "SATA/150", false},
      {0x0100, 0x0000, "Serial ATA", "SATA/150", "SATA/150", true},
      {0xFFFF, 0x0000, "Parallel ATA", "----", "----", true},
      {0x0000, 0x0000, "Parallel ATA", "", "", false},
      {0x0000, 0x0006, "Parallel ATA", "SATA/600", "", false},
  };
  for (const Case& c : cases) {
    const THDDInfo info = Block{}.Word(76, c.word76).Word(77, c.word77).Word(80, 0x0100).Decode();
    const std::string what =
        "word 76 " + std::to_string(c.word76) + ", 77 " + std::to_string(c.word77);
    EXPECT_EQ(info.InterfaceType, c.interface_type) << what;
    EXPECT_EQ(info.SATACurrent, c.current) << what;
    EXPECT_EQ(info.SATAMax, c.max) << what;
    EXPECT_EQ(info.Features, c.ncq ? " NCQ" : "") << what;
  }
}

TEST(IdentifyDecode, MajorVersionTexts) {
  struct Case {
    std::uint16_t word80;
    const char* text;
  };
  const Case cases[] = {
      {0x01F0, "ATA8-ACS"},
      {0x0FF0, "ACS-4"},
      {0x07F0, "ACS-3"},
      {0x0200, "ACS-2"},
      {0x0080, "ATA/ATAPI-7"},
      {0x0070, "ATA/ATAPI-6"},
      {0x0010, "ATA/ATAPI-4"},
      {0x000E, "ATA-3"},
      {0x0004, "ATA-2"},
      {0x0002, "ATA-1"},
      {0x0003, "ATA-1"},
      {0x0001, "ATA-1"},
      {0x0000, "----"},
      {0x1000, ""},
      {0x4000, ""},
      {0xFFFF, ""},
      {0x8000, ""},
      {0x8001, ""},
      {0x8002, "ATA-1"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Block{}.Word(80, c.word80).Decode().MajorVersion, c.text) << std::hex << c.word80;
  }
}

// A block that claims everything the N-gated steps look at.
Block FullFeatured() {
  return Block{}
      .Word(76, 0x0106)
      .Word(78, 0x0100)
      .Word(82, 0x0001)
      .Word(83, 0x0608)
      .Word(86, 0x0208)
      .Word(168, 0x0003)
      .Word(169, 0x0001)
      .Word(214, 0x0001)
      .Word(217, 0x0001);
}

TEST(IdentifyDecode, VersionGates) {
  struct Case {
    std::uint16_t word80;
    const char* features;
    bool newer_fields;  // form factor, SSD, rotation rate, device sleep
  };
  const Case cases[] = {
      {0x0004, "", false},
      {0x0008, "SMART APM-Enabled", false},
      {0x0010, "SMART APM-Enabled", false},
      {0x0020, "SMART APM-Enabled AAM-Enabled LBA48", false},
      {0x0040, "SMART APM-Enabled AAM-Enabled LBA48 NCQ", false},
      {0x0080, "SMART APM-Enabled AAM-Enabled LBA48 NCQ NvCache TRIM", true},
      {0x0001, "", false},
      {0xFFFF, "SMART APM-Enabled AAM-Enabled LBA48 NCQ NvCache TRIM", true},
      {0x8000, "SMART APM-Enabled AAM-Enabled LBA48 NCQ NvCache TRIM", true},
  };
  for (const Case& c : cases) {
    const THDDInfo info = FullFeatured().Word(80, c.word80).Decode();
    EXPECT_EQ(info.Features, c.features) << std::hex << c.word80;
    EXPECT_EQ(info.SSD, c.newer_fields) << std::hex << c.word80;
    EXPECT_EQ(info.NominalMediaRotationRate, c.newer_fields ? 1 : 0) << std::hex << c.word80;
    EXPECT_EQ(info.SleepSupported, c.newer_fields) << std::hex << c.word80;
    EXPECT_EQ(info.NominalFormFactor, c.newer_fields ? "2.5 inch" : "") << std::hex << c.word80;
  }
}

TEST(IdentifyDecode, FeatureTokens) {
  struct Case {
    const char* what;
    std::uint16_t word82, word83, word86;
    const char* features;
  };
  const Case cases[] = {
      {"supported, not enabled", 0x0001, 0x0608, 0x0000, "SMART APM-Supported AAM-Supported LBA48"},
      {"enabled without support", 0x0001, 0x0000, 0x0208, "SMART"},
      {"no SMART: starts with a space", 0x0000, 0x0408, 0x0000, " APM-Supported LBA48"},
      {"AAM alone", 0x0000, 0x0200, 0x0200, " AAM-Enabled"},
  };
  for (const Case& c : cases) {
    const THDDInfo info =
        Block{}.Word(80, 0x0100).Word(82, c.word82).Word(83, c.word83).Word(86, c.word86).Decode();
    EXPECT_EQ(info.Features, c.features) << c.what;
  }
}

// Every value of word 80 on the full-featured block, against the version number worked out from
// the highest of bits 14..1.
TEST(IdentifyDecode, EveryWord80) {
  const std::vector<std::string> texts = {
      "----",        "ATA-1",       "ATA-2",    "ATA-3", "ATA/ATAPI-4", "ATA/ATAPI-5",
      "ATA/ATAPI-6", "ATA/ATAPI-7", "ATA8-ACS", "ACS-2", "ACS-3",       "ACS-4"};
  Block block = FullFeatured();
  for (std::uint32_t value = 0; value <= 0xFFFF; ++value) {
    const auto word80 = static_cast<std::uint16_t>(value);
    const unsigned middle = word80 & 0x7FFEU;
    const unsigned n = middle != 0 ? static_cast<unsigned>(std::bit_width(middle)) - 1 : word80;
    const THDDInfo info = block.Word(80, word80).Decode();
    ASSERT_EQ(info.MajorVersion, n < texts.size() ? texts[n] : "") << value;
    ASSERT_EQ(info.SSD, n >= 7) << value;
    ASSERT_EQ(info.Features.starts_with("SMART"), n >= 3) << value;
    ASSERT_EQ(info.Features.find(" NCQ") != std::string::npos, n >= 6) << value;
  }
}

TEST(IdentifyDecode, RotationRate) {
  struct Case {
    std::uint16_t word217;
    bool ssd;
    int rate;
  };
  const Case cases[] = {
      {0x0000, false, 0},    {0x0001, true, 1},     {0x0002, false, 0},     {0x0400, false, 0},
      {0x0401, false, 1025}, {0x1C20, false, 7200}, {0xFFFE, false, 65534}, {0xFFFF, false, 0},
  };
  for (const Case& c : cases) {
    const THDDInfo info = Block{}.Word(80, 0x0100).Word(217, c.word217).Decode();
    EXPECT_EQ(info.SSD, c.ssd) << c.word217;
    EXPECT_EQ(info.NominalMediaRotationRate, c.rate) << c.word217;
  }
  // Below version 7 the word is not looked at.
  const THDDInfo older = Block{}.Word(80, 0x0040).Word(217, 0x1C20).Decode();
  EXPECT_EQ(older.NominalMediaRotationRate, 0);
}

TEST(IdentifyDecode, FormFactor) {
  struct Case {
    std::uint16_t word168;
    const char* text;
  };
  const Case cases[] = {{0x0000, ""},         {0x0001, "5.25 inch"}, {0x0002, "3.5 inch"},
                        {0x0003, "2.5 inch"}, {0x0004, "1.8 inch"},  {0x0005, ""},
                        {0x000F, ""},         {0xFFF3, "2.5 inch"},  {0x0010, ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(Block{}.Word(80, 0x0100).Word(168, c.word168).Decode().NominalFormFactor, c.text)
        << c.word168;
  }
  EXPECT_EQ(Block{}.Word(80, 0x0040).Word(168, 0x0003).Decode().NominalFormFactor, "");
}

// What the captured drives state, checked by hand against their bytes.
struct Stated {
  const char* name;
  const char* model;
  const char* firmware;
  const char* serial;
  std::int64_t sectors;
  int bits;
};

const Stated kHandChecked[] = {
    {"FUJITSU_MHY2120BH--0084000D", "FUJITSU MHY2120BH", "0084000D ", "K434T81257SL ", 234441648,
     28},
    {"FUJITSU_MHY2250BH--0085000B", "FUJITSU MHY2250BH", "0085000B ", "K432T81269H2 ", 488397168,
     48},
    {"INTEL_SSDSA2CW120G3--4PC10302", "INTEL SSDSA2CW120G3", "4PC10302 ", "CVPR109301UZ120LGN   ",
     234441648, 28},
    {"MCCOE64GEMPP--2.9.09", "MCCOE64GEMPP", "2.9.09 ", "SE808N0608           ", 117231408, 28},
    {"Maxtor_96147H8--BAC51KJ0", "Maxtor 96147H8", "BAC51KJ0 ", "N80BR8EC             ", 120060864,
     28},
    {"SAMSUNG_HD501LJ--CR100-12", "SAMSUNG HD501LJ", "CR100-12 ", "S0MUJ1NQ110060       ",
     976773168, 48},
    {"ST320410A--3.39", "ST320410A", "3.39     ", "5FB3QF34             ", 39100223, 28},
    {"ST9160821AS--3.CLH", "ST9160821AS", "3.CLH    ", "5MAC2QTA ", 312581808, 48},
    {"TOSHIBA_MK1651GSY--38IGT0G5T", "TOSHIBA MK1651GSY", "LD001D   ", "38IGT0G5T ", 312581808, 48},
    {"WDC_WD2500JB--00REA0-20.00K20", "WDC WD2500JB-00REA0", "20.00K20 ", "WD-WMANK4051741 ",
     488397168, 48},
};

TEST(IdentifyDecodeCaptured, HandCheckedDrives) {
  KESTRINE_REQUIRE_CAPTURED();
  for (const Stated& s : kHandChecked) {
    const THDDInfo info = DecodeIdentifySector(testing::CapturedImage(s.name).identify);
    EXPECT_EQ(info.Model, s.model) << s.name;
    EXPECT_EQ(info.Firmware, s.firmware) << s.name;
    EXPECT_EQ(info.SerialNumber, s.serial) << s.name;
    EXPECT_EQ(info.LBASize, s.sectors) << s.name;
    EXPECT_EQ(info.LBABits, s.bits) << s.name;
  }
}

// The folder's names join model and firmware with spaces, dashes and underscores in several ways;
// without those separators every name is the decoded model followed by the decoded firmware.
std::string WithoutSeparators(std::string text) {
  std::erase_if(text, [](char c) { return c == ' ' || c == '-' || c == '_'; });
  return text;
}

TEST(IdentifyDecodeCaptured, EveryDriveNamesItself) {
  KESTRINE_REQUIRE_CAPTURED();
  for (const std::string& name : testing::CapturedNames()) {
    const THDDInfo info = DecodeIdentifySector(testing::CapturedImage(name).identify);
    std::string stated = name;
    if (stated.ends_with("--2")) stated.resize(stated.size() - 3);  // the same drive, later
    if (name.starts_with("TOSHIBA_MK1651GSY")) {
      // Its name carries part of the serial number in place of the firmware.
      EXPECT_EQ(info.Firmware, "LD001D   ");
      EXPECT_EQ(WithoutSeparators(stated), WithoutSeparators(info.Model + info.SerialNumber));
    } else {
      EXPECT_EQ(WithoutSeparators(stated), WithoutSeparators(info.Model + info.Firmware));
    }
    EXPECT_TRUE(info.Firmware.ends_with(' ')) << name;
    EXPECT_FALSE(info.Model.ends_with(' ')) << name;
    EXPECT_FALSE(info.SerialNumber.empty()) << name;
    EXPECT_NE(info.SerialNumber.front(), ' ') << name;
    EXPECT_GT(info.LBASize, 0) << name;
    EXPECT_EQ(info.LBABits == 48, info.LBASize >= 0x0FFFFFFF) << name;
  }
}

TEST(IdentifyDecodeCaptured, CapturedSsdsAndInterfaces) {
  KESTRINE_REQUIRE_CAPTURED();
  const THDDInfo intel =
      DecodeIdentifySector(testing::CapturedImage("INTEL_SSDSA2CW120G3--4PC10302").identify);
  EXPECT_TRUE(intel.SSD);
  EXPECT_EQ(intel.NominalMediaRotationRate, 1);
  EXPECT_EQ(intel.InterfaceType, "Serial ATA");
  EXPECT_EQ(intel.SATACurrent, "----");
  EXPECT_EQ(intel.SATAMax, "SATA/300");
  EXPECT_EQ(intel.Features, "SMART LBA48 NCQ TRIM");
  EXPECT_EQ(intel.MajorVersion, "ATA8-ACS");

  const THDDInfo wdc =
      DecodeIdentifySector(testing::CapturedImage("WDC_WD2500JB--00REA0-20.00K20").identify);
  EXPECT_FALSE(wdc.SSD);
  EXPECT_EQ(wdc.InterfaceType, "Parallel ATA");
  EXPECT_EQ(wdc.UDMACurrent, "UDMA/66");
  EXPECT_EQ(wdc.UDMAMax, "UDMA/100");
  EXPECT_EQ(wdc.Features, "SMART AAM-Enabled LBA48");
  EXPECT_EQ(wdc.MajorVersion, "ATA/ATAPI-7");
  EXPECT_EQ(wdc.Cache, 8192);
}

// The record after a decode depends on the block alone: not on what the slot held, nor on
// another drive's slot, for any drive number.
TEST(IdentifyDecodeCaptured, DecodeIgnoresWhatTheRecordHeld) {
  KESTRINE_REQUIRE_CAPTURED();
  const std::vector<std::string> names = testing::CapturedNames();
  SimBay bay;
  SmartDrv drv(bay);
  SmartTables& tables = drv.Tables();
  for (std::size_t i = 0; i < names.size(); ++i) {
    const Sector block = testing::CapturedImage(names[i]).identify;
    const Sector other = testing::CapturedImage(names[(i + 1) % names.size()]).identify;
    for (const Byte drive : {Byte{0}, Byte{3}, Byte{4}, Byte{255}}) {
      tables.IdentifySector[drive] = other;
      drv.DecodeIdentify(drive);
      tables.IdentifySector[drive] = block;
      drv.DecodeIdentify(drive);
      const THDDInfo first = tables.HDDInfo[drive];
      tables.HDDInfo[drive] = THDDInfo{};
      drv.DecodeIdentify(drive);
      EXPECT_EQ(tables.HDDInfo[drive], first) << names[i];
      EXPECT_EQ(first, DecodeIdentifySector(block)) << names[i];
    }
  }
  // Only the decoded slots were written.
  for (std::size_t drive = 0; drive < kDriveSlots; ++drive) {
    if (drive == 0 || drive == 3 || drive == 4 || drive == 255) continue;
    ASSERT_EQ(tables.HDDInfo[drive], THDDInfo{}) << drive;
  }
}

}  // namespace
}  // namespace kestrine
