// The demo bay's NVMe drives through the window's logic: the family tried after ATA and SAT, the
// four views, the condition and its colours, the tray hint, the status bar, and a self-test that
// runs on the bay's clock into the log.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "demo_drives.h"
#include "drive_number.h"
#include "fake_toolkit.h"
#include "form_texts.h"

namespace kestrine {
namespace {

using namespace std::chrono_literals;
using testing::FormFixture;

struct NvmeFixture : FormFixture {
  NvmeFixture() { AddDemoDrives(bay); }

  void Select(int number) {
    ui.ComboBox1.text = DriveDevicePath(number);
    bay.ClearRecords();
    Run([](TForm1& f) { f.ComboBox1Change(); });
  }

  std::vector<std::vector<std::string>> Rows(const MemoryListView& list) const {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < list.ItemCount(); ++r) {
      std::vector<std::string> cells;
      for (std::size_t c = 0; c < list.ColumnCaptions().size(); ++c) {
        cells.push_back(list.CellText(r, static_cast<int>(c)));
      }
      rows.push_back(cells);
    }
    return rows;
  }
};

TEST(NvmeWindow, HealthyDriveShowsEveryView) {
  NvmeFixture fx;
  fx.Select(kDemoNvmeSsd);
  EXPECT_TRUE(fx.ui.App.messages.empty());
  EXPECT_EQ(fx.ui.StatusBar1.text, "BusType:Nvme Method:IOCTL_STORAGE_QUERY_PROPERTY");
  EXPECT_EQ(fx.form.DriveCondition, texts::kConditionOk);
  EXPECT_EQ(fx.ui.lblstatus.color, kGreen);
  EXPECT_EQ(fx.ui.TrayIcon1.hint,
            DriveDevicePath(kDemoNvmeSsd) + "\r\nTemperature:38\xB0\r\nCondition:OK");

  const std::vector<std::vector<std::string>> identify = {
      {"Model", "KESTREL NV1000 1TB"},
      {"FW", "2B2QEXM7"},
      {"SN", "KN1T22B04417"},
      {"LBASize", "1953525168"},
      {"LogicalBlockSize", "512"},
      {"InterfaceType", "NVM Express"},
      {"MajorVersion", "NVMe 1.4"},
      {"Features",
       "VolatileWriteCache SelfTest TRIM WriteZeroes Timestamp Security FormatNVM FirmwareUpdate"},
      {"SSD", "Yes"},
  };
  EXPECT_EQ(fx.Rows(fx.ui.ListView2), identify);

  const auto attributes = fx.Rows(fx.ui.ListView1);
  ASSERT_EQ(attributes.size(), 15u);
  EXPECT_EQ(attributes[0],
            (std::vector<std::string>{"1", "", "", "", "", "0", "Critical Warning"}));
  EXPECT_EQ(attributes[1],
            (std::vector<std::string>{"2", "", "", "", "", "311", "Composite Temperature"}));
  EXPECT_EQ(attributes[2],
            (std::vector<std::string>{"3", "", "100", "", "10", "100", "Available Spare"}));
  EXPECT_EQ(attributes[11],
            (std::vector<std::string>{"12", "", "", "", "", "4379", "Power On Hours"}));
  for (int row = 0; row < 15; ++row) EXPECT_FALSE(fx.ui.ListView1.RowBackground(row)) << row;

  const std::vector<std::vector<std::string>> log = {
      {"1", "4350", "Extended offline", "Completed without error", "", ""},
      {"2", "2210", "Short offline", "Completed without error", "", ""},
  };
  EXPECT_EQ(fx.Rows(fx.ui.ListView3), log);

  const auto general = fx.Rows(fx.ui.ListView4);
  ASSERT_EQ(general.size(), 13u);
  EXPECT_EQ(general[0], (std::vector<std::string>{"Current self-test operation", "0",
                                                  "No device self-test operation in progress"}));
  EXPECT_EQ(general[2], (std::vector<std::string>{"Critical warning", "00", ""}));
  EXPECT_EQ(general[3][2], "Available spare below threshold:False");
  EXPECT_EQ(general[9], (std::vector<std::string>{"Device self-test command", "Supported", ""}));
  EXPECT_EQ(general[10],
            (std::vector<std::string>{"Extended self-test completion time", "170", "minutes"}));
  EXPECT_EQ(general[11], (std::vector<std::string>{"Warning composite temperature threshold", "80",
                                                   "\xB0"
                                                   "C"}));
  EXPECT_EQ(general[12][1], "85");
}

TEST(NvmeWindow, WornDriveIsCriticalWithItsDecidingRowsColoured) {
  NvmeFixture fx;
  fx.Select(kDemoWornNvmeSsd);
  EXPECT_EQ(fx.form.DriveCondition, texts::kConditionCritical);
  EXPECT_EQ(fx.ui.lblstatus.color, kRed);
  EXPECT_EQ(fx.ui.TrayIcon1.hint,
            DriveDevicePath(kDemoWornNvmeSsd) + "\r\nTemperature:51\xB0\r\nCondition:CRITICAL");
  const auto attributes = fx.Rows(fx.ui.ListView1);
  // The counter above 64 bits, exactly: 2^64 + 0x2B0F1A6C5D4E3F21.
  EXPECT_EQ(attributes[5][5], "21549471794715311905");
  EXPECT_EQ(fx.ui.ListView1.RowBackground(0), kRed);      // critical warning 05h
  EXPECT_EQ(fx.ui.ListView1.RowBackground(2), kRed);      // spare 4 below 10
  EXPECT_EQ(fx.ui.ListView1.RowBackground(4), kOrange);   // 112 % used
  EXPECT_EQ(fx.ui.ListView1.RowBackground(13), kOrange);  // 12 media errors
  for (int row : {1, 3, 5, 6, 7, 8, 9, 10, 11, 12, 14}) {
    EXPECT_FALSE(fx.ui.ListView1.RowBackground(row)) << row;
  }
  const auto log = fx.Rows(fx.ui.ListView3);
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0],
            (std::vector<std::string>{"1", "30102", "Extended offline",
                                      "Completed: one or more segments failed", "183442907", ""}));
  const auto general = fx.Rows(fx.ui.ListView4);
  EXPECT_EQ(general[2][1], "05");
  EXPECT_EQ(general[3][2], "Available spare below threshold:True");
  EXPECT_EQ(general[4][2], "Temperature beyond a threshold:False");
  EXPECT_EQ(general[5][2], "Reliability degraded:True");
}

