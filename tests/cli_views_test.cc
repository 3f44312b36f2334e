// What kestrine-cli shows is what the window shows: its JSON views against the window's own
// views over the same drive, snapshots that load back to the same views, every drive of a bay,
// drive texts of any byte, and the text tables.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli_support.h"
#include "demo_drives.h"
#include "drive_image_builder.h"
#include "drive_number.h"
#include "form_texts.h"
#include "test_paths.h"
#include "text_report.h"

namespace kestrine {
namespace {

using nlohmann::json;
using testing::CliResult;
using testing::FormFixture;
using testing::RunCliWith;
using testing::ScratchDir;
using testing::WindowViewsJson;

// The window over a bay set up by `add_drives`, refreshed on drive `number` as a change of the
// selector refreshes it.
template <typename AddDrives>
void RefreshWindow(FormFixture& window, AddDrives add_drives, int number) {
  add_drives(window.bay);
  window.ui.ComboBox1.text = DriveDevicePath(number);
  window.Run([](TForm1& f) { f.ComboBox1Change(); });
}

TEST(CliViews, EveryCapturedSkdumpFileShowsTheWindowsViews) {
  KESTRINE_REQUIRE_CAPTURED();
  for (const std::string& name : testing::CapturedNames()) {
    SCOPED_TRACE(name);
    const std::string file = testing::CapturedBlob(name);
    const CliResult result = RunCliWith({"--load", file, "--json"});
    ASSERT_EQ(result.err, "");
    const json document = result.Json();
    ASSERT_EQ(document["drives"].size(), 1u);
    const json& drive = document["drives"][0];

    FormFixture window;
    RefreshWindow(
        window, [&](SimBay& bay) { bay.AddDrive(0, testing::CapturedImage(name)); }, 0);

    EXPECT_EQ(drive["views"], WindowViewsJson(window.ui));
    EXPECT_EQ(drive["condition"], window.ui.lblstatus.caption);
    EXPECT_EQ(drive["tray_hint"], Latin1ToUtf8(window.ui.TrayIcon1.hint));
    EXPECT_EQ(drive["path"], "\\\\.\\PHYSICALDRIVE0");
    EXPECT_EQ(drive["drive_number"], 0);
    EXPECT_EQ(drive["snapshot"], file);
    EXPECT_EQ(drive["messages"], json::array());
    // A snapshot names no bus; its drive answers through the ATA pass-through.
    EXPECT_EQ(drive["status_bar"], "BusType: Method:IOCTL_ATA_PASS_THROUGH");
    EXPECT_EQ(document["format"], 1);
  }
}

TEST(CliViews, ASnapshotOfEachDemoDriveLoadsBackToTheSameViews) {
  ScratchDir dir;
  for (const int number : {kDemoHealthyDisk, kDemoFailingDisk, kDemoUsbSsd, kDemoPendingSectors}) {
    SCOPED_TRACE(number);
    SimBay bay;
    AddDemoDrives(bay);
    const std::string file = (dir / ("demo" + std::to_string(number) + ".blob")).string();
    const CliResult saved =
        RunCliWith({"--drive", std::to_string(number), "--save", file, "--json"}, &bay);
    ASSERT_LT(saved.status, 3) << saved.err;
    const CliResult loaded = RunCliWith({"--load", file, "--json"});
    ASSERT_EQ(loaded.status, saved.status) << loaded.err;

    json before = saved.Json()["drives"][0];
    json after = loaded.Json()["drives"][0];
    // A snapshot keeps no ATA statistics logs, so not what the Statistics view shows of them.
    before["views"].erase("Statistics");
    after["views"].erase("Statistics");
    EXPECT_EQ(after["views"], before["views"]);
    EXPECT_EQ(after["condition"], before["condition"]);
    EXPECT_EQ(before["views"]["Self Test Logs"]["rows"].empty(), number == kDemoUsbSsd);

    // The file holds the drive's blocks as the drive sent them, the whole thresholds block too.
    const DriveImage& image = bay.FindDrive(number)->image;
    const Snapshot snapshot = *ReadSnapshotFile(file);
    EXPECT_EQ(snapshot.identify, image.identify);
    EXPECT_EQ(snapshot.smart_data, image.smart_data);
    EXPECT_EQ(snapshot.thresholds, image.thresholds);
    EXPECT_EQ(snapshot.self_test_log, image.self_test_log);
  }
}

TEST(CliViews, WithoutADriveEveryDriveOfTheBayIsShown) {
  SimBay bay;
  AddDemoDrives(bay);
  const CliResult result = RunCliWith({"--json"}, &bay);
  EXPECT_EQ(result.status, 2);  // the failing disk is CRITICAL; the card reader does not count
  const json drives = result.Json().at("drives");
  ASSERT_EQ(drives.size(), 13u);
  const int numbers[] = {0, 1, 2, 3, 5, 6, 7, 8, 10, 11, 12, 13, 14};
  for (std::size_t i = 0; i < drives.size(); ++i) {
    SCOPED_TRACE(numbers[i]);
    EXPECT_EQ(drives[i]["path"], DriveDevicePath(numbers[i]));
    if (numbers[i] == kDemoCardReader) continue;
    FormFixture window;
    RefreshWindow(window, AddDemoDrives, numbers[i]);
    EXPECT_EQ(drives[i]["views"], WindowViewsJson(window.ui));
    EXPECT_EQ(drives[i]["status_bar"], window.ui.StatusBar1.text);
    EXPECT_EQ(drives[i]["messages"], json::array());
  }

  const json& reader = drives[4];
  EXPECT_EQ(reader["condition"], nullptr);
  EXPECT_EQ(reader["status_bar"], nullptr);
  EXPECT_EQ(reader["tray_hint"], nullptr);
  EXPECT_EQ(reader["messages"], json::array({texts::kNotSmartDevice}));
  for (const auto& [name, view] : reader["views"].items())
    EXPECT_TRUE(view["rows"].empty()) << name;
  EXPECT_NE(result.err.find("\\\\.\\PHYSICALDRIVE5: Not a S.M.A.R.T enabled device\n"),
            std::string::npos);

  const CliResult text = RunCliWith({}, &bay);
  EXPECT_EQ(text.status, 2);
  EXPECT_NE(text.out.find("Drive \\\\.\\PHYSICALDRIVE5\nNot read.\n"), std::string::npos);
  EXPECT_NE(text.out.find("Condition:  CRITICAL\n"), std::string::npos);
}

TEST(CliViews, DriveTextsOfAnyByteBecomeTheirCodePoints) {
  DriveImage image;
  SetIdentifyTexts(image.identify, "Caf\xE9 \xFF\x80\x01\x1B[2J", "\xB5V1", "SN1");
  SetIdentifyWord(image.identify, identify_word::kMajorVersion, 0x0040);
  SealDriveImage(image);
  SimBay bay;
  bay.AddDrive(0, image);

  const CliResult result = RunCliWith({"--json"}, &bay);
  ASSERT_EQ(result.status, 0) << result.err;
  const json identify = result.Json()["drives"][0]["views"]["Identify"]["rows"];
  EXPECT_EQ(identify[0]["cells"][1], "Caf\u00E9 \u00FF\u0080\u0001\u001B[2J");
  EXPECT_EQ(identify[1]["cells"][1], "\u00B5V1      ");
  EXPECT_EQ(result.Json()["drives"][0]["tray_hint"],
            "\\\\.\\PHYSICALDRIVE0\r\nTemperature:\u00B0\r\nCondition:OK");
  // Control characters travel escaped; no byte of the document is outside UTF-8.
  EXPECT_NE(result.out.find("\\u0001\\u001b[2J"), std::string::npos);
  EXPECT_EQ(result.out.find('\x1B'), std::string::npos);

  // A terminal is shown the control characters, not given them.
  const CliResult text = RunCliWith({}, &bay);
  EXPECT_NE(text.out.find("Model                     Caf\u00E9 \u00FF\\x80\\x01\\x1B[2J\n"),
            std::string::npos)
      << text.out;
  EXPECT_EQ(text.out.find('\x1B'), std::string::npos);
}

TEST(CliViews, TablesAlignByCharactersAndNameRowColours) {
  ViewReport view{"Attributes", {"AttrID", "Name"}, {}};
  view.rows.push_back({{"5", "Reallocated"}, kOrange});
  view.rows.push_back({{"194", "T\xE9mp\xE9rature"}, std::nullopt});
  view.rows.push_back({{"7", ""}, std::nullopt});
  std::ostringstream out;
  RenderTable(view, out);
  EXPECT_EQ(out.str(),
            "AttrID  Name         Background\n"
            "------  -----------  ----------\n"
            "5       Reallocated  FF8000\n"
            "194     T\u00E9mp\u00E9rature\n"
            "7\n");

  ViewReport empty{"Self Test Logs", {"Num", "Remaining"}, {}};
  std::ostringstream none;
  RenderTable(empty, none);
  EXPECT_EQ(none.str(), "Num  Remaining\n---  ---------\n(no rows)\n");
}

}  // namespace
}  // namespace kestrine
