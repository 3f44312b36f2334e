// The SCSI pages decoded from hand-written bytes, and every decoder given a page it cannot hold
// whole: nothing comes back, never a number made up from bytes past the page.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "scsi_pages.h"

namespace kestrine {
namespace {

// Temperature 34 C, reference 68 C.
const std::vector<Byte> kTemperature = {0x0D, 0, 0, 12, 0, 0, 3, 2, 0, 34, 0, 1, 3, 2, 0, 68};

TEST(ScsiPages, MalformedPagesAreNotRead) {
  using Decoder = std::function<bool(std::span<const Byte>)>;
  const std::vector<std::pair<const char*, Decoder>> decoders = {
      {"00h", [](auto d) { return DecodeSupportedLogPages(d).has_value(); }},
      {"03h", [](auto d) { return DecodeErrorCounterPage(d, 0x03).has_value(); }},
      {"06h", [](auto d) { return DecodeNonMediumErrors(d).has_value(); }},
      {"0Dh", [](auto d) { return DecodeTemperaturePage(d).has_value(); }},
      {"0Eh", [](auto d) { return DecodeStartStopPage(d).has_value(); }},
      {"10h", [](auto d) { return DecodeSelfTestResults(d).has_value(); }},
      {"11h", [](auto d) { return DecodeEnduranceUsed(d).has_value(); }},
      {"15h", [](auto d) { return DecodeBackgroundScan(d).has_value(); }},
      {"2Fh", [](auto d) { return DecodeInformationalExceptions(d).has_value(); }},
  };
  const std::vector<Byte> ff(64, 0xFF);
  for (const auto& [page, decode] : decoders) {
    EXPECT_FALSE(decode({})) << page;
    EXPECT_FALSE(decode(ff)) << page << ": all FFh";
    // Each page's own code, with a page length past the bytes, then with a parameter longer than
    // a page that is otherwise whole.
    const Byte code = static_cast<Byte>(std::stoi(page, nullptr, 16));
    EXPECT_FALSE(decode(std::vector<Byte>{code, 0, 0, 9, 0, 0, 3, 1, 0})) << page;
    if (code != 0) {
      EXPECT_FALSE(decode(std::vector<Byte>{code, 0, 0, 5, 0, 0, 3, 2, 0})) << page;
    }
  }
  EXPECT_FALSE(DecodeStandardInquiry(std::vector<Byte>(35, 0x20)));
  EXPECT_FALSE(DecodeUnitSerial(std::vector<Byte>{0, 0x80, 0, 9, 'A'}));
  EXPECT_FALSE(DecodeWorldWideName(std::vector<Byte>{0, 0x83, 0, 8, 1, 3, 0, 8, 0x50, 0, 0, 0}));
  EXPECT_FALSE(DecodeBlockCharacteristics(std::vector<Byte>{0, 0xB1, 0, 2, 0x1C, 0x20}));
  EXPECT_FALSE(DecodeReadCapacity10(std::vector<Byte>{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 2, 0}))
      << "the capacity needs READ CAPACITY (16)";
  EXPECT_FALSE(DecodeIeControlPage(std::vector<Byte>(8, 0xFF)));
  EXPECT_FALSE(DecodeGrownDefects10(std::vector<Byte>{0, 0x0E, 0, 8})) << "vendor format";
  EXPECT_FALSE(DecodeGrownDefects10(std::vector<Byte>{0, 0x14, 0, 8})) << "the primary list";
}

TEST(ScsiPages, ValuesAsLaidOut) {
  EXPECT_EQ(DecodeTemperaturePage(kTemperature), (ScsiTemperature{34, 68}));
  // Not available (FFh) is no temperature.
  std::vector<Byte> unavailable = kTemperature;
  unavailable[9] = 0xFF;
  EXPECT_EQ(DecodeTemperaturePage(unavailable), (ScsiTemperature{std::nullopt, 68}));

  // Counters: 0006h of two bytes, 0005h of ten with leading zeros; 0004h longer than it can be.
  const std::vector<Byte> counters = {0x03, 0, 0, 33, 0, 6, 3, 2, 0x01, 0x02, 0,    5, 3,
                                      10,   0, 0, 0,  0, 0, 0, 0, 0,    0,    0x2A, 0, 4,
                                      3,    9, 1, 0,  0, 0, 0, 0, 0,    0,    7};
  const auto read = DecodeErrorCounterPage(counters, 0x03);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->Uncorrected(), 0x0102u);
  EXPECT_EQ(read->counters[5], 0x2Au);
  EXPECT_FALSE(read->counters[4]);
  EXPECT_FALSE(DecodeErrorCounterPage(counters, 0x02)) << "another page's header";

  // Self-test results: one failed background extended test, an empty entry skipped.
  std::vector<Byte> tests = {0x10, 0, 0, 40};
  const std::vector<Byte> failed = {0, 1, 3, 16,   0x45, 7,    0x52, 0x08, 0,    0,
                                    0, 0, 0, 0x12, 0x34, 0x56, 0x03, 0x11, 0x04, 0};
  const std::vector<Byte> empty = {0, 2, 3, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  tests.insert(tests.end(), failed.begin(), failed.end());
  tests.insert(tests.end(), empty.begin(), empty.end());
  const auto entries = DecodeSelfTestResults(tests);
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 1u);
  EXPECT_EQ((*entries)[0], (ScsiSelfTestEntry{.parameter = 1,
                                              .code = 2,
                                              .result = 5,
                                              .number = 7,
                                              .power_on_hours = 0x5208,
                                              .first_failure_lba = 0x123456,
                                              .sense_key = 3,
                                              .asc = 0x11,
                                              .ascq = 4}));

  // The logical unit's NAA designator, not the target port's that comes first.
  const std::vector<Byte> identification = {0,    0x83, 0,    24, 0x61, 0x93, 0,    8,    0x50, 0,
                                            0,    0,    0,    0,  0,    1,    0x01, 0x03, 0,    8,
                                            0x50, 0,    0xC5, 0,  0xA1, 0xB2, 0xC3, 0xD4};
  EXPECT_EQ(DecodeWorldWideName(identification), "0x5000c500a1b2c3d4");

  // The mode page after an eight-byte block descriptor: TEST set, MRIE 6.
  const std::vector<Byte> mode = {0, 26, 0,    0,    0,    0,    0, 8, 0, 0, 0, 0, 0, 0,
                                  2, 0,  0x1C, 0x0A, 0x04, 0x06, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(DecodeIeControlPage(mode), (ScsiIeControl{false, true, 6}));

  EXPECT_EQ(DecodeGrownDefects12(std::vector<Byte>{0, 0x0C, 0, 1, 0, 0, 0, 24}), 3u);
  EXPECT_EQ(DecodeGrownDefects10(std::vector<Byte>{0, 0x08, 0, 12}), 3u) << "short block format";
}

}  // namespace
}  // namespace kestrine
