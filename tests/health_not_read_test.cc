// A drive that answers IDENTIFY but not its health table (a USB bridge that refuses S.M.A.R.T.
// READ DATA, an NVMe drive whose health log is refused) is shown without a verdict: in the
// window, in kestrine-cli's text, JSON, metrics and exit status, and after a snapshot round trip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_support.h"
#include "demo_drives.h"
#include "drive_number.h"
#include "form_texts.h"
#include "metrics_report.h"

namespace kestrine {
namespace {

using testing::CliResult;
using testing::FormFixture;
using testing::RunCliWith;
using testing::ScratchDir;

// The demo drives, each family once, whose stack refuses the health table.
const struct RefusingCase {
  int number;
  const char* status_bar;
  std::size_t general_rows;  // what the General view keeps: nothing of the missing table
} kRefusing[] = {
    {kDemoHealthyDisk, "BusType:Sata Method:IOCTL_ATA_PASS_THROUGH", 0},
    {kDemoUsbSsd, "BusType:Usb Method:IOCTL_SCSI_PASS_THROUGH", 0},
    {kDemoWornNvmeSsd, "BusType:Nvme Method:IOCTL_STORAGE_QUERY_PROPERTY", 6},
};

void AddRefusingDemoDrives(SimBay& bay, bool refusing = true) {
  AddDemoDrives(bay);
  for (const RefusingCase& c : kRefusing)
    bay.FindDrive(c.number)->behaviour.refuses_health_data = refusing;
}

std::string Hint(int number) {
  return DriveDevicePath(number) + "\r\nCondition:" + texts::kHealthNotRead;
}

TEST(HealthNotRead, TheWindowShowsTheDriveWithoutAVerdict) {
  FormFixture fx;
  AddRefusingDemoDrives(fx.bay);
  for (const RefusingCase& c : kRefusing) {
    SCOPED_TRACE(c.number);
    // A judged drive first: nothing of its verdict may stay on show.
    fx.ui.ComboBox1.text = DriveDevicePath(kDemoFailingDisk);
    fx.Run([](TForm1& f) { f.ComboBox1Change(); });
    ASSERT_EQ(fx.ui.lblstatus.caption, texts::kConditionCritical);
    fx.ui.ComboBox1.text = DriveDevicePath(c.number);
    fx.Run([](TForm1& f) { f.ComboBox1Change(); });

    EXPECT_EQ(fx.ui.StatusBar1.text, c.status_bar);
    EXPECT_EQ(fx.ui.lblstatus.caption, "");
    EXPECT_EQ(fx.ui.lblstatus.color, std::nullopt);
    // The judged drive is named apart, on a line of its own, as another drive not OK.
    EXPECT_EQ(fx.ui.TrayIcon1.hint,
              Hint(c.number) + "\r\n" + DriveDevicePath(kDemoFailingDisk) + ": CRITICAL");
    EXPECT_EQ(fx.ui.ListView1.ItemCount(), 0);
    EXPECT_EQ(static_cast<std::size_t>(fx.ui.ListView4.ItemCount()), c.general_rows);
    for (int row = 0; row < fx.ui.ListView4.ItemCount(); ++row)
      EXPECT_NE(fx.ui.ListView4.CellText(row, 0), "Critical warning");
    EXPECT_TRUE(fx.ui.App.messages.empty());  // the self-test log still answers
  }
}

TEST(HealthNotRead, TheCliNamesItAndFailsOnlyForADriveAskedFor) {
  SimBay bay;
  AddRefusingDemoDrives(bay);
  for (const RefusingCase& c : kRefusing) {
    SCOPED_TRACE(c.number);
    const std::string number = std::to_string(c.number);
    const CliResult text = RunCliWith({"--drive", number}, &bay);
    EXPECT_EQ(text.status, kExitError);
    EXPECT_NE(text.out.find("Condition:  not decided (health data could not be read)\n"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find(std::string("Status bar: ") + c.status_bar), std::string::npos);
    EXPECT_EQ(text.err,
              "kestrine-cli: " + DriveDevicePath(c.number) + ": health data could not be read\n");

    const CliResult json = RunCliWith({"--drive", number, "--json"}, &bay);
    EXPECT_EQ(json.status, kExitError);
    const nlohmann::json drive = json.Json()["drives"][0];
    EXPECT_EQ(drive["condition"], nullptr);
    EXPECT_EQ(drive["health_data_read"], false);
    EXPECT_EQ(drive["status_bar"], c.status_bar);
    EXPECT_EQ(drive["tray_hint"], Hint(c.number));
    EXPECT_FALSE(drive["views"]["Identify"]["rows"].empty());

    const CliResult metrics = RunCliWith({"--drive", number, "--metrics"}, &bay);
    EXPECT_EQ(metrics.status, kExitError);
    const std::string device = "{device=\"" + MetricLabelValue(DriveDevicePath(c.number)) + "\"}";
    EXPECT_NE(metrics.out.find("kestrine_drive_read_success" + device + " 0\n"), std::string::npos)
        << metrics.out;
    EXPECT_EQ(metrics.out.find("kestrine_drive_condition"), std::string::npos);
  }

  // Found without --drive: listed, and not counted. The failing disk's CRITICAL decides.
  const CliResult all = RunCliWith({"--json"}, &bay);
  EXPECT_EQ(all.status, kExitCritical) << all.err;
  int judged = 0;
  const nlohmann::json document = all.Json();
  for (const nlohmann::json& drive : document["drives"]) {
    judged += drive["health_data_read"].get<bool>() ? 1 : 0;
    EXPECT_EQ(drive["health_data_read"], drive["condition"] != nullptr);
  }
  // 1, 3, 6, the archive disk 8, the SAS disks 10 and 11 and the bridged 12 to 14; the card
  // reader answers nothing.
  EXPECT_EQ(judged, 9);
  EXPECT_EQ(all.err.find(texts::kHealthNotRead), std::string::npos) << all.err;
}

// Every demo drive, and those whose health table was refused, saved and loaded back: the same
// views, condition, hint lines after the path, and exit status.
TEST(HealthNotRead, ASnapshotLoadsBackToWhatWasShown) {
  ScratchDir dir;
  for (const bool refusing : {false, true}) {
    for (const int number : {kDemoHealthyDisk, kDemoFailingDisk, kDemoUsbSsd, kDemoPendingSectors,
                             kDemoNvmeSsd, kDemoWornNvmeSsd}) {
      SCOPED_TRACE(::testing::Message() << number << (refusing ? " refusing" : ""));
      SimBay bay;
      AddRefusingDemoDrives(bay, refusing);
      const std::string file = (dir / ("drive" + std::to_string(number) + ".blob")).string();
      const CliResult saved =
          RunCliWith({"--drive", std::to_string(number), "--save", file, "--json"}, &bay);
      const CliResult loaded = RunCliWith({"--load", file, "--json"});
      EXPECT_EQ(loaded.status, saved.status) << saved.err << loaded.err;
      nlohmann::json before = saved.Json()["drives"][0];
      nlohmann::json after = loaded.Json()["drives"][0];
      // A snapshot keeps no ATA statistics logs, so not what the Statistics view shows of them.
      before["views"].erase("Statistics");
      after["views"].erase("Statistics");
      EXPECT_EQ(after["views"], before["views"]);
      EXPECT_EQ(after["condition"], before["condition"]);
      EXPECT_EQ(after["health_data_read"], before["health_data_read"]);
      const auto lines = [](const nlohmann::json& hint) {
        const std::string text = hint.get<std::string>();
        return text.substr(text.find('\r'));
      };
      EXPECT_EQ(lines(after["tray_hint"]), lines(before["tray_hint"]));
    }
  }
}

}  // namespace
}  // namespace kestrine
