// kestrine-cli's exit status and its refusals: drive conditions, faulty snapshot files, wrong
// arguments, and the actions on one drive (snapshot, HTML report, self-test) with their failures.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "ata_pass_through_block.h"
#include "cli_support.h"
#include "demo_drives.h"
#include "drive_number.h"
#include "form_texts.h"
#include "list_view_report.h"
#include "report_texts.h"
#include "test_paths.h"

namespace kestrine {
namespace {

using nlohmann::json;
using testing::CapturedBlob;
using testing::CliResult;
using testing::RunCliWith;
using testing::ScratchDir;

// Captured drives of each condition.
constexpr char kOkDrive[] = "FUJITSU_MHY2120BH--0084000D";
constexpr char kWarningDrive[] = "SAMSUNG_HD501LJ--CR100-12";
constexpr char kCriticalDrive[] = "Maxtor_96147H8--BAC51KJ0--2";

std::string ReadText(const std::filesystem::path& file) {
  std::ifstream stream(file, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

TEST(CliExitStatus, TheWorstConditionShownDecides) {
  KESTRINE_REQUIRE_CAPTURED();
  struct Case {
    std::vector<std::string> drives;
    int status;
  };
  const std::vector<Case> cases = {
      {{kOkDrive}, 0},
      {{kWarningDrive}, 1},
      {{kCriticalDrive}, 2},
      {{kOkDrive, kWarningDrive}, 1},
      {{kWarningDrive, kCriticalDrive, kOkDrive}, 2},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments;
    for (const std::string& drive : c.drives) {
      arguments.push_back("--load");
      arguments.push_back(CapturedBlob(drive));
    }
    SCOPED_TRACE(c.drives.back());
    const CliResult text = RunCliWith(arguments);
    EXPECT_EQ(text.status, c.status) << text.err;
    arguments.push_back("--json");
    const CliResult document = RunCliWith(arguments);
    EXPECT_EQ(document.status, c.status);
    EXPECT_EQ(document.Json()["drives"].size(), c.drives.size());
  }
}

TEST(CliExitStatus, AFaultySnapshotFileStopsTheRunBeforeAnyDriveIsRead) {
  KESTRINE_REQUIRE_CAPTURED();
  ScratchDir dir;
  const std::string good = ReadText(CapturedBlob(kOkDrive));
  const std::string identify = good.substr(0, 520);
  ASSERT_EQ(identify.substr(0, 4), "IDFY");
  struct Case {
    const char* name;
    std::string bytes;
    std::string fault;
  };
  const std::vector<Case> cases = {
      {"truncated", good.substr(0, good.size() - 1), "cut short: section \"SMTH\""},
      {"wrong-size",
       std::string("IDFY\0\0\0\x04"
                   "abcd",
                   12),
       "section \"IDFY\" at byte 0 has 4 bytes, not 512"},
      {"duplicate", good + identify, "section \"IDFY\" appears twice"},
      {"no-identify", good.substr(520), "no IDFY section"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = (dir / (std::string(c.name) + ".blob")).string();
    WriteText(file, c.bytes);
    for (const bool as_json : {false, true}) {
      std::vector<std::string> arguments = {"--load", CapturedBlob(kOkDrive), "--load", file};
      if (as_json) arguments.push_back("--json");
      const CliResult result = RunCliWith(arguments);
      EXPECT_EQ(result.status, 3);
      EXPECT_EQ(result.out, "");
      EXPECT_EQ(result.err.rfind("kestrine-cli: " + file + ": " + c.fault, 0), 0u) << result.err;
    }
  }
  const CliResult missing = RunCliWith({"--load", (dir / "missing.blob").string()});
  EXPECT_EQ(missing.status, 3);
  EXPECT_NE(missing.err.find("missing.blob: cannot be opened: "), std::string::npos);
}

TEST(CliExitStatus, WrongArgumentsAreRefusedAndHelpIsNot) {
  const std::vector<std::vector<std::string>> wrong = {
      {"--bogus"},
      {"--html", "Nowhere", "x.html"},
      {"--html", "General"},
      {"--self-test", "long"},
      {"--drive", "0", "--drive", "1", "--save", "x.blob"},
      {"--json", "stray"},
  };
  for (const auto& arguments : wrong) {
    SCOPED_TRACE(arguments.front() + " " + arguments.back());
    const CliResult result = RunCliWith(arguments);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err, "");
  }
  const CliResult help = RunCliWith({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* topic : {"Exit status", "Self Test Logs", "man kestrine-cli",
                            "--html FILE writes the history page", "2026-12-07T19:30"}) {
    EXPECT_NE(help.out.find(topic), std::string::npos) << topic;
  }
}

TEST(CliExitStatus, NoDriveToReadIsAnError) {
  const CliResult none = RunCliWith({});
  EXPECT_EQ(none.status, 3);
  EXPECT_EQ(none.err, "kestrine-cli: no drive can be opened\n");
  // A run that ends before any drive is read writes nothing on standard output, whatever the
  // format: no drive, or a refused snapshot.
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--json"}, std::vector<std::string>{"--json", "--load", "none"},
        std::vector<std::string>{"--metrics"},
        std::vector<std::string>{"--metrics", "--load", "none"}}) {
    const CliResult result = RunCliWith(arguments);
    EXPECT_EQ(result.status, 3);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err, "");
  }

  SimBay bay;
  AddDemoDrives(bay);
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--drive", "4"}, "\\\\.\\PHYSICALDRIVE4: no such drive"},
      {{"--drive", "5"}, "\\\\.\\PHYSICALDRIVE5: Not a S.M.A.R.T enabled device"},
      {{"--drive", "sda"}, "sda: 'sda' is not a valid integer value"},
      // One rule with the window's: no leading zeros, whether the number comes alone or not.
      {{"--drive", "01"}, "\\\\.\\PHYSICALDRIVE01: no such drive"},
      {{"--drive", "\\\\.\\PhysicalDrive01"}, "\\\\.\\PhysicalDrive01: no such drive"},
      {{"--drive", "0x10"}, "0x10: '0x10' is not a valid integer value"},
      {{"--drive", "0", "--drive", "5"}, "\\\\.\\PHYSICALDRIVE5 could not be read"},
      {{"--drive", "/dev/sde"}, "\\\\.\\PHYSICALDRIVE4: no such drive"},
      {{"--drive", "/dev/sda1"},
       "--drive /dev/sda1: names no whole disk (/dev/sdX or /dev/nvmeNn1)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const CliResult result = RunCliWith(c.arguments, &bay);
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("kestrine-cli: " + c.message + "\n"), std::string::npos)
        << result.err;
  }
  // A typed path is read as the window reads its selector.
  EXPECT_EQ(RunCliWith({"--drive", "\\\\.\\physicaldrive1"}, &bay).status, 2);
  EXPECT_EQ(RunCliWith({"--drive", "3"}, &bay).status, 1);
  EXPECT_EQ(RunCliWith({"--drive", "/dev/sdb"}, &bay).status, 2);
}

// A drive that does not open is not taken for a drive without S.M.A.R.T.: the open's own error.
TEST(CliExitStatus, ADriveThatDoesNotOpenSaysWhy) {
  SimBay bay;
  AddDemoDrives(bay);
  bay.FindDrive(kDemoHealthyDisk)->behaviour.open_denied = true;
  const std::string denied = std::to_string(kDemoHealthyDisk);
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"--drive", denied}, "cannot open \\\\.\\PHYSICALDRIVE" + denied + ": access denied"},
      {{"--drive", "9"}, "no such drive"},
      {{"--drive", "9", "--json"}, "no such drive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[1]);
    const CliResult result = RunCliWith(c.arguments, &bay);
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find(": " + c.message + "\n"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(texts::kNotSmartDevice), std::string::npos) << result.err;
  }
  const CliResult json = RunCliWith({"--drive", "9", "--json"}, &bay);
  EXPECT_EQ(json.Json()["drives"][0]["messages"], json::array({"no such drive"}));
  EXPECT_EQ(json.Json()["drives"][0]["condition"], nullptr);

  // No drive opens, one for want of rights: the listing says so.
  SimBay locked;
  DriveBehaviour behaviour;
  behaviour.open_denied = true;
  locked.AddDrive(0, DriveImage{}, behaviour);
  const CliResult none = RunCliWith({}, &locked);
  EXPECT_EQ(none.status, 3);
  EXPECT_EQ(none.err, "kestrine-cli: " + std::string(texts::kNeedsAdministratorRights) +
                          "\nkestrine-cli: no drive can be opened\n");
}

