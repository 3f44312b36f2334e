// The NVMe decoders against hand-worked blocks (literal offsets, not the layout's names), the
// condition's edge cases, and the rows the views make of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "attribute_view_row.h"
#include "nvme_decode.h"
#include "nvme_view_rows.h"
#include "reading.h"

namespace kestrine {
namespace {

// The reading of an NVMe drive whose health log is `log`.
DriveReading NvmeReadingOfLog(const NvmeHealthLog& log) {
  const auto tables = std::make_unique<SmartTables>();
  tables->NvmeHealth[0] = log;
  tables->HealthRead[0] = true;
  return NvmeReadingFromTables(*tables, 0);
}

ViewRows NvmeRows(const NvmeHealthLog& log) {
  ViewRows rows;
  for (const HealthItem& item : NvmeReadingOfLog(log).items) rows.push_back(AttributeViewRow(item));
  return rows;
}

// The Self Test Logs rows of an NVMe drive whose Device Self-test log is `log`.
ViewRows SelfTestRows(const NvmeSelfTestLog& log) {
  DriveReading reading;
  AddNvmeSelfTestLog(reading, log);
  return NvmeSelfTestLogRows(reading.self_test, reading.self_test_log);
}

TEST(NvmeDecode, DecimalTextIsExact) {
  const struct {
    Counter128 value;
    const char* text;
  } cases[] = {
      {{0, 0}, "0"},
      {{9, 0}, "9"},
      {{10, 0}, "10"},
      {{0xFFFFFFFFFFFFFFFF, 0}, "18446744073709551615"},
      {{0, 1}, "18446744073709551616"},
      {{7766279631452241920, 5}, "100000000000000000000"},
      {{0xFFFFFFFFFFFFFFFF, 0xFFFFFFFFFFFFFFFF}, "340282366920938463463374607431768211455"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecimalText(c.value), c.text);
}

TEST(NvmeDecode, VersionText) {
  EXPECT_EQ(NvmeVersionText(0), "");
  EXPECT_EQ(NvmeVersionText(0x00010400), "NVMe 1.4");
  EXPECT_EQ(NvmeVersionText(0x00020000), "NVMe 2.0");
  EXPECT_EQ(NvmeVersionText(0x00010201), "NVMe 1.2.1");
}

TEST(NvmeDecode, IdentityFromHandWorkedBlocks) {
  NvmeIdentifyBlock controller{};
  NvmeIdentifyBlock namespace_data{};
  // Texts as controllers pad them: with spaces behind, a serial also in front; a zero byte ends
  // a text early.
  const std::string serial = "  S4EWNX0R123456    ";
  const std::string model = "Samsung SSD 970 EVO Plus 1TB  ";  // zero bytes after it
  std::copy(serial.begin(), serial.end(), controller.begin() + 4);
  std::copy(model.begin(), model.end(), controller.begin() + 24);
  std::copy_n("2B2Q    ", 8, controller.begin() + 64);
  controller[80] = 0x00;  // version 1.3: bytes 00 03 01 00
  controller[81] = 0x03;
  controller[82] = 0x01;
  controller[256] = 0x17;  // OACS: security, format, firmware, self-test
  controller[266] = 0x5B;  // WCTEMP 347 K
  controller[267] = 0x01;
  controller[268] = 0x60;  // CCTEMP 352 K
  controller[269] = 0x01;
  controller[316] = 0xAA;    // EDSTT 170 minutes
  controller[520] = 0x04;    // ONCS: dataset management
  controller[525] = 0x01;    // volatile write cache
  namespace_data[0] = 0xB0;  // NSZE 1953525168 = 0x74706DB0
  namespace_data[1] = 0x6D;
  namespace_data[2] = 0x70;
  namespace_data[3] = 0x74;
  namespace_data[26] = 0x01;  // format 1
  namespace_data[128 + 2] = 9;
  namespace_data[132 + 2] = 12;  // format 1: 4096-byte blocks

  const NvmeIdentity identity = DecodeNvmeIdentity(controller, namespace_data);
  EXPECT_EQ(identity.SerialNumber, "S4EWNX0R123456");
  EXPECT_EQ(identity.Model, "Samsung SSD 970 EVO Plus 1TB");
  EXPECT_EQ(identity.Firmware, "2B2Q");
  EXPECT_EQ(identity.MajorVersion, "NVMe 1.3");
  EXPECT_EQ(identity.LBASize, 1953525168u);
  EXPECT_EQ(identity.LogicalBlockSize, 4096u);
  EXPECT_EQ(identity.Features,
            "VolatileWriteCache SelfTest TRIM Security FormatNVM FirmwareUpdate");
  EXPECT_TRUE(identity.SelfTestSupported);
  EXPECT_EQ(identity.ExtendedSelfTestMinutes, 170);
  EXPECT_EQ(identity.WarningTemperatureKelvin, 347);
  EXPECT_EQ(identity.CriticalTemperatureKelvin, 352);

  // A block size exponent out of range is no size; bit 4 is no part of the format index, bits
  // 6:5 are its upper bits.
  namespace_data[132 + 2] = 70;
  EXPECT_EQ(DecodeNvmeIdentity(controller, namespace_data).LogicalBlockSize, 0u);
  namespace_data[26] = 0x10;  // metadata flag set, format 0
  EXPECT_EQ(DecodeNvmeIdentity(controller, namespace_data).LogicalBlockSize, 512u);
  namespace_data[26] = 0x51;     // format 0b10'0001 = 33, metadata flag set
  namespace_data[260 + 2] = 13;  // format 33 at 128 + 33 * 4: 8192-byte blocks
  EXPECT_EQ(DecodeNvmeIdentity(controller, namespace_data).LogicalBlockSize, 8192u);
  // A model of blanks only is no model.
  std::fill_n(controller.begin() + 24, 40, ' ');
  EXPECT_EQ(DecodeNvmeIdentity(controller, namespace_data).Model, "");
}

TEST(NvmeDecode, HealthFieldsFromAHandWorkedLog) {
  NvmeHealthLog log{};
  log[0] = 0x04;
  log[1] = 0x3C;  // 316 K
  log[2] = 0x01;
  log[3] = 0x5A;
  log[4] = 0x0A;
  log[5] = 0x07;
  log[32] = 0x01;  // data units read: 1 + 2^64
  log[40] = 0x01;
  log[48] = 0xFF;  // data units written: 2^64 - 1
  for (int i = 49; i < 56; ++i) log[i] = 0xFF;
  log[64] = 0x39;  // host reads 12345 = 0x3039
  log[65] = 0x30;
  log[95] = 0x80;  // host writes: 2^127
  log[96] = 0x0A;
  log[112] = 0x0B;
  log[128] = 0x0C;
  log[144] = 0x0D;
  log[175] = 0x01;  // media errors: 2^120
  log[191] = 0xFF;  // error log entries: 0xFF << 120
  const std::vector<std::string> expected = {"4",
                                             "316",
                                             "90",
                                             "10",
                                             "7",
                                             "18446744073709551617",
                                             "18446744073709551615",
                                             "12345",
                                             "170141183460469231731687303715884105728",
                                             "10",
                                             "11",
                                             "12",
                                             "13",
                                             "1329227995784915872903807060280344576",
                                             "338953138925153547590470800371487866880"};
  const ViewRows rows = NvmeRows(log);
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i][0], std::to_string(i + 1));
    EXPECT_EQ(rows[i][5], expected[i]) << rows[i][6];
    EXPECT_EQ(rows[i][1], "");
    EXPECT_EQ(rows[i][3], "");
  }
  EXPECT_EQ(rows[2][2], "90");
  EXPECT_EQ(rows[2][4], "10");
  EXPECT_EQ(rows[3][2], "");
  EXPECT_EQ(NvmeReadingOfLog(log).temperature_celsius, 43);
  log[1] = log[2] = 0;
  EXPECT_EQ(NvmeReadingOfLog(log).temperature_celsius, std::nullopt);
}

