// Drives left asleep: the power mode asked without waking the drive, through each family, and the
// window's timed re-read that leaves a sleeping drive alone while the user's refresh reads it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ata_pass_through_block.h"
#include "demo_drives.h"
#include "drive_number.h"
#include "fake_toolkit.h"
#include "form_texts.h"
#include "sat_pass_through_block.h"

namespace kestrine {
namespace {

using testing::FormFixture;

TEST(PowerMode, FromTheSectorCountOfCheckPowerMode) {
  const struct {
    Byte count;
    PowerMode mode;
  } cases[] = {{0x00, PowerMode::Standby}, {0x01, PowerMode::Standby}, {0x40, PowerMode::Standby},
               {0x41, PowerMode::Active},  {0x80, PowerMode::Active},  {0x83, PowerMode::Active},
               {0xFF, PowerMode::Active},  {0x02, PowerMode::Unknown}, {0x84, PowerMode::Unknown}};
  for (const auto& c : cases) EXPECT_EQ(PowerModeFromCount(c.count), c.mode) << int{c.count};
}

struct SleepFixture : FormFixture {
  SleepFixture() { AddDemoDrives(bay); }

  SimDrive& Drive(int number) { return *bay.FindDrive(number); }

  // The ATA commands that reached the drive, in order, through either pass-through.
  std::vector<Byte> Commands() const {
    std::vector<Byte> commands;
    for (const RecordedRequest& r : bay.Requests()) {
      if (r.code == kIoctlAtaPassThrough && r.in.size() >= ata_block::kHeaderSize)
        commands.push_back(r.in[ata_block::kCurrentTaskFile + 6]);
      if (r.code == kIoctlScsiPassThrough && r.in.size() >= sat_block::kHeaderSize)
        commands.push_back(r.in[sat_block::kCdb + 9]);
    }
    return commands;
  }
};

constexpr Byte kCheck = kCheckPowerModeCommand;

TEST(SleepingDrive, ATimedReReadLeavesItAsleepAndTheUsersRefreshReadsIt) {
  const struct {
    const char* what;
    int drive;
    bool suspended;  // by the system, rather than in standby by itself
    std::string asleep_text;
  } cases[] = {
      {"ATA family in standby", kDemoHealthyDisk, false, texts::kAsleepStandby},
      {"SAT family in standby", kDemoUsbSsd, false, texts::kAsleepStandby},
      {"suspended by the system", kDemoPendingSectors, true, texts::kAsleepSuspended},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SleepFixture fx;
    fx.ui.ComboBox1.text = DriveDevicePath(c.drive);
    fx.Run([](TForm1& f) { f.ComboBox1Change(); });
    const std::string read_status = fx.ui.StatusBar1.text;
    const int rows = fx.ui.ListView1.ItemCount();
    const std::string condition = fx.ui.lblstatus.caption;

    // The disk spins down; the next tick asks, and reads nothing.
    (c.suspended ? fx.Drive(c.drive).suspended : fx.Drive(c.drive).standby) = true;
    fx.bay.ClearRecords();
    fx.Run([](TForm1& f) { f.Timer2Timer(); });
    EXPECT_EQ(fx.Commands(), c.suspended ? std::vector<Byte>{} : std::vector<Byte>{kCheck});
    EXPECT_EQ(fx.bay.Opens().empty(), c.suspended);
    EXPECT_EQ(fx.ui.StatusBar1.text, read_status + "  " + c.asleep_text);
    EXPECT_EQ(fx.ui.lblstatus.caption, condition);
    EXPECT_EQ(fx.ui.ListView1.ItemCount(), rows);
    EXPECT_TRUE(fx.ui.App.messages.empty());

    // Refresh, the user's: read whatever the mode, which wakes the drive.
    fx.Drive(c.drive).suspended = false;
    fx.Run([](TForm1& f) { f.Refresh1Click(); });
    EXPECT_FALSE(fx.Drive(c.drive).standby);
    EXPECT_EQ(fx.ui.StatusBar1.text, read_status);
    // Awake, the next tick asks first and then reads.
    fx.bay.ClearRecords();
    fx.Run([](TForm1& f) { f.Timer2Timer(); });
    const std::vector<Byte> commands = fx.Commands();
    ASSERT_GE(commands.size(), 2u);
    EXPECT_EQ(commands[0], kCheck);
    EXPECT_EQ(commands[1], kIdentifyDeviceCommand);
  }
}

// A drive found asleep before it was ever read shows nothing of the drive read before it; the
// tray hint names that drive as another drive that is not OK.
TEST(SleepingDrive, LeftAsleepShowsNothingOfTheDriveReadBefore) {
  SleepFixture fx;
  fx.ui.ComboBox1.text = DriveDevicePath(kDemoWornNvmeSsd);
  fx.Run([](TForm1& f) { f.ComboBox1Change(); });
  ASSERT_NE(fx.ui.StatusBar1.text.find("Nvme"), std::string::npos);
  fx.ui.ComboBox1.text = DriveDevicePath(kDemoSleepingDisk);
  fx.Run([](TForm1& f) { f.Timer2Timer(); });
  EXPECT_EQ(fx.ui.StatusBar1.text, texts::kAsleepStandby);
  EXPECT_EQ(fx.ui.lblstatus.caption, "");
  EXPECT_EQ(fx.ui.ListView1.ItemCount() + fx.ui.ListView2.ItemCount(), 0);
  EXPECT_EQ(fx.ui.TrayIcon1.hint, DriveDevicePath(kDemoSleepingDisk) + "\r\n" +
                                      texts::kAsleepStandby + "\r\n" +
                                      DriveDevicePath(kDemoWornNvmeSsd) + ": CRITICAL");
}

TEST(SleepingDrive, CheckPowerModeGoesOutWithClearRegisters) {
  SleepFixture fx;
  fx.ui.ComboBox1.text = DriveDevicePath(kDemoSleepingDisk);
  // Not read yet, so no family has answered: asked through the ATA pass-through first.
  fx.Run([](TForm1& f) { f.Timer2Timer(); });
  EXPECT_EQ(fx.form.LeftAsleep(), PowerMode::Standby);
  const std::vector<Byte>& sent = fx.bay.Requests().front().in;
  EXPECT_EQ(std::vector<Byte>(sent.begin() + ata_block::kCurrentTaskFile, sent.begin() + 40),
            (std::vector<Byte>{0, 0, 0, 0, 0, 0, 0xE5, 0}));
}

}  // namespace
}  // namespace kestrine