TEST(CliArguments, ANumberOfUpToNineDigitsNamesAPhysicalDrive) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"0", "\\\\.\\PHYSICALDRIVE0"},
      {"07", "\\\\.\\PHYSICALDRIVE07"},
      {"1000", "\\\\.\\PHYSICALDRIVE1000"},
      {"123456789", "\\\\.\\PHYSICALDRIVE123456789"},
      {"1234567890", "1234567890"},
      {"-1", "-1"},
      {"1x", "1x"},
      {"sda", "sda"},
      {"", ""},
      {"/dev/sda", "\\\\.\\PHYSICALDRIVE0"},
      {"/dev/sdaa", "\\\\.\\PHYSICALDRIVE26"},
      {"/dev/sdgj", "\\\\.\\PHYSICALDRIVE191"},
      {"/dev/nvme1n1", "\\\\.\\PHYSICALDRIVE193"},
      {"/dev/sdgk", "/dev/sdgk"},  // 192 is the first NVMe drive's number
      {"/dev/nvme64n1", "/dev/nvme64n1"},
      {"/dev/nvme0n2", "/dev/nvme0n2"},
      {"/dev/sda1", "/dev/sda1"},
  };
  for (const auto& [drive, selector] : cases)
    EXPECT_EQ(DriveSelectorText(drive), selector) << drive;

  SimBay bay;
  AddDemoDrives(bay);
  // The drive tables hold 256 drives: a higher number, as a number or a path, is refused before
  // anything is read, where the window's logic would show drive 1000 mod 256 under its name.
  for (const char* drive : {"256", "1000", "0300", "123456789", "1234567890",
                            "\\\\.\\PHYSICALDRIVE256", "\\\\.\\physicaldrive999999999999"}) {
    const CliResult result = RunCliWith({"--drive", drive, "--json"}, &bay);
    EXPECT_EQ(result.status, 3) << drive;
    EXPECT_EQ(result.out, "") << drive;
    EXPECT_NE(result.err.find(": drive numbers go up to 255"), std::string::npos) << result.err;
  }
  const CliResult last = RunCliWith({"--drive", "255", "--json"}, &bay);
  EXPECT_EQ(last.status, 3);  // no such demo drive, but read as itself
  EXPECT_EQ(last.Json()["drives"][0]["path"], "\\\\.\\PHYSICALDRIVE255");
}

