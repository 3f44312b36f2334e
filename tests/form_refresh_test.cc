// TForm1's refresh cycle end to end, through the fake toolkit and the simulated bay.
#include <gtest/gtest.h>

#include <algorithm>

#include "demo_drives.h"
#include "drive_image_builder.h"
#include "drive_number.h"
#include "errors.h"
#include "fake_toolkit.h"
#include "form_texts.h"
#include "test_drives.h"

namespace kestrine {
namespace {

using testing::FormFixture;
using testing::Only;
using testing::Route;

// A drive image with a non-empty IDENTIFY block and one attribute.
DriveImage SomeDrive() {
  DriveImage image;
  SetIdentifyWord(image.identify, identify_word::kModelNumber, 'K');  // model text, first word
  AddAttribute(image, {.id = 9, .value = 100, .worst = 100});
  return image;
}

int IdentifyCount(const SimBay& bay) {
  return static_cast<int>(std::ranges::count_if(bay.Requests(), [](const RecordedRequest& r) {
    return r.code == kIoctlAtaPassThrough && r.in.size() > 38 && r.in[38] == 0xEC;
  }));
}

void Select(FormFixture& fx, const std::string& text) {
  fx.ui.ComboBox1.text = text;
  fx.Run([](TForm1& f) { f.ComboBox1Change(); });
}

TEST(FormShow, ListsTheDrivesThatOpenAndRefreshesTheFirstOnce) {
  FormFixture fx;
  fx.bay.AddDrive(0, SomeDrive());
  fx.bay.AddDrive(2, SomeDrive());
  fx.Run([](TForm1& f) { f.FormShow(); });
  // The drive read names its model after its path.
  EXPECT_EQ(fx.ui.ComboBox1.items,
            (std::vector<std::string>{"\\\\.\\PHYSICALDRIVE0  K", "\\\\.\\PHYSICALDRIVE2"}));
  EXPECT_EQ(fx.ui.ComboBox1.text, "\\\\.\\PHYSICALDRIVE0  K");
  EXPECT_EQ(IdentifyCount(fx.bay), 1);
  EXPECT_TRUE(fx.ui.App.messages.empty());
  // Probing: 256 read-only opens, each closed at once; nothing left open after the refresh.
  const auto read_only = std::ranges::count_if(
      fx.bay.Opens(), [](const RecordedOpen& o) { return o.access == Access::ReadOnly; });
  EXPECT_GE(read_only, 256);
  EXPECT_EQ(fx.bay.Opens()[255].path, "\\\\.\\PHYSICALDRIVE255");
  EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
}

// No drive: an empty window that says so, and no box about the empty selector.
TEST(FormShow, NoDriveGivesAnEmptyWindowThatSaysNoDiskWasFound) {
  FormFixture fx;
  fx.Run([](TForm1& f) { f.FormShow(); });
  EXPECT_TRUE(fx.ui.ComboBox1.items.empty());
  EXPECT_TRUE(fx.ui.App.messages.empty());
  EXPECT_EQ(fx.ui.StatusBar1.text, texts::kNoDiskFound);
  EXPECT_EQ(fx.form.DriveCondition, "");  // nothing was judged
}

// Drives refused for want of rights: the user learns why the list is empty before the empty
// list's own complaint; one drive that opens is enough to say nothing.
TEST(FormShow, DrivesRefusedForWantOfRightsAreNamedFirst) {
  DriveBehaviour denied;
  denied.open_denied = true;
  FormFixture locked;
  locked.bay.AddDrive(0, SomeDrive(), denied);
  locked.bay.AddDrive(1, SomeDrive(), denied);
  locked.Run([](TForm1& f) { f.FormShow(); });
  EXPECT_TRUE(locked.ui.ComboBox1.items.empty());
  EXPECT_EQ(locked.ui.App.messages, std::vector<std::string>{texts::kNeedsAdministratorRights});

  FormFixture mixed;
  mixed.bay.AddDrive(0, SomeDrive(), denied);
  mixed.bay.AddDrive(1, SomeDrive());
  mixed.Run([](TForm1& f) { f.FormShow(); });
  EXPECT_EQ(mixed.ui.ComboBox1.items, std::vector<std::string>{"\\\\.\\PHYSICALDRIVE1  K"});
  EXPECT_TRUE(mixed.ui.App.messages.empty());
}

TEST(RefreshDrive, StatusBarNamesTheFamilyThatAnswered) {
  const struct {
    DriveBehaviour behaviour;
    const char* method;
  } cases[] = {
      {Only({Route::AtaPassThrough}), "Method:IOCTL_ATA_PASS_THROUGH"},
      {Only({Route::Legacy}), "Method:IOCTL_ATA_PASS_THROUGH"},
      {Only({Route::Sat}), "Method:IOCTL_SCSI_PASS_THROUGH"},
  };
  for (const auto& c : cases) {
    FormFixture fx;
    fx.bay.AddDrive(0, SomeDrive(), c.behaviour);
    fx.Run([](TForm1& f) { f.FormShow(); });
    const std::string& text = fx.ui.StatusBar1.text;
    EXPECT_TRUE(text.starts_with("BusType:")) << text;
    EXPECT_TRUE(text.ends_with(std::string(" ") + c.method)) << text;
    EXPECT_TRUE(fx.ui.App.messages.empty());
    EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
  }
}

TEST(RefreshDrive, FailedPropertyQueryLeavesTheBusNameEmpty) {
  FormFixture fx;
  DriveBehaviour behaviour;
  behaviour.answers_property_query = false;
  fx.bay.AddDrive(0, SomeDrive(), behaviour);
  fx.Run([](TForm1& f) { f.FormShow(); });
  EXPECT_EQ(fx.ui.StatusBar1.text, "BusType: Method:IOCTL_ATA_PASS_THROUGH");
}

// Whatever drive was shown before, a refresh that cannot read the selected drive leaves nothing
// of that drive's verdict on show: no condition, no bus or method, a tray hint that names the
// failure. The message, the empty views and the closed drive stay as they were.
TEST(RefreshDrive, DriveNotReadShowsNoConditionWhateverWasShownBefore) {
  const struct {
    int drive;
    const char* condition;
  } before[] = {
      {kDemoHealthyDisk, "OK"},
      {kDemoPendingSectors, "WARNING"},
      {kDemoFailingDisk, "CRITICAL"},
  };
  const struct {
    std::string text;
    const char* message;
  } failures[] = {
      {DriveDevicePath(kDemoCardReader), "Not a S.M.A.R.T enabled device"},  // no IDENTIFY
      {DriveDevicePath(9), "Not a S.M.A.R.T enabled device"},                // no such drive
      {DriveDevicePath(1) + "x", "'1x' is not a valid integer value"},       // not a number
  };
  for (const auto& shown : before) {
    for (const auto& failure : failures) {
      SCOPED_TRACE(std::string(shown.condition) + " then " + failure.text);
      FormFixture fx;
      AddDemoDrives(fx.bay);
      Select(fx, DriveDevicePath(shown.drive));
      ASSERT_EQ(fx.ui.lblstatus.caption, shown.condition);
      ASSERT_TRUE(fx.ui.lblstatus.color.has_value());
      ASSERT_TRUE(fx.ui.StatusBar1.text.starts_with("BusType:"));

      // The window already tells the truth while the message box is open.
      std::string hint_in_box;
      fx.ui.App.on_message = [&](const std::string&) { hint_in_box = fx.ui.TrayIcon1.hint; };
      Select(fx, failure.text);
      EXPECT_EQ(fx.ui.App.messages, std::vector<std::string>{failure.message});
      EXPECT_EQ(fx.ui.lblstatus.caption, "");
      EXPECT_EQ(fx.ui.lblstatus.color, std::nullopt);
      EXPECT_EQ(fx.ui.StatusBar1.text, "");
      // The drive shown before is another drive now: named on a line of its own if not OK.
      const std::string before_line =
          shown.drive == kDemoHealthyDisk
              ? ""
              : "\r\n" + DriveDevicePath(shown.drive) + ": " + shown.condition;
      EXPECT_EQ(fx.ui.TrayIcon1.hint,
                failure.text + "\r\nNot a S.M.A.R.T enabled device" + before_line);
      EXPECT_EQ(hint_in_box, fx.ui.TrayIcon1.hint);
      for (const MemoryListView* view :
           {&fx.ui.ListView1, &fx.ui.ListView2, &fx.ui.ListView3, &fx.ui.ListView4}) {
        EXPECT_EQ(view->ItemCount(), 0);
      }
      EXPECT_EQ(fx.bay.OpenHandleCount(), 0);

      // The next drive that answers is shown in full again.
      Select(fx, DriveDevicePath(shown.drive));
      EXPECT_EQ(fx.ui.lblstatus.caption, shown.condition);
      EXPECT_TRUE(fx.ui.lblstatus.color.has_value());
      EXPECT_TRUE(fx.ui.StatusBar1.text.starts_with("BusType:"));
    }
  }
}

TEST(RefreshDrive, TypedTextThatIsNotANumberOpensNothing) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "'' is not a valid integer value"},
      {"\\\\.\\PHYSICALDRIVEx", "'x' is not a valid integer value"},
      {"\\\\.\\PHYSICAL", "'\\\\.\\PHYSICAL' is not a valid integer value"},
      {"drive 1", "'drive 1' is not a valid integer value"},
  };
  for (const auto& c : cases) {
    FormFixture fx;
    fx.bay.AddDrive(0, SomeDrive());
    Select(fx, c.text);
    EXPECT_EQ(fx.ui.App.messages, std::vector<std::string>{c.message}) << c.text;
    EXPECT_TRUE(fx.bay.Opens().empty()) << c.text;
    EXPECT_TRUE(fx.bay.Requests().empty()) << c.text;
  }
}