TEST(NvmeDecode, ConditionEdgeCases) {
  const struct {
    const char* name;
    Byte warning;
    Byte spare;
    Byte threshold;
    Byte used;
    Byte media_error_byte;  // one byte of the media error counter
    std::size_t media_error_at;
    Condition condition;
  } cases[] = {
      {"healthy", 0, 100, 10, 3, 0, 160, Condition::Ok},
      {"spare above threshold by one", 0, 11, 10, 0, 0, 160, Condition::Ok},
      {"spare equal to threshold", 0, 10, 10, 0, 0, 160, Condition::Warning},
      {"spare below threshold", 0, 9, 10, 0, 0, 160, Condition::Critical},
      {"89 % used", 0, 100, 10, 89, 0, 160, Condition::Ok},
      {"90 % used", 0, 100, 10, 90, 0, 160, Condition::Warning},
      {"255 % used", 0, 100, 10, 255, 0, 160, Condition::Warning},
      {"one media error", 0, 100, 10, 0, 1, 160, Condition::Warning},
      {"media errors in the high half", 0, 100, 10, 0, 1, 175, Condition::Warning},
      {"warning bit 0", 0x01, 100, 10, 0, 0, 160, Condition::Critical},
      {"warning bit 1", 0x02, 100, 10, 0, 0, 160, Condition::Critical},
      {"warning bit 2", 0x04, 100, 10, 0, 0, 160, Condition::Critical},
      {"warning bit 3", 0x08, 100, 10, 0, 0, 160, Condition::Critical},
      {"warning bit 4", 0x10, 100, 10, 0, 0, 160, Condition::Critical},
      {"warning bit 5", 0x20, 100, 10, 0, 0, 160, Condition::Critical},
      {"reserved warning bit 7", 0x80, 100, 10, 0, 0, 160, Condition::Critical},
      {"critical outranks warning", 0x01, 10, 10, 95, 1, 160, Condition::Critical},
      {"a zero log: spare 0 at threshold 0", 0, 0, 0, 0, 0, 160, Condition::Warning},
  };
  for (const auto& c : cases) {
    NvmeHealthLog log{};
    log[0] = c.warning;
    log[3] = c.spare;
    log[4] = c.threshold;
    log[5] = c.used;
    log[c.media_error_at] = c.media_error_byte;
    const DriveReading reading = NvmeReadingOfLog(log);
    EXPECT_EQ(reading.condition, c.condition) << c.name;
    // Each row is painted by its own item's verdict, the same way.
    Verdict from_rows = Verdict::Ok;
    for (const HealthItem& item : reading.items) from_rows = std::max(from_rows, item.RowVerdict());
    EXPECT_EQ(ConditionOf(from_rows), c.condition) << c.name;
  }
}

