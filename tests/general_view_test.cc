// The General view: the status and capability bytes of the S.M.A.R.T. data block as rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_toolkit.h"
#include "general_view_rows.h"
#include "test_paths.h"

namespace kestrine {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using testing::FormFixture;

// The rows of the view written out from the cells that vary between drives. `capabilities` holds
// the seven truth values of the capability lines as 'T' and 'F', bit 0 first.
struct GeneralCells {
  std::string offline_value, offline_text;
  std::string self_test_value, self_test_text;
  std::string offline_seconds;
  std::string capability_value, capabilities;
  std::string smart_capability_value, auto_save_text;
  std::string error_logging_value, error_logging_text;
  std::string short_minutes, extended_minutes;
};

Rows ExpectedRows(const GeneralCells& c) {
  static const char* const kLines[] = {"isSupportExecuteOfflineImmediate:",
                                       "isSupportAutomaticTimer:",
                                       "isSupportOfflineAbort:",
                                       "isSupportOfflineSurfaceScan:",
                                       "isSupportSelfTest:",
                                       "isSupportConveyanceSelfTest:",
                                       "isSupportSelectiveSelfTest:"};
  Rows rows = {
      {"Offline data collection status", c.offline_value, c.offline_text},
      {"Self-test execution status", c.self_test_value, c.self_test_text},
      {"Total time to complete Offline test", c.offline_seconds, "seconds"},
      {"Offline data collection Capabilities", c.capability_value},
  };
  for (int bit = 0; bit < 7; ++bit) {
    rows.push_back(
        {"", "", std::string(kLines[bit]) + (c.capabilities[bit] == 'T' ? "True" : "False")});
  }
  rows.push_back({"SMART capabilities", c.smart_capability_value, c.auto_save_text});
  rows.push_back({"Error logging capability", c.error_logging_value, c.error_logging_text});
  rows.push_back({"Short self-test completion time", c.short_minutes, "minutes"});
  rows.push_back({"Extended self-test routine completion time", c.extended_minutes, "minutes"});
  return rows;
}

const std::string kSaves = "Saves SMART data before entering power-saving mode.";
const std::string kDoesNotSave = "Does not save SMART data before entering power-saving mode.";
const std::string kTimer = " Supports SMART auto save timer.";
const std::string kDisabled = ",Auto Offline Data Collection: Disabled";
const std::string kEnabled = ",Auto Offline Data Collection: Enabled";

TEST(GeneralView, AllZeroBlock) {
  const Sector zero{};
  EXPECT_EQ(GeneralViewRows(AtaStatusFromSmartData(zero)),
            ExpectedRows({"0", "was never started" + kDisabled, "0", "Completed without error", "0",
                          "0", "FFFFFFF", "00", "Automatic saving of SMART data is not implemented",
                          "0", "Error logging NOT supported", "0", "0"}));
}

TEST(GeneralView, EveryRowReadsItsOwnField) {
  // Distinct values in every field, and bytes the view must not read set around them.
  Sector block{};
  block.fill(0xEE);
  block[362] = 0x84;
  block[363] = 0x25;
  WriteLe16(block, 364, 0x1234);
  block[367] = 0x2A;
  WriteLe16(block, 368, 0x0102);
  block[370] = 0x00;
  block[372] = 7;
  block[373] = 254;
  EXPECT_EQ(GeneralViewRows(AtaStatusFromSmartData(block)),
            ExpectedRows({"84", "was suspended by an interrupting command from host" + kEnabled,
                          "37", "Interrupted (host reset)", "4660", "2A", "FTFTFTF", "102",
                          kDoesNotSave + kTimer, "0", "Error logging NOT supported", "7", "254"}));
}

// One status or capability field set, the rest zero: the cells of its row.
struct FieldCase {
  std::size_t offset;
  int value;  // written as a byte, or as a 16-bit word at the SMART capability offset
  std::size_t row;
  std::vector<std::string> cells;
};

TEST(GeneralView, StatusAndCapabilityFields) {
  const std::string kOffline = "Offline data collection status";
  const std::string kSmartCaps = "SMART capabilities";
  const FieldCase cases[] = {
      {362, 0, 0, {kOffline, "0", "was never started" + kDisabled}},
      {362, 130, 0, {kOffline, "82", "was completed without error" + kEnabled}},
      {362, 3, 0, {kOffline, "3", "is in progress" + kDisabled}},
      {362, 131, 0, {kOffline, "83", "is in a Reserved state" + kEnabled}},
      {362, 69, 0, {kOffline, "45", "is in a Vendor Specific state" + kDisabled}},
      {362, 255, 0, {kOffline, "FF", "is in a Vendor Specific state" + kEnabled}},
      {363, 249, 1, {"Self-test execution status", "249", "Self-test routine in progress"}},
      {363, 0, 1, {"Self-test execution status", "0", "Completed without error"}},
      {363, 144, 1, {"Self-test execution status", "144", ""}},
      {364, 0xFF, 2, {"Total time to complete Offline test", "255", "seconds"}},
      {365, 0xFF, 2, {"Total time to complete Offline test", "65280", "seconds"}},
      {367, 91, 3, {"Offline data collection Capabilities", "5B"}},
      {367, 255, 3, {"Offline data collection Capabilities", "FF"}},
      {367, 91, 4, {"", "", "isSupportExecuteOfflineImmediate:True"}},
      {367, 91, 6, {"", "", "isSupportOfflineAbort:False"}},
      {367, 91, 9, {"", "", "isSupportConveyanceSelfTest:False"}},
      {367, 91, 10, {"", "", "isSupportSelectiveSelfTest:True"}},
      {367, 0x80, 10, {"", "", "isSupportSelectiveSelfTest:False"}},
      {368, 3, 11, {kSmartCaps, "03", kSaves + kTimer}},
      {368, 2, 11, {kSmartCaps, "02", kDoesNotSave + kTimer}},
      {368, 0, 11, {kSmartCaps, "00", "Automatic saving of SMART data is not implemented"}},
      {368, 256, 11, {kSmartCaps, "100", kDoesNotSave}},
      {368, 0xFFFF, 11, {kSmartCaps, "FFFF", kSaves + kTimer}},
      {370, 1, 12, {"Error logging capability", "1", "Error logging supported"}},
      {370, 0xFE, 12, {"Error logging capability", "FE", "Error logging NOT supported"}},
      {372, 255, 13, {"Short self-test completion time", "255", "minutes"}},
      {373, 254, 14, {"Extended self-test routine completion time", "254", "minutes"}},
  };
  for (const auto& c : cases) {
    Sector block{};
    if (c.offset == 368) {
      WriteLe16(block, c.offset, static_cast<std::uint16_t>(c.value));
    } else {
      block[c.offset] = static_cast<Byte>(c.value);
    }
    const Rows rows = GeneralViewRows(AtaStatusFromSmartData(block));
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_EQ(rows[c.row], c.cells) << "byte " << c.offset << " = " << c.value;
  }
}

// A test of 255 minutes or more: byte 373 holds FFh and the word at 375-376 the minutes; any
// other byte is the time itself.
TEST(GeneralView, ExtendedSelfTestTimeOver254MinutesIsTheWord) {
  const struct {
    Byte minutes;
    std::uint16_t word;
    const char* shown;
  } cases[] = {{0xFF, 276, "276"}, {0xFF, 0xFFFF, "65535"}, {0xFE, 276, "254"}};
  for (const auto& c : cases) {
    Sector block{};
    block[373] = c.minutes;
    WriteLe16(block, 375, c.word);
    EXPECT_EQ(GeneralViewRows(AtaStatusFromSmartData(block))[14][1], c.shown) << c.word;
  }
}

TEST(GeneralView, FillAppendsToListView4FromSmartDataSector) {
  FormFixture fx;
  fx.drv.Tables().SmartDataSector[363] = 0x17;
  fx.ui.ListView4.AddRow({"kept"});
  fx.Run([](TForm1& f) {
    f.TakeReading(AtaReadingFromTables(f.DriveLayer().Tables(), 0));
    f.FillGeneralView();
  });
  const Rows& rows = fx.ui.ListView4.Rows();
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows[0], std::vector<std::string>{"kept"});
  EXPECT_EQ(rows[2][1], "23");
  EXPECT_EQ(rows[2][2], "Aborted by host");
  EXPECT_TRUE(fx.bay.Opens().empty());  // no device is touched
}

