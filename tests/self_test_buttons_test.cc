// The self-test buttons through the window: the confirmation, the requests on the wire, the
// fall-back to SAT, the failure message and the drive handle's lifetime.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "fake_toolkit.h"
#include "test_drives.h"

namespace kestrine {
namespace {

using testing::FormFixture;

using testing::kDrive0;
using testing::kDrive1;

constexpr std::uint32_t kAtaCode = 0x4D02C;
constexpr std::uint32_t kSmartSendCode = 0x7C084;
constexpr std::uint32_t kScsiCode = 0x4D004;

struct Button {
  const char* name;
  std::function<void(TForm1&)> click;
  std::string confirmation;
  Byte test_code;
};

const std::vector<Button>& Buttons() {
  static const std::vector<Button> buttons = {
      {"Self Test (Short)", [](TForm1& f) { f.Button4Click(); },
       "Do you want to perform a smart short selftest offline?\r\nTest will take about 120 "
       "seconds.",
       1},
      {"Self Test (Ext.)", [](TForm1& f) { f.Button2Click(); },
       "Do you want to perform a smart extented selftest offline?\r\nTest will take some time.", 2},
  };
  return buttons;
}

// IOCTL_ATA_PASS_THROUGH for EXECUTE OFF-LINE IMMEDIATE: a non-data request, 44 bytes.
std::vector<Byte> AtaSelfTestRequest(Byte drive, Byte code) {
  std::vector<Byte> block = {
      40,   0,    0,    0,    0,    0,     0,    0,  // Length, AtaFlags 0, PathId, TargetId, Lun
      0,    0,    0,    0,                           // DataTransferLength 0
      2,    0,    0,    0,                           // TimeOutValue 2
      0,    0,    0,    0,                           // ReservedAsUlong
      44,   0,    0,    0,                           // DataBufferOffset 44
      0,    0,    0,    0,    0,    0,     0,    0,  // PreviousTaskFile
      0xD4, 0x00, code, 0x4F, 0xC2, drive, 0xB0, 0,  // CurrentTaskFile
      0,    0,    0,    0};                          // filler
  return block;
}

// SMART_SEND_DRIVE_COMMAND: the first 37 bytes of SENDCMDINPARAMS.
std::vector<Byte> LegacySelfTestRequest(Byte code) {
  std::vector<Byte> block = {0, 0, 0, 0, 0, 0, 0, 0,  // cBufferSize 0, registers
                             0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                             0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<Byte> registers = {0xD4, 0x00, code, 0x4F, 0xC2, 0xA0, 0xB0, 0x00, 0x00};
  std::copy(registers.begin(), registers.end(), block.begin() + 4);
  return block;
}

// IOCTL_SCSI_PASS_THROUGH: the 44-byte SCSI_PASS_THROUGH header with the ATA PASS-THROUGH (12)
// CDB of a non-data command: direction unspecified, protocol 3, no transfer length.
std::vector<Byte> SatSelfTestRequest(Byte device, Byte code) {
  return {44,     0,    0,    0,    0,    0,    12,   24,   2, 0, 0, 0,  // Length .. DataIn
          0,      0,    0,    0,                                         // DataTransferLength 0
          2,      0,    0,    0,                                         // TimeOutValue 2
          80,     0,    0,    0,                                         // DataBufferOffset 80
          48,     0,    0,    0,                                         // SenseInfoOffset 48
          0xA1,   0x06, 0x00, 0xD4, 0x00, code, 0x4F, 0xC2,              // CDB
          device, 0xB0, 0x00, 0x00, 0,    0,    0,    0};
}

Byte SatCdbDevice(std::span<const Byte> in) {
  return in.size() > 36 ? in[36] : 0xFF;
}

void ExpectClosedEverything(const FormFixture& f) {
  EXPECT_EQ(f.bay.OpenHandleCount(), 0);
  ASSERT_EQ(f.bay.Opens().size(), 1u);
  EXPECT_EQ(f.bay.Closes(), std::vector<DeviceHandle>{f.bay.Opens()[0].handle});
}

TEST(SelfTestButtons, AnswerNoSendsAndOpensNothing) {
  for (const Button& button : Buttons()) {
    FormFixture f;
    f.bay.AddDrive(0, DriveImage{});
    f.ui.ComboBox1.text = kDrive0;
    f.ui.App.answers = {false};
    f.Run(button.click);
    ASSERT_EQ(f.ui.App.questions.size(), 1u) << button.name;
    EXPECT_EQ(f.ui.App.questions[0].caption, "Kestrine") << button.name;
    EXPECT_EQ(f.ui.App.questions[0].text, button.confirmation) << button.name;
    EXPECT_TRUE(f.bay.Opens().empty()) << button.name;
    EXPECT_TRUE(f.bay.Requests().empty()) << button.name;
    EXPECT_TRUE(f.ui.App.messages.empty()) << button.name;
  }
}

TEST(SelfTestButtons, StartThroughTheAtaPassThrough) {
  for (const Button& button : Buttons()) {
    FormFixture f;
    f.bay.AddDrive(1, DriveImage{});
    f.ui.ComboBox1.text = kDrive1;
    f.ui.StatusBar1.text = "BusType:Sata Method:IOCTL_ATA_PASS_THROUGH";
    f.ui.App.answers = {true};
    f.Run(button.click);

    ASSERT_EQ(f.bay.Opens().size(), 1u);
    EXPECT_EQ(f.bay.Opens()[0].path, std::string("\\\\.\\") + kDrive1);
    EXPECT_EQ(f.bay.Opens()[0].access, Access::ReadWrite);
    ASSERT_EQ(f.bay.Requests().size(), 1u) << button.name;
    const RecordedRequest& request = f.bay.Requests()[0];
    EXPECT_EQ(request.code, kAtaCode);
    EXPECT_EQ(request.in, AtaSelfTestRequest(1, button.test_code)) << button.name;
    EXPECT_EQ(request.out_size, 44u);
    EXPECT_TRUE(request.answered);
    ExpectClosedEverything(f);
    // The drive runs the test; the window says nothing and refreshes nothing.
    ASSERT_TRUE(f.bay.FindDrive(1)->running_test.has_value());
    EXPECT_EQ(f.bay.FindDrive(1)->running_test->subcommand, button.test_code);
    EXPECT_TRUE(f.ui.App.messages.empty());
    EXPECT_EQ(f.ui.StatusBar1.text, "BusType:Sata Method:IOCTL_ATA_PASS_THROUGH");
  }
}

TEST(SelfTestButtons, ExtendedTestFallsBackToSatWithDriveNumberZero) {
  FormFixture f;
  DriveBehaviour bridge;  // a bridge that carries SAT only, and wants the bare device byte
  bridge.answers_ata_pass_through = false;
  bridge.answers_legacy = false;
  SimDrive& drive = f.bay.AddDrive(1, DriveImage{}, bridge);
  drive.refuse = [](std::uint32_t code, std::span<const Byte> in) {
    return code == kScsiCode && SatCdbDevice(in) == 0xA0;
  };
  f.ui.ComboBox1.text = kDrive1;
  f.ui.App.answers = {true};
  f.Run([](TForm1& form) { form.Button2Click(); });

  const auto& requests = f.bay.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].code, kAtaCode);
  EXPECT_EQ(requests[0].in, AtaSelfTestRequest(1, 2));
  EXPECT_EQ(requests[1].code, kSmartSendCode);
  EXPECT_EQ(requests[1].in, LegacySelfTestRequest(2));
  EXPECT_EQ(requests[1].out_size, 16u);
  // Drive number 0 through SAT, whatever drive is selected: device 0xA0, then 0x00.
  EXPECT_EQ(requests[2].code, kScsiCode);
  EXPECT_EQ(requests[2].in, SatSelfTestRequest(0xA0, 2));
  EXPECT_EQ(requests[2].out_size, 80u);
  EXPECT_FALSE(requests[2].answered);
  EXPECT_EQ(requests[3].code, kScsiCode);
  EXPECT_EQ(requests[3].in, SatSelfTestRequest(0x00, 2));
  EXPECT_EQ(requests[3].out_size, 80u);
  EXPECT_TRUE(requests[3].answered);
  for (const RecordedRequest& request : requests) EXPECT_EQ(request.drive, 1);

