// The other drives: read by the round on its own thread at start-up and at each tick, told and
// kept as the drive shown is, over the demo bay.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "demo_drives.h"
#include "drive_image_builder.h"
#include "drive_number.h"
#include "drive_round.h"
#include "fake_toolkit.h"
#include "locked_device_port.h"
#include "opened_drive.h"
#include "tray_hint.h"

namespace kestrine {
namespace {

// A form over the demo bay whose other drives are read by a round, as the programs hold them;
// each handler waits for the round it started and hands what it read to the form.
struct RoundFixture {
  SimBay bay;
  LockedDevicePort port{bay};
  SmartDrv drv{port};
  testing::FakeToolkit ui;
  TForm1 form{drv, ui.Controls()};
  std::mutex mutex;
  std::condition_variable ready;
  std::size_t waiting = 0;
  std::size_t came = 0;
  DriveRound round{port, [this] {
                     const std::scoped_lock lock(mutex);
                     ++came;
                     ready.notify_all();
                   }};
  std::vector<std::string> kept;  // the paths of the readings handed to the history

  RoundFixture() {
    AddDemoDrives(bay);
    form.ReadOtherDrives = [this](std::vector<std::string> paths) {
      waiting += paths.size();
      round.Read(std::move(paths));
    };
    form.AfterDriveRead = [this](const DriveReading&, const std::string& path, bool) {
      kept.push_back(path);
    };
  }
  void Run(void (TForm1::*handler)()) {
    RunGuarded(ui.App, [&] { (form.*handler)(); });
    std::unique_lock lock(mutex);
    ready.wait(lock, [this] { return came == waiting; });
    lock.unlock();
    for (const RoundRead& read : round.Take()) form.OtherDriveRead(read.path, read.result);
  }
  std::vector<std::string> ToldTexts() const {
    std::vector<std::string> texts;
    for (const Notification& told : ui.TrayIcon1.notifications) texts.push_back(told.text);
    return texts;
  }
};

TEST(OtherDrives, AChangeOnAnotherDriveIsToldOnceAndKept) {
  RoundFixture fx;
  fx.Run(&TForm1::FormShow);
  // Every listed drive is read at start-up: the shown one by the form, the others by the round;
  // the sleeping disk is left asleep.
  EXPECT_EQ(fx.kept.size(), fx.ui.ComboBox1.items.size() - 2);  // the card reader, the sleeper
  EXPECT_TRUE(fx.bay.FindDrive(kDemoSleepingDisk)->standby);
  const std::vector<std::string> at_start = fx.ToldTexts();
  EXPECT_EQ(std::ranges::count_if(
                at_start,
                [](const std::string& text) { return text.starts_with("Condition is CRITICAL"); }),
            2);

  ASSERT_TRUE(SetAttributeRaw(fx.bay.FindDrive(kDemoPendingSectors)->image, 197, 40));
  fx.kept.clear();
  for (int tick = 0; tick < 2; ++tick) fx.Run(&TForm1::Timer2Timer);
  const std::vector<std::string> told = fx.ToldTexts();
  ASSERT_EQ(told.size(), at_start.size() + 1);
  EXPECT_EQ(told.back(), "Current Pending Sector Count rose from 8 to 40");
  EXPECT_EQ(fx.ui.TrayIcon1.notifications.back().title.substr(0, 18),
            DriveDevicePath(kDemoPendingSectors));
  EXPECT_EQ(std::ranges::count(fx.kept, DriveDevicePath(kDemoPendingSectors)), 2);
  EXPECT_TRUE(fx.bay.FindDrive(kDemoSleepingDisk)->standby);
}

TEST(OtherDrives, ADriveThatStopsAnsweringIsToldOnce) {
  RoundFixture fx;
  fx.Run(&TForm1::FormShow);
  const std::size_t told = fx.ui.TrayIcon1.notifications.size();
  fx.bay.RemoveDrive(kDemoHealthyDisk + 2);
  for (int tick = 0; tick < 2; ++tick) fx.Run(&TForm1::Timer2Timer);
  ASSERT_EQ(fx.ui.TrayIcon1.notifications.size(), told + 1);
  EXPECT_EQ(fx.ui.TrayIcon1.notifications.back().title, DriveDevicePath(kDemoHealthyDisk + 2));
}

// The demo holds CRITICAL and WARNING drives besides the OK one shown: the icon is marked red and
// the hint names them after the shown drive's lines, the worst first, as many as fit.
TEST(OtherDrives, TheTrayTellsTheWorstOfEveryDrive) {
  RoundFixture fx;
  fx.Run(&TForm1::FormShow);
  EXPECT_EQ(fx.ui.TrayIcon1.mark, Severity::Error);
  const std::string& hint = fx.ui.TrayIcon1.hint;
  EXPECT_TRUE(hint.starts_with("\\\\.\\PHYSICALDRIVE0\r\n")) << hint;
  EXPECT_TRUE(
      hint.ends_with("Condition:OK\r\n\\\\.\\PHYSICALDRIVE1: CRITICAL\r\n"
                     "\\\\.\\PHYSICALDRIVE7: CRITICAL\r\nand 3 more"))
      << hint;
}

// A short self-test started on the drive shown, and one found running on another drive (as
// kestrine-cli --self-test starts one): each drive is re-read once a minute while its test runs,
// and the end of each is told once, with its result.
TEST(OtherDrives, TheEndOfASelfTestIsToldOnce) {
  RoundFixture fx;
  fx.Run(&TForm1::FormShow);
  fx.ui.App.answers = {true};
  fx.Run(&TForm1::Button4Click);
  SmartDrv cli(fx.port);
  const OpenedDrive other(cli, DriveDevicePath(kDemoPendingSectors));
  ASSERT_TRUE(StartSelfTest(cli, other.Handle(), kDemoPendingSectors, kShortSelfTestOffline));
  fx.Run(&TForm1::Timer2Timer);  // the round finds the other drive's test running
  const std::size_t told = fx.ui.TrayIcon1.notifications.size();
  fx.Run(&TForm1::SelfTestTimer);
  EXPECT_EQ(fx.ui.TrayIcon1.notifications.size(), told);
  fx.bay.AdvanceClock(std::chrono::hours(1));
  for (int minute = 0; minute < 2; ++minute) fx.Run(&TForm1::SelfTestTimer);
  ASSERT_EQ(fx.ui.TrayIcon1.notifications.size(), told + 2);
  for (const int drive : {kDemoHealthyDisk, kDemoPendingSectors}) {
    const Notification& ended =
        fx.ui.TrayIcon1.notifications[told + (drive == kDemoHealthyDisk ? 0 : 1)];
    EXPECT_TRUE(ended.title.starts_with(DriveDevicePath(drive))) << ended.title;
    EXPECT_EQ(ended.text, "Self-test ended: Short offline, Completed without error");
  }
}

TEST(TrayHint, OtherDrivesNotOkAreAddedAsFarAsTheyFit) {
  const std::string shown_hint(60, 'h');
  const auto drives = [](int count, const char* condition) {
    std::map<std::string, std::string> conditions{{"shown", "CRITICAL"}, {"fine", "OK"}};
    for (int i = 0; i < count; ++i) conditions["drive" + std::to_string(i)] = condition;
    return conditions;
  };
  const struct {
    std::map<std::string, std::string> conditions;
    std::string added;
    Severity mark;
  } cases[] = {
      {{{"fine", "OK"}, {"unread", ""}}, "", Severity::Information},
      {drives(1, "WARNING"), "\r\ndrive0: WARNING", Severity::Error},
      {drives(3, "WARNING"), "\r\ndrive0: WARNING\r\ndrive1: WARNING\r\ndrive2: WARNING",
       Severity::Error},
      {drives(5, "CRITICAL"),
       "\r\ndrive0: CRITICAL\r\ndrive1: CRITICAL\r\ndrive2: CRITICAL\r\nand 2 more",
       Severity::Error},
  };
  for (const auto& c : cases) {
    const std::string hint = TrayHintText(shown_hint, "shown", c.conditions);
    EXPECT_EQ(hint, shown_hint + c.added);
    EXPECT_LE(hint.size(), kTrayHintLength);
    EXPECT_EQ(TrayMark("OK", c.conditions), c.mark);
  }
}

}  // namespace
}  // namespace kestrine