TEST(NvmeWindow, NvmeIsTriedOnlyAfterAtaAndSatFailed) {
  NvmeFixture fx;
  fx.Select(kDemoNvmeSsd);
  auto is_nvme_query = [](const RecordedRequest& r) {
    return r.code == kIoctlStorageQueryProperty && r.in.size() >= 4 && ReadLe32(r.in, 0) != 0;
  };
  const auto& requests = fx.bay.Requests();
  const auto first_nvme = std::ranges::find_if(requests, is_nvme_query);
  ASSERT_NE(first_nvme, requests.end());
  std::vector<std::uint32_t> before;
  for (auto it = requests.begin(); it != first_nvme; ++it) before.push_back(it->code);
  // The drive's descriptor, the ATA pass-through, the legacy version query, then SAT: all
  // refused by an NVMe drive's driver, before the first NVMe query.
  EXPECT_NE(std::ranges::find(before, kIoctlAtaPassThrough), before.end());
  EXPECT_NE(std::ranges::find(before, kSmartGetVersion), before.end());
  EXPECT_NE(std::ranges::find(before, kIoctlScsiPassThrough), before.end());

  // An ATA drive never sees an NVMe request.
  for (int number : {kDemoHealthyDisk, kDemoFailingDisk, kDemoUsbSsd, kDemoPendingSectors}) {
    fx.Select(number);
    EXPECT_EQ(std::ranges::count_if(fx.bay.Requests(), is_nvme_query), 0) << number;
  }
}

TEST(NvmeWindow, SelfTestRunsOnTheBayClockIntoTheLog) {
  NvmeFixture fx;
  fx.Select(kDemoNvmeSsd);
  fx.ui.App.answers.push_back(true);
  fx.Run([](TForm1& f) { f.Button4Click(); });
  EXPECT_TRUE(fx.ui.App.messages.empty());
  EXPECT_EQ(fx.bay.FindDrive(kDemoNvmeSsd)->self_tests_started, 1);

  fx.bay.AdvanceClock(30s);
  fx.Select(kDemoNvmeSsd);
  auto log = fx.Rows(fx.ui.ListView3);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], (std::vector<std::string>{"1", "", "Short offline",
                                              "Self-test routine in progress", "", "75%"}));
  EXPECT_EQ(fx.Rows(fx.ui.ListView4)[1][1], "25");

  // A second start while one runs is refused by the controller: the button says so.
  fx.ui.App.answers.push_back(true);
  fx.Run([](TForm1& f) { f.Button2Click(); });
  EXPECT_EQ(fx.ui.App.messages, (std::vector<std::string>{"failed"}));

  fx.bay.AdvanceClock(2min);
  fx.Select(kDemoNvmeSsd);
  log = fx.Rows(fx.ui.ListView3);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0], (std::vector<std::string>{"1", "4379", "Short offline",
                                              "Completed without error", "", ""}));
}

TEST(NvmeWindow, AHealthLogThatDoesNotComeShowsNoRowsAndDecidesNothing) {
  NvmeFixture fx;
  fx.bay.FindDrive(kDemoWornNvmeSsd)->refuse = [](std::uint32_t code, std::span<const Byte> in) {
    return code == kIoctlStorageQueryProperty && in.size() >= 24 && ReadLe32(in, 8 + 4) == 2 &&
           ReadLe32(in, 8 + 8) == kLogHealth;
  };
  fx.Select(kDemoWornNvmeSsd);
  EXPECT_EQ(fx.ui.StatusBar1.text, "BusType:Nvme Method:IOCTL_STORAGE_QUERY_PROPERTY");
  EXPECT_EQ(fx.ui.ListView1.ItemCount(), 0);
  EXPECT_EQ(fx.form.DriveCondition, "");
  EXPECT_EQ(fx.ui.lblstatus.caption, "");
  EXPECT_EQ(fx.ui.TrayIcon1.hint,
            DriveDevicePath(kDemoWornNvmeSsd) + "\r\nCondition:health data could not be read");
  EXPECT_EQ(fx.ui.ListView2.ItemCount(), 9);
  EXPECT_EQ(fx.ui.ListView3.ItemCount(), 2);
  EXPECT_EQ(fx.ui.ListView4.ItemCount(), 6);  // no critical-warning rows of the missing log
}

TEST(NvmeWindow, ADriverThatRefusesTheSelfTestMakesTheButtonSayFailed) {
  NvmeFixture fx;
  fx.bay.FindDrive(kDemoNvmeSsd)->refuse = [](std::uint32_t code, std::span<const Byte>) {
    return code == kIoctlStorageProtocolCommand;
  };
  fx.Select(kDemoNvmeSsd);
  fx.ui.App.answers.push_back(true);
  fx.Run([](TForm1& f) { f.Button2Click(); });
  EXPECT_EQ(fx.ui.App.messages, (std::vector<std::string>{"failed"}));
  EXPECT_EQ(fx.bay.FindDrive(kDemoNvmeSsd)->self_tests_started, 0);
}

}  // namespace
}  // namespace kestrine