TEST(CliExitStatus, AnUnexpectedErrorIsReportedWithTheErrorStatus) {
  const auto run_with_port = [](std::function<std::unique_ptr<DevicePort>()> make_port) {
    CliEnvironment environment;
    environment.make_port = std::move(make_port);
    std::ostringstream out;
    std::ostringstream err;
    const int status = CliMain({"--json"}, environment, out, err);
    return std::make_pair(status, err.str());
  };
  EXPECT_EQ(run_with_port([]() -> std::unique_ptr<DevicePort> {
              throw std::runtime_error("the port broke");
            }),
            std::make_pair(3, std::string("kestrine-cli: the port broke\n")));
  EXPECT_EQ(run_with_port([]() -> std::unique_ptr<DevicePort> { throw 7; }),
            std::make_pair(3, std::string("kestrine-cli: an unexpected error ended the run\n")));
}

TEST(CliActions, ActingNeedsOneDrive) {
  SimBay bay;
  AddDemoDrives(bay);
  ScratchDir dir;
  const std::string file = (dir / "x.blob").string();
  const CliResult result = RunCliWith({"--save", file}, &bay);
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.out, "");
  EXPECT_NE(result.err.find("choose one with --drive"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(file));

  // Decided from the options before any drive is opened or any file loaded.
  const std::string missing = (dir / "missing.blob").string();
  const std::vector<std::vector<std::string>> several = {
      {"--save", file},
      {"--html", "General", file},
      {"--self-test", "short"},
      {"--drive", "0", "--drive", "3", "--self-test", "extended"},
      {"--load", missing, "--load", missing, "--save", file},
  };
  for (const auto& arguments : several) {
    SCOPED_TRACE(arguments.front() + " " + arguments.back());
    const CliResult refused = RunCliWith(arguments, &bay);
    EXPECT_EQ(refused.status, 3);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err,
              "kestrine-cli: --save, --html and --self-test act on one drive: choose one with "
              "--drive, or load one file with --load\n");
  }
  EXPECT_TRUE(bay.Opens().empty());
  EXPECT_TRUE(bay.Requests().empty());
  EXPECT_FALSE(std::filesystem::exists(file));

  // A drive that cannot be read gives nothing to act on.
  const CliResult unread = RunCliWith({"--drive", "5", "--save", file}, &bay);
  EXPECT_EQ(unread.status, 3);
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(CliActions, TheHtmlReportIsTheWindowsReportOfThatView) {
  SimBay bay;
  AddDemoDrives(bay);
  ScratchDir dir;
  std::filesystem::create_directories(dir / "program");
  WriteText(dir / "program" / "style.css", "td { }\n");
  const std::string report = (dir / "attributes.html").string();
  const CliResult result = RunCliWith({"--drive", "3", "--html", "attributes", report}, &bay,
                                      (dir / "program").string());
  EXPECT_EQ(result.status, 1) << result.err;

  testing::FormFixture window;
  AddDemoDrives(window.bay);
  window.ui.ComboBox1.text = DriveDevicePath(3);
  window.Run([](TForm1& f) { f.ComboBox1Change(); });
  EXPECT_EQ(ReadText(report), BuildHtmlReport(window.ui.ListView1));
  EXPECT_EQ(ReadText(dir / "style.css"), "td { }\n");
  EXPECT_EQ(result.err, "");

  // No style sheet beside the program: the report all the same, and a word on standard error.
  std::filesystem::create_directories(dir / "bare" / "bin");
  const std::string bare = (dir / "bare" / "report.html").string();
  const CliResult unstyled = RunCliWith({"--drive", "3", "--html", "attributes", bare}, &bay,
                                        (dir / "bare" / "bin").string());
  EXPECT_EQ(unstyled.status, 1);
  EXPECT_TRUE(std::filesystem::exists(bare));
  EXPECT_NE(unstyled.err.find(texts::kStyleSheetNotFound), std::string::npos) << unstyled.err;

  // A report that cannot be created is the window's error message, and an error.
  const std::string nowhere = (dir / "missing" / "r.html").string();
  const CliResult failed = RunCliWith({"--drive", "3", "--html", "General", nowhere, "--json"},
                                      &bay, (dir / "program").string());
  EXPECT_EQ(failed.status, 3);
  const json messages = failed.Json()["drives"][0]["messages"];
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].get<std::string>().rfind("Cannot create file \"", 0), 0u) << messages;
  EXPECT_NE(failed.err.find("kestrine-cli: \\\\.\\PHYSICALDRIVE3: Cannot create file"),
            std::string::npos);
}

