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
  for (int number : {0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 14})
    expected.push_back(DriveDevicePath(number));
  expected[0] += "  KESTREL HD2000S";  // the drive read names its model
  EXPECT_EQ(fx.ui.ComboBox1.items, expected);
  EXPECT_EQ(fx.ui.ComboBox1.text, expected[0]);
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
      {kDemoSasHdd, kIoctlScsiPassThrough, texts::kMethodScsi, texts::kConditionOk, green, "34"},
      {kDemoSasSsd, kIoctlScsiPassThrough, texts::kMethodScsi, texts::kConditionWarning, orange,
       "41"},
  };
  DemoFixture fx;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    fx.Select(c.number);
    EXPECT_TRUE(fx.ui.App.messages.empty());
    EXPECT_EQ(fx.AnsweredCommandCodes(), std::set<std::uint32_t>{c.transport});
    EXPECT_TRUE(fx.ui.StatusBar1.text.ends_with(" Method:" + c.method));
    EXPECT_EQ(fx.form.DriveCondition, c.condition);
    EXPECT_EQ(fx.ui.lblstatus.caption, c.condition);
    EXPECT_EQ(fx.ui.lblstatus.color, c.label);
    // The failing and the pending disks, read before, stay named in the hint of the drives after.
    EXPECT_EQ(
        fx.ui.TrayIcon1.hint,
        Hint(c.number, c.temperature, c.condition) +
            (c.number > kDemoFailingDisk ? "\r\n" + DriveDevicePath(1) + ": CRITICAL" : "") +
            (c.number > kDemoPendingSectors ? "\r\n" + DriveDevicePath(3) + ": WARNING" : ""));
    EXPECT_GT(fx.ui.ListView1.ItemCount(), 10);
    EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
  }
}

THDDInfo Identity(std::string model, std::string firmware, std::string serial, std::int64_t sectors,
                  std::int32_t cache) {
  THDDInfo info;
  info.Model = std::move(model);
  info.Firmware = std::move(firmware);
  info.SerialNumber = std::move(serial);
  info.LBABits = 48;
  info.LBASize = sectors;
  info.Cache = cache;
  info.TransferMode = "PIO/DMA";
  info.UDMAMax = "UDMA/133";
  info.UDMACurrent = "UDMA/133";
  info.InterfaceType = "Serial ATA";
  return info;
}

TEST(DemoBay, IdentifyDecodesIntoPlausibleDrives) {
  THDDInfo healthy = Identity("KESTREL HD2000S", "05.02A05 ", "KD2S41A07731 ", 3907029168, 16384);
  healthy.SATACurrent = healthy.SATAMax = "SATA/600";
  healthy.Features = "SMART AAM-Enabled LBA48 NCQ";
  healthy.MajorVersion = "ACS-2";
  healthy.NominalFormFactor = "3.5 inch";
  healthy.NominalMediaRotationRate = 7200;

  THDDInfo failing = Identity("KESTREL HD250PA", "KP3.12A1 ", "KP1A0T3M88214 ", 488397168, 8192);
  failing.UDMAMax = failing.UDMACurrent = "UDMA/100";
  failing.InterfaceType = "Parallel ATA";
  failing.Features = "SMART APM-Supported AAM-Enabled LBA48";
  failing.MajorVersion = "ATA/ATAPI-7";

  THDDInfo ssd = Identity("KESTREL SD480M", "KS1M0B6Q ", "S3KM48T0219551 ", 937703088, 0);
  ssd.SATACurrent = ssd.SATAMax = "SATA/600";
  ssd.Features = "SMART APM-Enabled LBA48 NCQ TRIM";
  ssd.MajorVersion = "ACS-3";
  ssd.NominalFormFactor = "2.5 inch";
  ssd.SSD = true;
  ssd.SleepSupported = true;
  ssd.NominalMediaRotationRate = 1;

  THDDInfo pending = Identity("KESTREL HD1000S", "01.01A01 ", "KD1S27C44019 ", 1953525168, 16384);
  pending.SATACurrent = pending.SATAMax = "SATA/300";
  pending.Features = "SMART AAM-Supported LBA48 NCQ";
  pending.MajorVersion = "ATA8-ACS";
  pending.NominalFormFactor = "3.5 inch";
  pending.NominalMediaRotationRate = 5400;

  const std::pair<int, THDDInfo> cases[] = {{kDemoHealthyDisk, healthy},
                                            {kDemoFailingDisk, failing},
                                            {kDemoUsbSsd, ssd},
                                            {kDemoPendingSectors, pending}};
  DemoFixture fx;
  for (const auto& [number, expected] : cases) {
    SCOPED_TRACE(number);
    fx.Select(number);
    const THDDInfo& info = fx.drv.Tables().HDDInfo[static_cast<std::size_t>(number)];
    EXPECT_EQ(info.Model, expected.Model);
    EXPECT_EQ(info.Firmware, expected.Firmware);
    EXPECT_EQ(info.SerialNumber, expected.SerialNumber);
    EXPECT_EQ(info.LBASize, expected.LBASize);
    EXPECT_EQ(info.InterfaceType, expected.InterfaceType);
    EXPECT_EQ(info.Features, expected.Features);
    EXPECT_EQ(info.MajorVersion, expected.MajorVersion);
    EXPECT_EQ(info, expected);  // and every other field
  }
}

