// The demo bay, end to end through the window's logic: every demo drive takes the path of the
// refresh it is there to show, and a self-test started on the healthy disk runs to completion.
#include "demo_drives.h"

#include <gtest/gtest.h>

#include <chrono>
#include <numeric>
#include <set>
#include <string>
#include <vector>

#include "drive_number.h"
#include "fake_toolkit.h"
#include "form_texts.h"

namespace kestrine {
namespace {

using namespace std::chrono_literals;
using testing::FormFixture;

struct DemoFixture : FormFixture {
  DemoFixture() { AddDemoDrives(bay); }

  void Select(int number) {
    ui.ComboBox1.text = DriveDevicePath(number);
    bay.ClearRecords();
    Run([](TForm1& f) { f.ComboBox1Change(); });
  }

  // The requests that carried an ATA command and were answered, by request code.
  std::set<std::uint32_t> AnsweredCommandCodes() const {
    std::set<std::uint32_t> codes;
    for (const RecordedRequest& r : bay.Requests()) {
      if (r.answered && r.code != kIoctlStorageQueryProperty && r.code != kSmartGetVersion) {
        codes.insert(r.code);
      }
    }
    return codes;
  }
};

std::string Hint(int number, const std::string& temperature, const std::string& condition) {
  return DriveDevicePath(number) + "\r\n" + texts::kHintTemperature + temperature + "\xB0" +
         "\r\n" + texts::kHintCondition + condition;
}

TEST(DemoBay, StartUpListsTheDrivesWithTheGapAndShowsTheFirst) {
  DemoFixture fx;
  fx.Run([](TForm1& f) { f.FormShow(); });
  std::vector<std::string> expected;
  for (int number : {0, 1, 2, 3, 5}) expected.push_back(DriveDevicePath(number));
  EXPECT_EQ(fx.ui.ComboBox1.items, expected);
  EXPECT_EQ(fx.ui.ComboBox1.text, DriveDevicePath(kDemoHealthyDisk));
  EXPECT_TRUE(fx.ui.App.messages.empty());
  EXPECT_EQ(fx.form.DriveCondition, texts::kConditionOk);
  EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
}

TEST(DemoBay, EachDriveTakesItsPathOfTheRefresh) {
  struct Case {
    int number;
    std::uint32_t transport;  // the one request code that carried the drive's answers
    std::string method;
    std::string condition;
    Rgb label;
    std::string temperature;
  };
  const Rgb green{0, 255, 0}, red{255, 0, 0}, orange{255, 128, 0};
  const Case cases[] = {
      {kDemoHealthyDisk, kIoctlAtaPassThrough, texts::kMethodAta, texts::kConditionOk, green, "35"},
      {kDemoFailingDisk, kSmartRcvDriveData, texts::kMethodAta, texts::kConditionCritical, red,
       "41"},
      {kDemoUsbSsd, kIoctlScsiPassThrough, texts::kMethodSat, texts::kConditionOk, green, "33"},
      {kDemoPendingSectors, kIoctlAtaPassThrough, texts::kMethodAta, texts::kConditionWarning,
       orange, "37"},
  };
  DemoFixture fx;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    fx.Select(c.number);
    EXPECT_TRUE(fx.ui.App.messages.empty());
    EXPECT_EQ(fx.AnsweredCommandCodes(), std::set<std::uint32_t>{c.transport});
    const std::string& status = fx.ui.StatusBar1.text;
    EXPECT_TRUE(status.starts_with("BusType:")) << status;
    EXPECT_TRUE(status.ends_with(" Method:" + c.method)) << status;
    EXPECT_EQ(fx.form.DriveCondition, c.condition);
    EXPECT_EQ(fx.ui.lblstatus.caption, c.condition);
    EXPECT_EQ(fx.ui.lblstatus.color, c.label);
    EXPECT_EQ(fx.ui.TrayIcon1.hint, Hint(c.number, c.temperature, c.condition));
    EXPECT_GT(fx.ui.ListView1.ItemCount(), 10);
    EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
  }
}

TEST(DemoBay, TheFailingDiskIsCriticalByItsReallocatedSectors) {
  DemoFixture fx;
  fx.Select(kDemoFailingDisk);
  const ListView& rows = fx.ui.ListView1;
  int found = -1;
  for (int row = 0; row < rows.ItemCount(); ++row) {
    if (rows.CellText(row, 0) == "5") found = row;
  }
  ASSERT_GE(found, 0);
  EXPECT_EQ(rows.CellText(found, 1), "Pre-fail");
  EXPECT_LT(std::stoi(rows.CellText(found, 3)), std::stoi(rows.CellText(found, 4)));
  EXPECT_EQ(rows.CellText(found, 6), "Reallocated Sector Count");
}

TEST(DemoBay, TheCardReaderAnswersNoIdentify) {
  DemoFixture fx;
  fx.Select(kDemoHealthyDisk);
  const std::string status_before = fx.ui.StatusBar1.text;
  fx.Select(kDemoCardReader);
  EXPECT_EQ(fx.ui.App.messages, std::vector<std::string>{texts::kNotSmartDevice});
  EXPECT_TRUE(fx.AnsweredCommandCodes().empty());
  EXPECT_EQ(fx.ui.StatusBar1.text, status_before);
  EXPECT_EQ(fx.ui.ListView1.ItemCount(), 0);
  EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
}

TEST(DemoBay, DriveImagesCarryValidChecksums) {
  DemoFixture fx;
  for (int number : {kDemoHealthyDisk, kDemoFailingDisk, kDemoUsbSsd, kDemoPendingSectors}) {
    SCOPED_TRACE(number);
    const DriveImage& image = fx.bay.FindDrive(number)->image;
    EXPECT_EQ(image.identify[510], 0xA5);
    for (const Sector* block :
         {&image.identify, &image.smart_data, &image.thresholds, &image.self_test_log}) {
      const Byte sum = std::accumulate(block->begin(), block->end(), Byte{0},
                                       [](Byte s, Byte b) { return static_cast<Byte>(s + b); });
      EXPECT_EQ(sum, 0);
    }
  }
  EXPECT_EQ(fx.bay.FindDrive(4), nullptr);
}

TEST(DemoBay, ShortSelfTestOfTheHealthyDiskCompletesIntoItsLog) {
  DemoFixture fx;
  SmartDrv& drv = fx.drv;
  const std::string name = DriveDevicePath(kDemoHealthyDisk);
  const Byte number = kDemoHealthyDisk;
  DeviceHandle handle = drv.OpenDrive(name);
  ASSERT_EQ(drv.RunSelfTestAta(handle, number, kSmartExecuteOfflineImmediate, 1, 0), 1);
  drv.CloseDrive(handle);

  // Half-way through its two minutes the test is in progress.
  fx.bay.AdvanceClock(1min);
  handle = drv.OpenDrive(name);
  drv.ReadSmartDataAta(handle, number);
  EXPECT_EQ(drv.Tables().SmartDataSector[363] >> 4, 0xF);
  drv.CloseDrive(handle);

  fx.bay.AdvanceClock(1min);
  handle = drv.OpenDrive(name);
  drv.ReadSmartDataAta(handle, number);
  EXPECT_EQ(drv.Tables().SmartDataSector[363], 0x00);
  Sector log{};
  ASSERT_EQ(drv.ReadSelfTestLogAta(handle, number, log), 1);
  drv.CloseDrive(handle);

  // After the two entries the disk came with: a short off-line test, completed, at its
  // power-on hours.
  EXPECT_EQ(log[508], 3);
  const std::size_t third = 2 + 24 * 2;
  EXPECT_EQ(log[third], 1);
  EXPECT_EQ(log[third + 1], 0x00);
  EXPECT_EQ(ReadLe16(log, third + 2), 14310);
  EXPECT_EQ(log[2], 2);  // the older entries stay
  EXPECT_EQ(log[2 + 24], 1);
}

}  // namespace
}  // namespace kestrine
