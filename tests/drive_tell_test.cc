// What the window tells without being asked, through the fake toolkit's tray icon and a log kept
// in memory, over the simulated bay.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "demo_drives.h"
#include "drive_image_builder.h"
#include "drive_number.h"
#include "fake_toolkit.h"
#include "form_texts.h"
#include "nvme_image_builder.h"
#include "nvme_layout.h"
#include "smart_layout.h"
#include "test_drives.h"

namespace kestrine {
namespace {

using testing::kDrive0;
using testing::kDrive2;

struct LoggedLine {
  Severity severity;
  std::string line;
  bool operator==(const LoggedLine&) const = default;
};

class MemorySystemLog : public SystemLog {
 public:
  void Write(Severity severity, std::string_view line) override {
    lines.push_back({severity, std::string(line)});
  }
  std::vector<LoggedLine> lines;
};

// A form as the window program holds one: over the bay, with the system log.
struct TellFixture {
  SimBay bay;
  SmartDrv drv{bay};
  testing::FakeToolkit ui;
  MemorySystemLog log;
  TForm1 form{drv, ui.Controls(), &log};

  void Run(void (TForm1::*handler)()) {
    RunGuarded(ui.App, [&] { (form.*handler)(); });
  }
  void Select(const std::string& path) {
    ui.ComboBox1.text = path;
    Run(&TForm1::ComboBox1Change);
  }
  const std::vector<Notification>& Told() const { return ui.TrayIcon1.notifications; }
};

// Sets the raw value of the ATA attribute `id` in the drive's S.M.A.R.T. data and reseals it.
void SetRaw(DriveImage& image, Byte id, std::uint64_t raw) {
  if (!SetAttributeRaw(image, id, raw)) ADD_FAILURE() << "no attribute " << int{id};
}

using Edit = std::function<void(DriveImage&)>;

void NoEdit(DriveImage&) {}

Edit Raw(Byte id, std::uint64_t raw) {
  return [=](DriveImage& d) { SetRaw(d, id, raw); };
}

Edit HealthByte(std::size_t at, Byte value) {
  return [=](DriveImage& d) { d.nvme->health[at] = value; };
}

// Each kind of change is told at the tick that finds it, once, in one notification (none for a
// change for the better) and a log line each; the ticks after it, which find the same values,
// tell nothing.
TEST(DriveChanges, EachKindIsToldOnceAndNotAgain) {
  const struct {
    const char* what;
    int slot;
    Edit before;  // the drive at the user's refresh
    Edit after;   // the drive at the following ticks
    Severity severity;
    std::string told;  // the notification's text; a log line for each of its lines
  } cases[] = {
      {"pending sectors: worse and a counter", kDemoHealthyDisk, NoEdit, Raw(197, 3),
       Severity::Warning,
       "Condition went from OK to WARNING\r\nCurrent Pending Sector Count rose from 0 to 3"},
      {"reallocated sectors rose on a drive already WARNING", kDemoHealthyDisk, Raw(5, 8),
       Raw(5, 12), Severity::Warning, "Reallocated Sector Count rose from 8 to 12"},
      {"reported uncorrectable errors (187)", kDemoHealthyDisk,
       // The demo disk has none: its attribute 192, the next in id order, becomes 187.
       [](DriveImage& d) {
         for (std::size_t at = smart_entry::kFirst;
              at < smart_entry::kFirst + smart_entry::kEntriesSize; at += smart_entry::kSize) {
           if (d.smart_data[at] == 192) d.smart_data[at] = d.thresholds[at] = 187;
         }
         SetRaw(d, 187, 0);
       },
       Raw(187, 2), Severity::Warning,
       "Condition went from OK to WARNING\r\nReported Uncorrectable Errors rose from 0 to 2"},
      {"cable CRC errors: information, only logged", kDemoHealthyDisk, NoEdit, Raw(199, 3),
       Severity::Information,
       "UltraDMA CRC Error Rate rose from 0 to 3: a cable or connector problem"},
      {"pending sectors gone: better, only logged", kDemoHealthyDisk, Raw(197, 1), Raw(197, 0),
       Severity::Information, "Condition went from WARNING to OK"},
      {"ATA self-test newly failed", kDemoHealthyDisk, NoEdit,
       [](DriveImage& d) {
         AddSelfTestEntry(d.self_test_log, {.type = 1, .status = 0x70, .hours = 14100});
         SealDriveImage(d);
       },
       Severity::Error, "The latest self-test failed (status 0x70)"},
      {"NVMe media errors", kDemoNvmeSsd, NoEdit, HealthByte(nvme_health::kMediaErrors, 2),
       Severity::Warning,
       "Condition went from OK to WARNING\r\nMedia and Data Integrity Errors rose from 0 to 2"},
      {"NVMe critical warning bit", kDemoNvmeSsd, NoEdit,
       HealthByte(nvme_health::kCriticalWarning, 0x08), Severity::Error,
       "Condition went from OK to CRITICAL\r\nCritical Warning bit 3 set (media read-only)"},
      {"NVMe spare below threshold", kDemoNvmeSsd, NoEdit,
       [](DriveImage& d) {
         d.nvme->health[nvme_health::kAvailableSpare] = 5;
         d.nvme->health[nvme_health::kAvailableSpareThreshold] = 10;
       },
       Severity::Error,
       "Condition went from OK to CRITICAL\r\n"
       "Available Spare fell below its threshold: 5% (threshold 10%)"},
      {"NVMe self-test newly failed", kDemoNvmeSsd, NoEdit,
       [](DriveImage& d) {
         AddNvmeSelfTestResult(d.nvme->self_test_log,
                               {.code = nvme_self_test_log::kCodeShort,
                                .result = nvme_self_test_log::kResultFailedSegments,
                                .power_on_hours = 9000});
       },
       Severity::Error, "The latest self-test failed (status 0x07)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TellFixture fx;
    AddDemoDrives(fx.bay);
    DriveImage& image = fx.bay.FindDrive(c.slot)->image;
    c.before(image);
    fx.Select(DriveDevicePath(c.slot));
    const std::size_t told_before = fx.Told().size();
    fx.log.lines.clear();
    c.after(image);
    for (int tick = 0; tick < 3; ++tick) fx.Run(&TForm1::Timer2Timer);
    if (c.severity == Severity::Information) {
      EXPECT_EQ(fx.Told().size(), told_before);
      EXPECT_EQ(fx.log.lines.at(0).line,
                std::string(kDrive0) + " KESTREL HD2000S KD2S41A07731: " + c.told);
    } else {
      ASSERT_EQ(fx.Told().size(), told_before + 1);
      EXPECT_EQ(fx.Told().back().text, c.told);
      EXPECT_EQ(fx.Told().back().severity, c.severity);
    }
    std::size_t line = 0;
    for (std::size_t at = 0; at != std::string::npos; ++line) {
      const std::size_t end = c.told.find("\r\n", at);
      ASSERT_LT(line, fx.log.lines.size());
      EXPECT_EQ(fx.log.lines[line].severity, c.severity);
      EXPECT_TRUE(fx.log.lines[line].line.ends_with(": " + c.told.substr(at, end - at)));
      at = end == std::string::npos ? end : end + 2;
    }
    EXPECT_EQ(fx.log.lines.size(), line);
    EXPECT_EQ(fx.form.Changes(), std::vector<DriveChange>{}) << "the last tick found nothing new";
  }
}

// Another drive put in at the same path is a drive of its own: its higher counter is not a
// rise. Read again later, the first drive is compared with its own reading.
TEST(DriveChanges, ADriveSwappedInAtTheSamePathIsNotARise) {
  TellFixture fx;
  AddDemoDrives(fx.bay);
  SetRaw(fx.bay.FindDrive(kDemoHealthyDisk)->image, 5, 8);
  fx.Select(kDrive0);
  DriveImage other = fx.bay.FindDrive(kDemoHealthyDisk)->image;
  SetIdentifyTexts(other.identify, "KESTREL HD4000S", "05.02A05", "KD4S00000001");
  SetRaw(other, 5, 40);
  const DriveImage first = fx.bay.FindDrive(kDemoHealthyDisk)->image;
  fx.bay.AddDrive(kDemoHealthyDisk, other);
  fx.Run(&TForm1::Timer2Timer);
  EXPECT_EQ(
      fx.form.Changes(),
      (std::vector<DriveChange>{{Severity::Warning, "Condition is WARNING at the first reading"}}));
  fx.bay.AddDrive(kDemoHealthyDisk, first);
  fx.Run(&TForm1::Timer2Timer);
  EXPECT_TRUE(fx.form.Changes().empty());
}

// The selected drive gone while the window waits in the tray: the first tick tells it once,
// naming the drive, and opens no box; the next ticks are quiet until the drive reads again.
// A refresh the user asks for still says it in a box.
TEST(TickNotRead, IsToldOnceAsANotificationNamingTheDrive) {
  TellFixture fx;
  AddDemoDrives(fx.bay);
  fx.Select(kDrive0);
  fx.bay.RemoveDrive(kDemoHealthyDisk);
  for (int tick = 0; tick < 3; ++tick) fx.Run(&TForm1::Timer2Timer);
  EXPECT_TRUE(fx.ui.App.messages.empty());
  const Notification not_read{Severity::Warning, kDrive0,
                              "The drive could not be read: Not a S.M.A.R.T enabled device"};
  EXPECT_EQ(fx.Told(), std::vector<Notification>{not_read});
  EXPECT_EQ(
      fx.log.lines,
      (std::vector<LoggedLine>{{Severity::Warning, std::string(kDrive0) + ": " + not_read.text}}));

  fx.Run(&TForm1::Refresh1Click);
  EXPECT_EQ(fx.ui.App.TakeMessages(), std::vector<std::string>{texts::kNotSmartDevice});

  // Back and read, then gone again: a new failure, told again.
  AddDemoDrives(fx.bay);
  fx.Run(&TForm1::Timer2Timer);
  fx.bay.RemoveDrive(kDemoHealthyDisk);
  fx.Run(&TForm1::Timer2Timer);
  EXPECT_EQ(fx.Told().size(), 2u);

  // A text in the selector that names no drive: told once too, never a box at a tick.
  fx.ui.ComboBox1.text = "disk";
  fx.Run(&TForm1::Timer2Timer);
  fx.Run(&TForm1::Timer2Timer);
  EXPECT_TRUE(fx.ui.App.messages.empty());
  ASSERT_EQ(fx.Told().size(), 3u);
  EXPECT_EQ(fx.Told().back().text,
            "The drive could not be read: 'disk' is not a valid integer value");
}

// A click on the notification shows the drive it told of, though another is chosen by then.
TEST(NotificationClick, ShowsTheDriveToldOf) {
  TellFixture fx;
  AddDemoDrives(fx.bay);
  fx.Select(kDrive0);
  fx.bay.RemoveDrive(kDemoHealthyDisk);
  fx.Run(&TForm1::Timer2Timer);
  fx.Select(kDrive2);
  AddDemoDrives(fx.bay);
  fx.bay.ClearRecords();
  fx.Run(&TForm1::NotificationClick);
  EXPECT_EQ(fx.ui.ComboBox1.text, kDrive0);
  EXPECT_FALSE(fx.bay.Requests().empty()) << "the drive is read again";
}

}  // namespace
}  // namespace kestrine