// Values beyond 64 bits are judged whole, and each finding says why.
TEST(NvmeDecode, WholeValuesAreJudged) {
  const Counter128 max{~0ULL, ~0ULL};
  EXPECT_EQ(NvmeFieldFindings(kNvmeCriticalWarningId, {0, 1}, 0).at(0).verdict, Verdict::Critical);
  EXPECT_EQ(NvmeFieldFindings(kNvmeMediaErrorsId, max, 0).at(0).reason,
            "media and data integrity errors: 340282366920938463463374607431768211455");
  EXPECT_EQ(NvmeFieldFindings(kNvmePercentageUsedId, {0, 1}, 0).at(0).verdict, Verdict::Warning);
  EXPECT_TRUE(NvmeFieldFindings(kNvmeAvailableSpareId, {0, 1}, 10).empty());
  EXPECT_TRUE(NvmeFieldFindings(13, max, 0).empty());
}

TEST(NvmeDecode, SelfTestLogFromAHandWorkedPage) {
  NvmeSelfTestLog log{};
  log[0] = 0x02;  // extended test under way
  log[1] = 0x23;  // 35 % done
  // Result 0: short, completed; 1234 hours.
  log[4] = 0x10;
  log[4 + 4] = 0xD2;
  log[4 + 5] = 0x04;
  // Result 1: extended, segment failed, failing LBA valid: 0x0102030405.
  log[32] = 0x27;
  log[32 + 2] = 0x03;
  log[32 + 4] = 0x10;
  log[32 + 16] = 0x05;
  log[32 + 17] = 0x04;
  log[32 + 18] = 0x03;
  log[32 + 19] = 0x02;
  log[32 + 20] = 0x01;
  // Result 2: vendor specific, aborted by reset; an LBA that is not marked valid.
  log[60] = 0xE2;
  log[60 + 16] = 0x77;
  // Result 3: unused; result 4, behind it, still holds a result: short, completed, 99 hours.
  // Results 5 to 19: unused.
  log[88] = 0x0F;
  log[116] = 0x10;
  log[116 + 4] = 99;
  for (int k = 5; k < 20; ++k) log[4 + k * 28] = 0x0F;

  const std::vector<std::vector<std::string>> expected = {
      {"1", "", "Extended offline", "Self-test routine in progress", "", "65%"},
      {"2", "1234", "Short offline", "Completed without error", "", ""},
      {"3", "16", "Extended offline", "Completed: one or more segments failed", "4328719365", ""},
      {"4", "0", "Vendor specific", "Aborted by a Controller Level Reset", "", ""},
      {"5", "99", "Short offline", "Completed without error", "", ""},
  };
  EXPECT_EQ(SelfTestRows(log), expected);

  // Reserved codes, and a completion past 100 %.
  log[0] = 0x05;
  log[1] = 0xFF;
  log[4] = 0x3B;
  const ViewRows odd = SelfTestRows(log);
  EXPECT_EQ(odd[0][2], "Reserved 0x5");
  EXPECT_EQ(odd[0][5], "0%");
  EXPECT_EQ(odd[1][2], "Reserved 0x3");
  EXPECT_EQ(odd[1][3], "Reserved 0xB");
  // A zeroed log has no results and no test under way.
  EXPECT_TRUE(SelfTestRows(NvmeSelfTestLog{}).empty());
}

}  // namespace
}  // namespace kestrine