  ASSERT_TRUE(drive.running_test.has_value());
  EXPECT_EQ(drive.running_test->subcommand, 2);  // still the extended test
  EXPECT_TRUE(f.ui.App.messages.empty());
  ExpectClosedEverything(f);
}

TEST(SelfTestButtons, BothFamiliesFailing) {
  for (const Button& button : Buttons()) {
    FormFixture f;
    DriveBehaviour deaf;
    deaf.answers_ata_pass_through = false;
    deaf.answers_legacy = false;
    deaf.answers_sat = false;
    f.bay.AddDrive(0, DriveImage{}, deaf);
    f.ui.ComboBox1.text = kDrive0;
    f.ui.App.answers = {true};
    f.Run(button.click);

    std::vector<std::uint32_t> codes;
    for (const RecordedRequest& request : f.bay.Requests()) codes.push_back(request.code);
    EXPECT_EQ(codes, (std::vector<std::uint32_t>{kAtaCode, kSmartSendCode, kScsiCode, kScsiCode}))
        << button.name;
    EXPECT_EQ(f.ui.App.messages, std::vector<std::string>{"failed"}) << button.name;
    EXPECT_FALSE(f.bay.FindDrive(0)->running_test.has_value());
    ExpectClosedEverything(f);
  }
}

// However the drive is reached, one click starts one test, and a start that is not taken says
// "failed". A start announced as data-in would be refused by the controller after the drive had
// begun the test (ATA pass-through), or by the translator before it (SAT).
TEST(SelfTestButtons, OneClickStartsOneTestOrSaysFailed) {
  struct Case {
    const char* name;
    DriveBehaviour behaviour;
    int starts;  // -1: not counted
    std::vector<std::string> messages;
  };
  DriveBehaviour legacy_only;
  legacy_only.answers_ata_pass_through = false;
  DriveBehaviour sat_only = legacy_only;
  sat_only.answers_legacy = false;
  DriveBehaviour aborting;
  aborting.aborts_self_test = true;
  DriveBehaviour refusing_bridge = sat_only;  // CHECK CONDITION, ABORTED COMMAND, no registers
  refusing_bridge.sat_scsi_status = 2;
  const std::vector<Case> cases = {
      {"ATA pass-through", {}, 1, {}},
      {"legacy requests", legacy_only, 1, {}},
      {"SAT", sat_only, 1, {}},
      {"drive aborts the command", aborting, 0, {"failed"}},
      {"bridge refuses the command", refusing_bridge, -1, {"failed"}},
  };
  for (const Case& c : cases) {
    for (const Button& button : Buttons()) {
      FormFixture f;
      const SimDrive& drive = f.bay.AddDrive(0, DriveImage{}, c.behaviour);
      f.ui.ComboBox1.text = kDrive0;
      f.ui.App.answers = {true};
      f.Run(button.click);
      if (c.starts >= 0) {
        EXPECT_EQ(drive.self_tests_started, c.starts) << c.name << ", " << button.name;
      }
      EXPECT_EQ(f.ui.App.messages, c.messages) << c.name << ", " << button.name;
      ExpectClosedEverything(f);
    }
  }
}

TEST(SelfTestButtons, TextThatIsNoDriveName) {
  struct Case {
    const char* text;
    const char* message;
  };
  const std::vector<Case> cases = {
      // Opens (the platform finds the drive without the prefix) but names no drive number.
      {"PHYSICALDRIVE1", "'PHYSICALDRIVE1' is not a valid integer value"},
      {"\\\\.\\PHYSICALDRIVEx", "'x' is not a valid integer value"},
      {"", "'' is not a valid integer value"},
  };
  for (const Case& c : cases) {
    FormFixture f;
    f.bay.AddDrive(1, DriveImage{});
    f.ui.ComboBox1.text = c.text;
    f.ui.App.answers = {true};
    f.Run([](TForm1& form) { form.Button4Click(); });
    EXPECT_EQ(f.ui.App.messages, std::vector<std::string>{c.message}) << c.text;
    EXPECT_TRUE(f.bay.Requests().empty()) << c.text;
    ExpectClosedEverything(f);
  }
}

TEST(SelfTestButtons, GoesToTheDriveTypedIntoTheSelector) {
  FormFixture f;
  f.bay.AddDrive(0, DriveImage{});
  f.bay.AddDrive(1, DriveImage{});
  f.Run([](TForm1& form) { form.FormShow(); });  // the views show drive 0
  ASSERT_EQ(f.ui.ComboBox1.text, kDrive0);
  f.bay.ClearRecords();
  f.ui.App.messages.clear();

  f.ui.ComboBox1.text = kDrive1;  // typed; no refresh has run for it
  f.ui.App.answers = {true};
  f.Run([](TForm1& form) { form.Button4Click(); });
  ASSERT_EQ(f.bay.Requests().size(), 1u);
  EXPECT_EQ(f.bay.Requests()[0].drive, 1);
  EXPECT_EQ(f.bay.Requests()[0].in, AtaSelfTestRequest(1, 1));
  EXPECT_TRUE(f.bay.FindDrive(1)->running_test.has_value());
  EXPECT_FALSE(f.bay.FindDrive(0)->running_test.has_value());
  ExpectClosedEverything(f);
}

}  // namespace
}  // namespace kestrine
