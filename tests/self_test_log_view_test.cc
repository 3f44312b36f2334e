// The Self Test Logs view: the drive's self-test log read afresh, its descriptors as rows.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ata_pass_through_block.h"
#include "fake_toolkit.h"
#include "form_texts.h"
#include "legacy_request.h"
#include "sat_pass_through_block.h"
#include "self_test_log_rows.h"
#include "test_drives.h"

namespace kestrine {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using testing::FormFixture;
using namespace std::chrono_literals;

using testing::kDrive0;

void SetDescriptor(Sector& log, std::size_t k, Byte type, Byte status, std::uint16_t hours,
                   std::uint32_t lba = 0) {
  const std::size_t at = 2 + 24 * k;
  log[at] = type;
  log[at + 1] = status;
  WriteLe16(log, at + 2, hours);
  log[at + 4] = 0x11;  // failure checkpoint, not shown
  WriteLe32(log, at + 5, lba);
  for (std::size_t i = 9; i < 24; ++i) log[at + i] = 0xCC;  // vendor specific, not shown
}

TEST(SelfTestLogRows, AZeroTypeEndsTheLogBeforeLaterEntries) {
  Sector log{};
  SetDescriptor(log, 0, 1, 0x00, 100);
  SetDescriptor(log, 1, 2, 0x00, 150);
  SetDescriptor(log, 2, 1, 0x00, 151);
  SetDescriptor(log, 3, 0, 0x70, 152, 99);  // type 0: the end, whatever else it holds
  for (std::size_t k = 4; k < 21; ++k) SetDescriptor(log, k, 2, 0x00, 200);
  EXPECT_EQ(SelfTestLogRows(AtaSelfTestEntries(log)),
            (Rows{
                {"1", "100", "Short offline", "Completed without error", "", "00%"},
                {"2", "150", "Extended offline", "Completed without error", "", "00%"},
                {"3", "151", "Short offline", "Completed without error", "", "00%"},
            }));
}

TEST(SelfTestLogRows, EmptyLogHasNoRows) {
  const Sector zero{};
  EXPECT_TRUE(SelfTestLogRows(AtaSelfTestEntries(zero)).empty());
  Sector later_only{};
  SetDescriptor(later_only, 1, 1, 0x00, 5);
  EXPECT_TRUE(SelfTestLogRows(AtaSelfTestEntries(later_only)).empty());
}

TEST(SelfTestLogRows, FullLogInStorageOrderWhateverByte508Says) {
  Sector log{};
  for (std::size_t k = 0; k < 21; ++k) {
    SetDescriptor(log, k, k % 2 == 0 ? 1 : 2, 0x00, static_cast<std::uint16_t>(1000 + k));
  }
  log[508] = 8;  // the drive's most recent entry is descriptor 7
  // Bytes after the descriptors are not descriptors, however they look.
  log[506] = 1;
  log[507] = 0xF0;
  const Rows rows = SelfTestLogRows(AtaSelfTestEntries(log));
  ASSERT_EQ(rows.size(), 21u);
  for (std::size_t k = 0; k < 21; ++k) {
    EXPECT_EQ(rows[k][0], std::to_string(k + 1));
    EXPECT_EQ(rows[k][1], std::to_string(1000 + k));
    EXPECT_EQ(rows[k][2], k % 2 == 0 ? "Short offline" : "Extended offline");
  }
}

TEST(SelfTestLogRows, StatusDecidesStatusTextFailureLbaAndRemaining) {
  struct Case {
    Byte status;
    std::uint32_t lba;
    std::string status_text, lba_text, remaining;
  };
  const Case cases[] = {
      {0, 1234, "Completed without error", "", "00%"},
      {15, 1234, "Completed without error", "1234", "150%"},
      {121, 0x00ABCDEF, "Completed: read failure", "11259375", "90%"},
      {249, 0, "Self-test routine in progress", "0", "90%"},
      {0x73, 0xFFFFFFFF, "Completed: read failure", "4294967295", "30%"},
      {0x90, 7, "", "7", "00%"},
      {0x10, 0, "Aborted by host", "0", "00%"},
  };
  for (const auto& c : cases) {
    Sector log{};
    SetDescriptor(log, 0, 1, c.status, 65535, c.lba);
    const Rows rows = SelfTestLogRows(AtaSelfTestEntries(log));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "65535", "Short offline", c.status_text,
                                                 c.lba_text, c.remaining}))
        << int{c.status};
  }
}