TEST(RefreshDrive, SelectorTextInAnyCaseNamesTheDrive) {
  FormFixture fx;
  fx.bay.AddDrive(0, SomeDrive());
  fx.bay.AddDrive(1, SomeDrive());
  fx.bay.AddDrive(7, SomeDrive());
  for (const auto& [text, number] :
       {std::pair{"\\\\.\\PhysicalDrive1", 1}, std::pair{"\\\\.\\physicaldrive7", 7}}) {
    fx.bay.ClearRecords();
    Select(fx, text);
    EXPECT_TRUE(fx.ui.App.messages.empty()) << text;
    const auto identify =
        std::ranges::find(fx.bay.Requests(), kIoctlAtaPassThrough, &RecordedRequest::code);
    ASSERT_NE(identify, fx.bay.Requests().end()) << text;
    EXPECT_EQ(identify->drive, number) << text;
    EXPECT_EQ(identify->in[37], number) << "device register, " << text;
  }
}

TEST(RefreshDrive, RefreshRereadsAllFourViewsWhateverPageIsActive) {
  FormFixture fx;
  fx.bay.AddDrive(0, SomeDrive());
  fx.Run([](TForm1& f) { f.FormShow(); });
  const auto before = std::vector<std::vector<std::vector<std::string>>>{
      fx.ui.ListView1.Rows(), fx.ui.ListView2.Rows(), fx.ui.ListView3.Rows(),
      fx.ui.ListView4.Rows()};
  fx.ui.PageControl1.active = 3;
  fx.bay.ClearRecords();
  fx.Run([](TForm1& f) { f.Refresh1Click(); });
  EXPECT_EQ(IdentifyCount(fx.bay), 1);
  EXPECT_EQ(before, (std::vector<std::vector<std::vector<std::string>>>{
                        fx.ui.ListView1.Rows(), fx.ui.ListView2.Rows(), fx.ui.ListView3.Rows(),
                        fx.ui.ListView4.Rows()}));
  // The timer's tick runs the same refresh.
  fx.Run([](TForm1& f) { f.Timer2Timer(); });
  EXPECT_EQ(IdentifyCount(fx.bay), 2);
}