TEST(CliActions, TheSelfTestStartsWithoutAQuestionThroughEitherFamily) {
  struct Case {
    int drive;
    const char* kind;
    Byte subcommand;
  };
  for (const Case& c : {Case{kDemoHealthyDisk, "short", 1}, Case{kDemoUsbSsd, "extended", 2}}) {
    SCOPED_TRACE(c.kind);
    SimBay bay;
    AddDemoDrives(bay);
    const CliResult result =
        RunCliWith({"--drive", std::to_string(c.drive), "--self-test", c.kind}, &bay);
    EXPECT_EQ(result.status, 0) << result.err;
    const SimDrive* drive = bay.FindDrive(c.drive);
    ASSERT_TRUE(drive->running_test.has_value());
    EXPECT_EQ(drive->running_test->subcommand, c.subcommand);
    EXPECT_NE(result.err.find(std::string(c.kind) + " self-test started"), std::string::npos);
    // The views shown were read before the start.
    EXPECT_NE(result.out.find("Self-test execution status                  0"), std::string::npos);
  }
}

// The drive answers only ATA pass-through, and refuses the S.M.A.R.T. request `feature` there.
SimDrive* RefuseSmartFeature(SimBay& bay, int number, Byte feature) {
  SimDrive* drive = bay.FindDrive(number);
  drive->behaviour.answers_legacy = false;
  drive->behaviour.answers_sat = false;
  drive->refuse = [feature](std::uint32_t code, std::span<const Byte> in) {
    const std::size_t features = ata_block::kCurrentTaskFile + kIdeRegs.features;
    return code == kIoctlAtaPassThrough && in.size() > features && in[features] == feature;
  };
  return drive;
}