// A drive with one attribute (power-on hours) and the given self-test polling times.
DriveImage TestDrive(std::uint16_t power_on_hours, Byte short_minutes, Byte extended_minutes) {
  DriveImage image;
  image.smart_data[0] = 1;
  image.smart_data[2] = 9;  // attribute 9, raw value at entry bytes 5 and 6
  WriteLe16(image.smart_data, 2 + 5, power_on_hours);
  image.smart_data[372] = short_minutes;
  image.smart_data[373] = extended_minutes;
  return image;
}

// Whether a request carries the READ LOG subcommand, in any of the three request formats.
bool IsReadLog(std::uint32_t code, std::span<const Byte> in) {
  switch (code) {
    case kIoctlAtaPassThrough:
      return in[ata_block::kCurrentTaskFile + kIdeRegs.features] == kSmartReadLog;
    case kIoctlScsiPassThrough:
      return in[sat_block::kCdb + 3] == kSmartReadLog;
    case kSmartRcvDriveData:
      return in[legacy::kIrDriveRegs + kIdeRegs.features] == kSmartReadLog;
    default:
      return false;
  }
}

TEST(SelfTestLogView, RefreshListsTheDrivesLog) {
  FormFixture fx;
  DriveImage image = TestDrive(10, 1, 1);
  SetDescriptor(image.self_test_log, 0, 2, 0x00, 40);
  SetDescriptor(image.self_test_log, 1, 1, 0x75, 42, 0x10203040);
  image.self_test_log[508] = 2;
  fx.bay.AddDrive(0, image);
  fx.Run([](TForm1& f) { f.FormShow(); });
  EXPECT_EQ(fx.ui.ListView3.Rows(),
            (Rows{{"1", "40", "Extended offline", "Completed without error", "", "00%"},
                  {"2", "42", "Short offline", "Completed: read failure", "270544960", "50%"}}));
  EXPECT_TRUE(fx.ui.App.messages.empty());
  EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
  EXPECT_EQ(fx.ui.ListView4.Rows().size(), 15u);
}

TEST(SelfTestLogView, ReadsTheSelectedDrive) {
  FormFixture fx;
  DriveImage first = TestDrive(1, 1, 1);
  SetDescriptor(first.self_test_log, 0, 1, 0x00, 11);
  DriveImage second = TestDrive(2, 1, 1);
  SetDescriptor(second.self_test_log, 0, 2, 0x00, 22);
  SetDescriptor(second.self_test_log, 1, 2, 0x00, 23);
  fx.bay.AddDrive(0, first);
  fx.bay.AddDrive(1, second);
  fx.Run([](TForm1& f) { f.FormShow(); });
  ASSERT_EQ(fx.ui.ComboBox1.items.size(), 2u);
  fx.ui.ComboBox1.text = fx.ui.ComboBox1.items[1];
  fx.Run([](TForm1& f) { f.ComboBox1Change(); });
  const Rows& rows = fx.ui.ListView3.Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][1], "22");
  EXPECT_EQ(rows[1][1], "23");
}

TEST(SelfTestLogView, FallsBackToSatWhenTheAtaFamilyCannotReadTheLog) {
  FormFixture fx;
  DriveImage image = TestDrive(1, 1, 1);
  SetDescriptor(image.self_test_log, 0, 1, 0x00, 77);
  SimDrive& drive = fx.bay.AddDrive(0, image);
  drive.refuse = [](std::uint32_t code, std::span<const Byte> in) {
    return code != kIoctlScsiPassThrough && IsReadLog(code, in);
  };
  fx.Run([](TForm1& f) { f.FormShow(); });
  ASSERT_EQ(fx.ui.ListView3.Rows().size(), 1u);
  EXPECT_EQ(fx.ui.ListView3.Rows()[0][1], "77");
  EXPECT_TRUE(fx.ui.App.messages.empty());
}