TEST(DemoBay, StatusBarNamesTheBusAndTheFamily) {
  const std::pair<int, std::string> cases[] = {
      {kDemoHealthyDisk, "BusType:Sata Method:IOCTL_ATA_PASS_THROUGH"},
      {kDemoFailingDisk, "BusType:Ata Method:IOCTL_ATA_PASS_THROUGH"},
      {kDemoUsbSsd, "BusType:Usb Method:IOCTL_SCSI_PASS_THROUGH"},
      {kDemoPendingSectors, "BusType:Sata Method:IOCTL_ATA_PASS_THROUGH"},
      {kDemoSasHdd, "BusType:Sas Method:IOCTL_SCSI_PASS_THROUGH"},
  };
  DemoFixture fx;
  for (const auto& [number, status] : cases) {
    fx.Select(number);
    EXPECT_EQ(fx.ui.StatusBar1.text, status);
  }
}

std::vector<std::vector<std::string>> Rows(const ListView& list) {
  std::vector<std::vector<std::string>> rows;
  for (int row = 0; row < list.ItemCount(); ++row) {
    std::vector<std::string> cells;
    for (int column = 0; column < static_cast<int>(list.ColumnCaptions().size()); ++column) {
      cells.push_back(list.CellText(row, column));
    }
    rows.push_back(std::move(cells));
  }
  return rows;
}

using Table = std::vector<std::vector<std::string>>;

TEST(DemoBay, SelfTestLogsReadThroughEachFamily) {
  const std::pair<int, Table> cases[] = {
      {kDemoHealthyDisk,
       {{"1", "12980", "Extended offline", "Completed without error", "", "00%"},
        {"2", "14021", "Short offline", "Completed without error", "", "00%"}}},
      // Read through the legacy requests.
      {kDemoFailingDisk,
       {{"1", "31877", "Extended offline", "Completed without error", "", "00%"},
        {"2", "33490", "Short offline", "Completed: read failure", "117829341", "80%"}}},
      // Read through SAT; never tested.
      {kDemoUsbSsd, {}},
      {kDemoPendingSectors,
       {{"1", "20930", "Short offline", "Completed without error", "", "00%"},
        {"2", "21002", "Extended offline", "Aborted by host", "0", "40%"},
        {"3", "21488", "Short offline", "Completed without error", "", "00%"}}},
  };
  DemoFixture fx;
  for (const auto& [number, rows] : cases) {
    SCOPED_TRACE(number);
    fx.Select(number);
    EXPECT_EQ(Rows(fx.ui.ListView3), rows);
    EXPECT_TRUE(fx.ui.App.messages.empty());
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
  // Nothing of the healthy disk stays in the status bar.
  EXPECT_FALSE(status_before.empty());
  EXPECT_EQ(fx.ui.StatusBar1.text, "");
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

TEST(DemoBay, ShortSelfTestFromTheWindowShowsInProgressThenInTheLog) {
  DemoFixture fx;
  fx.Select(kDemoHealthyDisk);
  fx.ui.App.answers.push_back(true);
  fx.Run([](TForm1& f) { f.Button4Click(); });
  EXPECT_TRUE(fx.ui.App.messages.empty());

  fx.bay.AdvanceClock(1min);
  fx.Run([](TForm1& f) { f.Refresh1Click(); });
  const ListView& general = fx.ui.ListView4;
  EXPECT_EQ(general.CellText(1, 0), "Self-test execution status");
  EXPECT_EQ(general.CellText(1, 1), "245");  // in progress, half of it left
  EXPECT_EQ(general.CellText(1, 2), "Self-test routine in progress");
  EXPECT_EQ(fx.ui.ListView3.ItemCount(), 2);

  fx.bay.AdvanceClock(1min);
  fx.Run([](TForm1& f) { f.Refresh1Click(); });
  EXPECT_EQ(general.CellText(1, 1), "0");
  EXPECT_EQ(general.CellText(1, 2), "Completed without error");
  const Table log = Rows(fx.ui.ListView3);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[2], (std::vector<std::string>{"3", "14310", "Short offline",
                                              "Completed without error", "", "00%"}));
  EXPECT_TRUE(fx.ui.App.messages.empty());
}

}  // namespace
}  // namespace kestrine