// The status bytes 362 to 373 of some captured drives, read off the blocks by hand.
struct CapturedCase {
  std::string name;
  GeneralCells cells;
};

const CapturedCase kCaptured[] = {
    {"FUJITSU_MHY2120BH--0085000B",
     {"0", "was never started" + kDisabled, "23", "Aborted by host", "487", "7B", "TTFTTTT", "03",
      kSaves + kTimer, "1", "Error logging supported", "2", "69"}},
    {"SAMSUNG_MMCQE28G8MUP--0VA_VAM08L1Q",
     {"2", "was completed without error" + kDisabled, "247", "Self-test routine in progress", "360",
      "5B", "TTFTTFT", "03", kSaves + kTimer, "1", "Error logging supported", "6", "36"}},
    {"WDC_WD2500JS-75NCB3--10.02E04",
     {"84", "was suspended by an interrupting command from host" + kEnabled, "0",
      "Completed without error", "8280", "7B", "TTFTTTT", "03", kSaves + kTimer, "1",
      "Error logging supported", "2", "96"}},
    {"ST320410A--3.39",
     {"82", "was completed without error" + kEnabled, "0", "Completed without error", "420", "1D",
      "TFTTTFF", "03", kSaves + kTimer, "1", "Error logging supported", "1", "42"}},
    {"Maxtor_96147H8--BAC51KJ0",
     {"0", "was never started" + kDisabled, "0", "Completed without error", "0", "1B", "TTFTTFF",
      "03", kSaves + kTimer, "0", "Error logging NOT supported", "2", "48"}},
    {"ST9160821AS--3.CLH",
     {"0", "was never started" + kDisabled, "17", "Aborted by host", "426", "53", "TTFFTFT", "03",
      kSaves + kTimer, "1", "Error logging supported", "1", "80"}},
};