TEST(SelfTestLogView, BothReadsFailingSaysFailedClosesTheDriveAndGoesOn) {
  FormFixture fx;
  DriveImage image = TestDrive(1, 1, 1);
  SetDescriptor(image.self_test_log, 0, 1, 0x00, 77);
  SimDrive& drive = fx.bay.AddDrive(0, image);
  drive.refuse = IsReadLog;
  fx.Run([](TForm1& f) { f.FormShow(); });
  EXPECT_EQ(fx.ui.App.messages, std::vector<std::string>{"failed"});
  EXPECT_TRUE(fx.ui.ListView3.Rows().empty());
  EXPECT_EQ(fx.ui.ListView4.Rows().size(), 15u);  // the General view still follows
  EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
  // The log's own handle (the last one opened) was closed.
  ASSERT_FALSE(fx.bay.Opens().empty());
  const DeviceHandle log_handle = fx.bay.Opens().back().handle;
  ASSERT_NE(log_handle, kInvalidHandle);
  EXPECT_EQ(fx.bay.Closes().back(), log_handle);
  // Every family was asked before giving up (the statistics' log reads aside: the self-test log
  // is log 06h, in the LBA low register).
  int read_log_requests = 0;
  for (const auto& r : fx.bay.Requests()) {
    const std::size_t log_address = r.code == kIoctlAtaPassThrough
                                        ? ata_block::kCurrentTaskFile + kIdeRegs.lba_low
                                    : r.code == kSmartRcvDriveData
                                        ? legacy::kIrDriveRegs + kIdeRegs.lba_low
                                        : sat_block::kCdb + 5;
    read_log_requests += IsReadLog(r.code, r.in) && r.in[log_address] == 0x06 ? 1 : 0;
  }
  EXPECT_EQ(read_log_requests, 3);  // ATA pass-through, legacy, SAT
}

// Re-reads nobody asked for that miss the log tell it once, as a notification naming the drive,
// and open no box; the user's refresh still says it in one.
TEST(SelfTestLogView, TicksThatMissTheLogTellItOnceWithoutABox) {
  FormFixture fx;
  fx.bay.AddDrive(0, TestDrive(1, 1, 1)).refuse = IsReadLog;
  fx.ui.ComboBox1.text = "\\\\.\\PHYSICALDRIVE0";
  for (int tick = 0; tick < 3; ++tick) fx.Run([](TForm1& f) { f.Timer2Timer(); });
  EXPECT_TRUE(fx.ui.App.messages.empty());
  EXPECT_EQ(fx.ui.TrayIcon1.notifications,
            (std::vector<Notification>{
                {Severity::Warning, fx.ui.ComboBox1.text, texts::kSelfTestLogNotReadAtTick}}));
  fx.Run([](TForm1& f) { f.Refresh1Click(); });
  EXPECT_EQ(fx.ui.App.messages, std::vector<std::string>{"failed"});
}

TEST(SelfTestLogView, ADriveThatCannotBeOpenedEndsTheSameWay) {
  FormFixture fx;
  fx.ui.ComboBox1.text = "\\\\.\\PHYSICALDRIVE3";  // nothing in that bay
  fx.Run([](TForm1& f) { f.FillSelfTestLogView(); });
  EXPECT_EQ(fx.ui.App.messages, std::vector<std::string>{"failed"});
  EXPECT_TRUE(fx.ui.ListView3.Rows().empty());
  EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
}

TEST(SelfTestLogView, AnUnreadableDriveNumberStillClosesTheDrive) {
  FormFixture fx;
  fx.bay.AddDrive(0, TestDrive(1, 1, 1));
  // The bay opens this name, but it is no "\\.\PHYSICALDRIVE" entry to take a number from.
  fx.ui.ComboBox1.text = "PHYSICALDRIVE0";
  fx.Run([](TForm1& f) { f.FillSelfTestLogView(); });
  EXPECT_EQ(fx.ui.App.messages,
            std::vector<std::string>{"'PHYSICALDRIVE0' is not a valid integer value"});
  ASSERT_EQ(fx.bay.Opens().size(), 1u);
  ASSERT_NE(fx.bay.Opens()[0].handle, kInvalidHandle);
  EXPECT_EQ(fx.bay.Closes(), std::vector<DeviceHandle>{fx.bay.Opens()[0].handle});
  EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
  EXPECT_TRUE(fx.bay.Requests().empty());
}

const std::vector<std::string>& SelfTestStatusRow(const FormFixture& fx) {
  return fx.ui.ListView4.Rows().at(1);
}