TEST(CliActions, ASelfTestTheDriveRefusesIsAnError) {
  SimBay bay;
  AddDemoDrives(bay);
  SimDrive* drive = RefuseSmartFeature(bay, kDemoPendingSectors, kSmartExecuteOfflineImmediate);
  const CliResult result = RunCliWith({"--drive", "3", "--self-test", "short", "--json"}, &bay);
  EXPECT_EQ(result.status, 3);
  EXPECT_EQ(result.Json()["drives"][0]["messages"], json::array({texts::kFailed}));
  EXPECT_FALSE(drive->running_test.has_value());
}

TEST(CliActions, ASnapshotCanBeSavedFromASnapshot) {
  KESTRINE_REQUIRE_CAPTURED();
  ScratchDir dir;
  const std::string copy = (dir / "copy.blob").string();
  const CliResult result = RunCliWith({"--load", CapturedBlob(kWarningDrive), "--save", copy});
  EXPECT_EQ(result.status, 1) << result.err;
  const Snapshot original = *ReadSnapshotFile(CapturedBlob(kWarningDrive));
  const Snapshot saved = *ReadSnapshotFile(copy);
  EXPECT_EQ(saved.identify, original.identify);
  EXPECT_EQ(saved.smart_data, original.smart_data);
  EXPECT_EQ(saved.thresholds, original.thresholds);
  EXPECT_EQ(saved.self_test_log, Sector{});  // the loaded drive's log is empty

  const CliResult unwritable = RunCliWith(
      {"--load", CapturedBlob(kWarningDrive), "--save", (dir / "no" / "x.blob").string()});
  EXPECT_EQ(unwritable.status, 3);
  EXPECT_NE(unwritable.err.find("x.blob: cannot be created: "), std::string::npos);
}

}  // namespace
}  // namespace kestrine