TEST(RefreshDrive, TickDuringAMessageBoxIsHeldUntilTheRefreshEnds) {
  FormFixture fx;
  fx.bay.AddDrive(0, SomeDrive(), Only({}));
  int ticks = 0;
  int refreshes_seen_in_box = -1;
  fx.ui.App.on_message = [&](const std::string&) {
    // The message box runs the event loop: the timer fires while it is open, once.
    if (ticks++ == 0) {
      const auto opens_before = fx.bay.Opens().size();
      fx.Run([](TForm1& f) { f.Timer2Timer(); });
      refreshes_seen_in_box = static_cast<int>(fx.bay.Opens().size() - opens_before);
    }
  };
  fx.ui.ComboBox1.text = "\\\\.\\PHYSICALDRIVE0";
  fx.Run([](TForm1& f) { f.Refresh1Click(); });
  EXPECT_EQ(refreshes_seen_in_box, 0) << "no nested refresh";
  // The held tick ran once the first refresh had ended: the user's refresh said it in a box,
  // the tick in a notification.
  EXPECT_EQ(fx.ui.App.messages.size(), 1u);
  EXPECT_EQ(fx.ui.TrayIcon1.notifications.size(), 1u);
  EXPECT_EQ(fx.bay.OpenHandleCount(), 0);
}

TEST(Restore1Click, EndsTheProgram) {
  FormFixture fx;
  fx.Run([](TForm1& f) { f.Restore1Click(); });
  EXPECT_TRUE(fx.ui.App.terminated);
}

TEST(DriveNumberFromText, ReadsTheNumberAfterEveryPrefix) {
  const struct {
    const char* text;
    int number;
  } good[] = {
      {"\\\\.\\PHYSICALDRIVE0", 0},
      {"\\\\.\\PHYSICALDRIVE12", 12},
      {"\\\\.\\physicalDRIVE3", 3},
      {"\\\\.\\PHYSICALDRIVE\\\\.\\physicaldrive4", 4},
      {"\\\\.\\PHYSICALDRIVE255", 255},
      {"9", 9},
      {"+5", 5},
      {"007", 7},
  };
  for (const auto& c : good) EXPECT_EQ(DriveNumberFromText(c.text), c.number) << c.text;
  for (const char* bad : {"", "-", "1.5", "0x1", "\\\\.\\PHYSICALDRIVE 1", "99999999999"}) {
    EXPECT_THROW(DriveNumberFromText(bad), EConvertError) << bad;
  }
}

}  // namespace
}  // namespace kestrine
