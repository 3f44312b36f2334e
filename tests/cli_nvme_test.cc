// The demo bay's NVMe drives through kestrine-cli: the JSON views, the metrics with the nvme
// family and the whole counters, the HTML report, a self-test, and snapshot files that keep the
// drive.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_support.h"
#include "demo_drives.h"
#include "drive_number.h"
#include "fake_toolkit.h"
#include "snapshot_file.h"

namespace kestrine {
namespace {

using testing::CliResult;
using testing::FormFixture;
using testing::RunCliWith;
using testing::ScratchDir;
using testing::WindowViewsJson;

std::string Number(int drive) {
  return std::to_string(drive);
}

std::string Device(int number) {
  return R"(device="\\\\.\\PHYSICALDRIVE)" + std::to_string(number) + "\"";
}

bool HasLine(const std::string& text, const std::string& line) {
  return text.find("\n" + line + "\n") != std::string::npos;
}

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(CliNvme, JsonShowsTheWindowsViews) {
  for (const int drive : {kDemoNvmeSsd, kDemoWornNvmeSsd}) {
    SCOPED_TRACE(drive);
    SimBay bay;
    AddDemoDrives(bay);
    const CliResult result = RunCliWith({"--drive", Number(drive), "--json"}, &bay);
    EXPECT_EQ(result.status, drive == kDemoNvmeSsd ? 0 : 2) << result.err;
    const auto document = result.Json().at("drives").at(0);
    FormFixture window;
    AddDemoDrives(window.bay);
    window.ui.ComboBox1.text = DriveDevicePath(drive);
    window.Run([](TForm1& f) { f.ComboBox1Change(); });
    EXPECT_EQ(document["views"], WindowViewsJson(window.ui));
    EXPECT_EQ(document["status_bar"], "BusType:Nvme Method:IOCTL_STORAGE_QUERY_PROPERTY");
  }
}

TEST(CliNvme, MetricsCarryTheFamilyAndTheWholeCounters) {
  SimBay bay;
  AddDemoDrives(bay);
  const CliResult result = RunCliWith(
      {"--metrics", "--drive", Number(kDemoNvmeSsd), "--drive", Number(kDemoWornNvmeSsd)}, &bay);
  EXPECT_EQ(result.status, 2) << result.err;
  const std::string& out = result.out;
  const std::string worn = Device(kDemoWornNvmeSsd);
  EXPECT_NE(
      out.find(
          "kestrine_drive_info{" + Device(kDemoNvmeSsd) +
          R"(,model="KESTREL NV1000 1TB",serial="KN1T22B04417",firmware="2B2QEXM7",family="nvme"} 1)"),
      std::string::npos)
      << out;
  EXPECT_TRUE(HasLine(out, "kestrine_drive_condition{" + worn + "} 2"));
  EXPECT_TRUE(HasLine(out, "kestrine_drive_temperature_celsius{" + worn + "} 51"));
  // A counter above 64 bits, exactly.
  EXPECT_TRUE(HasLine(out, "kestrine_attribute_raw_value{" + worn +
                               R"(,id="6",name="Data Units Read"} 21549471794715311905)"));
  EXPECT_TRUE(HasLine(out, "kestrine_attribute_raw_value{" + worn +
                               R"(,id="14",name="Media and Data Integrity Errors"} 12)"));
  // Value and threshold only where the log has them: the spare.
  EXPECT_TRUE(
      HasLine(out, "kestrine_attribute_value{" + worn + R"(,id="3",name="Available Spare"} 4)"));
  EXPECT_TRUE(HasLine(
      out, "kestrine_attribute_threshold{" + worn + R"(,id="3",name="Available Spare"} 10)"));
  EXPECT_EQ(out.find(R"(kestrine_attribute_value{)" + worn + R"(,id="5")"), std::string::npos);
  EXPECT_EQ(out.find("kestrine_attribute_worst{" + worn), std::string::npos);
  // The failed extended test (segments failed) on the ATA scale: 4, failed.
  EXPECT_TRUE(HasLine(out, "kestrine_self_test_last_result{" + worn + "} 4"));
  EXPECT_TRUE(HasLine(out, "kestrine_self_test_last_lifetime_seconds{" + worn + "} " +
                               std::to_string(30102LL * 3600)));
  EXPECT_TRUE(HasLine(out, "kestrine_self_test_last_result{" + Device(kDemoNvmeSsd) + "} 0"));
  EXPECT_TRUE(HasLine(out, "kestrine_self_test_running{" + worn + "} 0"));
}

TEST(CliNvme, SelfTestStartsAndTheReportHoldsTheRows) {
  ScratchDir dir;
  SimBay bay;
  AddDemoDrives(bay);
  const std::string report = (dir / "attributes.html").string();
  const CliResult result = RunCliWith({"--drive", Number(kDemoWornNvmeSsd), "--self-test",
                                       "extended", "--html", "Attributes", report},
                                      &bay);
  EXPECT_EQ(result.status, 2) << result.err;
  EXPECT_NE(result.err.find("extended self-test started"), std::string::npos) << result.err;
  EXPECT_EQ(bay.FindDrive(kDemoWornNvmeSsd)->self_tests_started, 1);
  const std::string html = ReadText(report);
  EXPECT_NE(html.find("Media and Data Integrity Errors"), std::string::npos);
  EXPECT_NE(html.find("21549471794715311905"), std::string::npos);
}

TEST(CliNvme, SnapshotKeepsTheDrive) {
  ScratchDir dir;
  SimBay bay;
  AddDemoDrives(bay);
  const std::string file = (dir / "worn.blob").string();
  const CliResult saved =
      RunCliWith({"--drive", Number(kDemoWornNvmeSsd), "--json", "--save", file}, &bay);
  ASSERT_EQ(saved.status, 2) << saved.err;
  const std::string bytes = ReadText(file);
  ASSERT_EQ(bytes.size(), 4 * 8 + 4096 + 4096 + 512 + 564u);
  EXPECT_EQ(bytes.substr(0, 4), "NVIC");

  const CliResult loaded = RunCliWith({"--load", file, "--json"});
  ASSERT_EQ(loaded.status, 2) << loaded.err;
  const auto before = saved.Json().at("drives").at(0);
  const auto after = loaded.Json().at("drives").at(0);
  EXPECT_EQ(after["views"], before["views"]);
  EXPECT_EQ(after["condition"], "CRITICAL");
  EXPECT_EQ(after["status_bar"], "BusType:Nvme Method:IOCTL_STORAGE_QUERY_PROPERTY");
}

}  // namespace
}  // namespace kestrine