TEST(GeneralView, CapturedDrivesAfterARefresh) {
  KESTRINE_REQUIRE_CAPTURED();
  for (const auto& c : kCaptured) {
    FormFixture fx;
    fx.bay.AddDrive(0, testing::CapturedImage(c.name));
    fx.Run([](TForm1& f) { f.FormShow(); });
    EXPECT_EQ(fx.ui.ListView4.Rows(), ExpectedRows(c.cells)) << c.name;
  }
}

TEST(GeneralView, EveryCapturedDriveShowsFifteenRowsAndAnEmptyLog) {
  KESTRINE_REQUIRE_CAPTURED();
  for (const auto& name : testing::CapturedNames()) {
    FormFixture fx;
    fx.bay.AddDrive(0, testing::CapturedImage(name));
    fx.Run([](TForm1& f) { f.FormShow(); });
    const Rows& rows = fx.ui.ListView4.Rows();
    ASSERT_EQ(rows.size(), 15u) << name;
    EXPECT_EQ(rows[3].size(), 2u) << name;
    // No self-test log was captured: the log is all zero, the view empty and nobody told.
    EXPECT_TRUE(fx.ui.ListView3.Rows().empty()) << name;
    EXPECT_TRUE(fx.ui.App.messages.empty()) << name;
    EXPECT_EQ(fx.bay.OpenHandleCount(), 0) << name;
  }
}

}  // namespace
}  // namespace kestrine