namespace kestrine {
namespace {

// --demo needs no port of the system's (RunCliWith gives none); --no-wake leaves the demo's
// archive disk asleep, listed as such and not counted.
TEST(CliNoWake, ADriveAsleepIsListedAndNeitherReadNorCounted) {
  const std::string sleeping = std::to_string(kDemoSleepingDisk);
  const struct {
    std::vector<std::string> arguments;
    int status;
  } cases[] = {
      {{"--demo", "--no-wake", "--drive", sleeping}, kExitOk},
      {{"--demo", "--no-wake", "--drive", "1", "--drive", sleeping}, kExitCritical},
      {{"--demo", "--no-wake", "--drive", sleeping, "--html", "General", "g.html"}, kExitError},
      {{"--demo", "--load", "x.blob"}, kExitError},
  };
  for (const auto& c : cases) EXPECT_EQ(RunCliWith(c.arguments).status, c.status) << c.arguments[3];
  EXPECT_NE(RunCliWith({"--demo", "--no-wake", "--drive", sleeping})
                .out.find("\nAsleep (standby): not read, so as not to wake it.\n"),
            std::string::npos);

  const json drives = RunCliWith({"--demo", "--no-wake", "--json"}).Json()["drives"];
  std::vector<json> asleep;
  for (const json& drive : drives) asleep.push_back(drive["asleep"]);
  // 0, 1, 2, 3, 5, 6, 7 read; the archive disk, 8, left asleep without a condition; the SAS
  // disks 10 and 11 and the bridged 12 to 14 read.
  std::vector<json> expected(7, nullptr);
  expected.emplace_back("standby");
  expected.resize(expected.size() + 5, nullptr);
  EXPECT_EQ(asleep, expected);
  EXPECT_EQ(drives[7]["condition"], nullptr);
}

// --no-wake only leaves a sleeping drive alone: what it cannot read is reported as without it.
TEST(CliNoWake, AFailedReadIsStillReported) {
  SimBay bay;
  AddDemoDrives(bay);
  RefuseSmartFeature(bay, kDemoPendingSectors, kSmartReadLog);
  const CliResult result = RunCliWith({"--no-wake", "--drive", "3", "--json"}, &bay);
  EXPECT_EQ(result.Json()["drives"][0]["messages"], json::array({texts::kFailed}));
}

// Real drives' changes since their previous reading (in one run: not OK at the first reading)
// are in the text and the JSON, as the system log has them.
TEST(CliChanges, AreWrittenForRealDrives) {
  SimBay bay;
  AddDemoDrives(bay);
  const std::string drive = std::to_string(kDemoFailingDisk);
  const CliResult text = RunCliWith({"--drive", drive}, &bay);
  EXPECT_NE(text.out.find("\nChanged: Condition is CRITICAL at the first reading\n"),
            std::string::npos)
      << text.out;
  const nlohmann::json json = RunCliWith({"--drive", drive, "--json"}, &bay).Json();
  EXPECT_EQ(
      json["drives"][0]["changes"],
      nlohmann::json::parse(
          R"([{"severity": "error", "text": "Condition is CRITICAL at the first reading"}])"));
}

// A run that saves the snapshot, writes the report and the metrics reads each drive in one
// session: one open, and no request sent twice (each block is read once).
TEST(CliRun, OneOpenPerDriveAndOneReadOfEachBlock) {
  for (const int number : {kDemoHealthyDisk, kDemoUsbSsd, kDemoNvmeSsd}) {
    ScratchDir dir;
    SimBay bay;
    AddDemoDrives(bay);
    const CliResult result =
        RunCliWith({"--drive", std::to_string(number), "--metrics", "-", "--save",
                    (dir / "d.blob").string(), "--html", "Attributes", (dir / "a.html").string()},
                   &bay);
    EXPECT_EQ(result.status, 0) << number << result.err;
    EXPECT_EQ(bay.Opens().size(), 1u) << number;
    std::vector<std::pair<std::uint32_t, std::vector<Byte>>> sent;
    for (const RecordedRequest& request : bay.Requests()) {
      const std::pair<std::uint32_t, std::vector<Byte>> key{request.code, request.in};
      EXPECT_EQ(std::ranges::count(sent, key), 0) << number << ": request " << request.code;
      sent.push_back(key);
    }
  }
}

}  // namespace
}  // namespace kestrine