TEST(SelfTestLogView, ShortSelfTestRunInTheBay) {
  FormFixture fx;
  fx.bay.AddDrive(0, TestDrive(1234, 2, 30));
  fx.Run([](TForm1& f) { f.FormShow(); });
  EXPECT_TRUE(fx.ui.ListView3.Rows().empty());
  EXPECT_EQ(SelfTestStatusRow(fx)[2], "Completed without error");

  const DeviceHandle handle = fx.drv.OpenDrive(kDrive0);
  ASSERT_EQ(fx.drv.RunSelfTestAta(handle, 0, kSmartExecuteOfflineImmediate, 1, 0),
            CommandResult::Success);
  fx.drv.CloseDrive(handle);

  fx.Run([](TForm1& f) { f.Refresh1Click(); });
  EXPECT_EQ(SelfTestStatusRow(fx), (std::vector<std::string>{"Self-test execution status", "249",
                                                             "Self-test routine in progress"}));
  EXPECT_TRUE(fx.ui.ListView3.Rows().empty());

  fx.bay.AdvanceClock(1min);  // half way: five tenths remain
  fx.Run([](TForm1& f) { f.Refresh1Click(); });
  EXPECT_EQ(SelfTestStatusRow(fx)[1], "245");
  EXPECT_EQ(SelfTestStatusRow(fx)[2], "Self-test routine in progress");
  EXPECT_TRUE(fx.ui.ListView3.Rows().empty());

  fx.bay.AdvanceClock(61s);
  fx.Run([](TForm1& f) { f.Refresh1Click(); });
  EXPECT_EQ(SelfTestStatusRow(fx), (std::vector<std::string>{"Self-test execution status", "0",
                                                             "Completed without error"}));
  EXPECT_EQ(fx.ui.ListView3.Rows(),
            (Rows{{"1", "1234", "Short offline", "Completed without error", "", "00%"}}));
  EXPECT_TRUE(fx.ui.App.messages.empty());
  EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
}

TEST(SelfTestLogView, ShortSelfTestStartedThroughEachFamily) {
  struct Case {
    const char* family;
    DriveBehaviour behaviour;
  };
  DriveBehaviour legacy_only;
  legacy_only.answers_ata_pass_through = false;
  legacy_only.answers_sat = false;
  DriveBehaviour sat_only;
  sat_only.answers_ata_pass_through = false;
  sat_only.answers_legacy = false;
  const Case cases[] = {{"ATA pass-through", {}}, {"legacy", legacy_only}, {"SAT", sat_only}};
  for (const auto& c : cases) {
    FormFixture fx;
    fx.bay.AddDrive(0, TestDrive(7, 1, 10), c.behaviour);
    const DeviceHandle handle = fx.drv.OpenDrive(kDrive0);
    const bool started =
        Succeeded(fx.drv.RunSelfTestAta(handle, 0, kSmartExecuteOfflineImmediate, 1, 0)) ||
        Succeeded(fx.drv.RunSelfTestSat(handle, 0, kSmartExecuteOfflineImmediate, 1, 0));
    fx.drv.CloseDrive(handle);
    ASSERT_TRUE(started) << c.family;
    fx.Run([](TForm1& f) { f.FormShow(); });
    EXPECT_EQ(SelfTestStatusRow(fx)[2], "Self-test routine in progress") << c.family;
    fx.bay.AdvanceClock(1min);
    fx.Run([](TForm1& f) { f.Refresh1Click(); });
    EXPECT_EQ(fx.ui.ListView3.Rows(),
              (Rows{{"1", "7", "Short offline", "Completed without error", "", "00%"}}))
        << c.family;
    EXPECT_TRUE(fx.ui.App.messages.empty()) << c.family;
  }
}

TEST(SelfTestLogView, ExtendedSelfTestThroughSatOnlyDrive) {
  FormFixture fx;
  DriveImage image = TestDrive(500, 1, 0xFF);
  WriteLe16(image.smart_data, 375, 300);  // the extended time too long for byte 373
  SetDescriptor(image.self_test_log, 0, 1, 0x00, 480);
  image.self_test_log[508] = 1;
  DriveBehaviour sat_only;
  sat_only.answers_ata_pass_through = false;
  sat_only.answers_legacy = false;
  fx.bay.AddDrive(0, image, sat_only);

  const DeviceHandle handle = fx.drv.OpenDrive(kDrive0);
  ASSERT_EQ(fx.drv.RunSelfTestAta(handle, 0, kSmartExecuteOfflineImmediate, 2, 0),
            CommandResult::Failure);
  ASSERT_EQ(fx.drv.RunSelfTestSat(handle, 0, kSmartExecuteOfflineImmediate, 2, 0),
            CommandResult::Success);
  fx.drv.CloseDrive(handle);

  fx.bay.AdvanceClock(299min);
  fx.Run([](TForm1& f) { f.FormShow(); });
  EXPECT_EQ(SelfTestStatusRow(fx)[2], "Self-test routine in progress");
  EXPECT_EQ(fx.ui.ListView3.Rows().size(), 1u);

  fx.bay.AdvanceClock(1min);
  fx.Run([](TForm1& f) { f.Refresh1Click(); });
  EXPECT_EQ(SelfTestStatusRow(fx)[2], "Completed without error");
  EXPECT_EQ(fx.ui.ListView3.Rows(),
            (Rows{{"1", "480", "Short offline", "Completed without error", "", "00%"},
                  {"2", "500", "Extended offline", "Completed without error", "", "00%"}}));
}

}  // namespace
}  // namespace kestrine
