// What the window tells without being asked, through the fake toolkit's tray icon and a log kept
// in memory, over the simulated bay.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "demo_drives.h"
#include "fake_toolkit.h"
#include "form_texts.h"
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
