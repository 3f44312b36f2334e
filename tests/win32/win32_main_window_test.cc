// The native Windows main window over the demo bay: its layout, the events that reach TForm1,
// the row colours, the condition label, the tray icon, and the real message boxes and save
// dialog. Windows need a display: under Wine without one (no Xvfb) the tests skip.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "demo_drives.h"
#include "drive_image_builder.h"
#include "fake_toolkit.h"
#include "form_texts.h"
#include "list_view_report.h"
#include "locked_device_port.h"
#include "message_box_watcher.h"
#include "nvme_layout.h"
#include "report_texts.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "test_drives.h"
#include "unit1.h"
#include "win32_application.h"
#include "win32_main_window.h"

namespace kestrine {
namespace {

using testing::FakeApplication;

using testing::kDrive0;
using testing::kDrive1;
using testing::kDrive2;

// The selector's entries of the demo drives once read: the path, then the model.
const std::string kDrive0Named = std::string(kDrive0) + "  KESTREL HD2000S";
const std::string kDrive2Named = std::string(kDrive2) + "  KESTREL SD480M";

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// A control's place in the window's client area.
RECT ClientPlace(HWND control) {
  RECT place{};
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
  return place;
}

std::string MenuText(HMENU menu, UINT position) {
  char text[64] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    AddDemoDrives(bay_);
    window_ = std::make_unique<Win32MainWindow>(GetModuleHandleA(nullptr), app_);
    if (window_->Handle() == nullptr) GTEST_SKIP() << "no display to create windows on";
    form_ = std::make_unique<TForm1>(drv_, window_->Controls());
    window_->Attach(*form_);
  }

  void TearDown() override {
    if (window_) window_->Detach();
    form_.reset();
    window_.reset();
    Pump();
  }

  // Shows the window and lets FormShow run.
  void Show() {
    ShowWindow(H().Form1, SW_SHOWNORMAL);
    Pump();
  }

  const Win32Handles& H() const { return window_->Handles(); }

  // Each refresh queries the storage properties once.
  int Refreshes() const {
    return static_cast<int>(std::ranges::count_if(bay_.Requests(), [](const RecordedRequest& r) {
      return r.code == kIoctlStorageQueryProperty;
    }));
  }

  std::string StatusText() const {
    char text[256] = {};
    SendMessageA(H().StatusBar1, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
  }

  void Command(int id, int code = 0, HWND control = nullptr) {
    SendMessageA(H().Form1, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
  }

  void ChooseEntry(int index) {
    SendMessageA(H().ComboBox1, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Command(kComboBox1Id, CBN_SELCHANGE, H().ComboBox1);
  }

  // Typed before the selector's text: after it, a key would change only the model it shows.
  void TypeKey(char key) {
    const HWND edit = FindWindowExA(H().ComboBox1, nullptr, "Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    SendMessageA(edit, EM_SETSEL, 0, 0);
    SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(key), 0);
  }

  void SelectPage(int index) {
    SendMessageA(H().PageControl1, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    NMHDR header{H().PageControl1, static_cast<UINT_PTR>(kPageControl1Id),
                 static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageA(H().Form1, WM_NOTIFY, kPageControl1Id, reinterpret_cast<LPARAM>(&header));
  }

  // The list view's answer to the paint notification of one row, and the background it set.
  LRESULT PaintRow(HWND list, int row, COLORREF& background) {
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr =
        NMHDR{list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), static_cast<UINT>(NM_CUSTOMDRAW)};
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(row);
    draw.clrTextBk = CLR_DEFAULT;
    const LRESULT result =
        SendMessageA(H().Form1, WM_NOTIFY, draw.nmcd.hdr.idFrom, reinterpret_cast<LPARAM>(&draw));
    background = draw.clrTextBk;
    return result;
  }

  SimBay bay_;
  LockedDevicePort locked_{bay_};  // shared with the round of the other drives, where started
  SmartDrv drv_{locked_};
  FakeApplication app_;
  std::unique_ptr<Win32MainWindow> window_;
  std::unique_ptr<TForm1> form_;
};

TEST_F(Win32Window, ResizableWindowAtItsPlaceSizeAndCaption) {
  const auto style = static_cast<DWORD>(GetWindowLongA(H().Form1, GWL_STYLE));
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_THICKFRAME);

  RECT client{};
  GetClientRect(H().Form1, &client);
  EXPECT_EQ(client.right - client.left, 611);
  EXPECT_EQ(client.bottom - client.top, 469);
  RECT frame{};
  GetWindowRect(H().Form1, &frame);
  EXPECT_EQ(frame.left, 354);
  EXPECT_EQ(frame.top, 165);
  EXPECT_EQ(WindowText(H().Form1), "Kestrine 0.7 by kestrine@example.org");
}

TEST_F(Win32Window, ControlsAtTheirPlacesWithTheirTexts) {
  const struct {
    HWND control;
    const char* text;
    RECT place;  // right or bottom 0: not checked (sized to the text or the font)
  } controls[] = {
      {H().Label1, "Drive", {7, 7, 0, 0}},
      {H().Button4, "Self Test (Short)", {248, 7, 348, 32}},
      {H().Button2, "Self Test (Ext.)", {360, 8, 460, 33}},
      {H().lblstatus, "", {520, 8, 0, 0}},
      {H().PageControl1, "", {8, 40, 601, 441}},
      {H().StatusBar1, "", {0, 450, 611, 469}},
  };
  for (const auto& c : controls) {
    const RECT place = ClientPlace(c.control);
    EXPECT_EQ(WindowText(c.control), c.text);
    EXPECT_EQ(place.left, c.place.left) << c.text;
    EXPECT_EQ(place.top, c.place.top) << c.text;
    if (c.place.right != 0) {
      EXPECT_EQ(place.right, c.place.right) << c.text;
    }
    if (c.place.bottom != 0) {
      EXPECT_EQ(place.bottom, c.place.bottom) << c.text;
    }
  }
  // The drive selector: an editable drop-down list, empty at start-up.
  const RECT selector = ClientPlace(H().ComboBox1);
  EXPECT_EQ(selector.left, 46);
  EXPECT_EQ(selector.top, 7);
  EXPECT_EQ(selector.right - selector.left, 195);
  EXPECT_EQ(GetWindowLongA(H().ComboBox1, GWL_STYLE) & 0x3, CBS_DROPDOWN);
  EXPECT_EQ(SendMessageA(H().ComboBox1, CB_GETCOUNT, 0, 0), 0);

  // The condition label's larger font.
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HGDIOBJ>(SendMessageA(H().lblstatus, WM_GETFONT, 0, 0)), sizeof font,
             &font);
  EXPECT_EQ(font.lfHeight, -16);

  EXPECT_EQ(MenuText(H().PopupMenu1, 0), "Refresh");
  EXPECT_EQ(GetMenuState(H().PopupMenu1, 1, MF_BYPOSITION) & MF_SEPARATOR, UINT{MF_SEPARATOR});
  EXPECT_EQ(MenuText(H().PopupMenu1, 2), "Save to HTML");
  EXPECT_EQ(GetMenuItemCount(H().TrayMenu2), 1);
  EXPECT_EQ(MenuText(H().TrayMenu2, 0), "Quit");
}

TEST_F(Win32Window, PagesHoldReadOnlyReportListViewsWithTheirColumns) {
  const struct {
    const char* page;
    HWND list;
    std::vector<std::string> captions;
    std::vector<int> widths;
  } pages[] = {
      {"Identify", H().ListView2, {"Item", "Value"}, {100, 450}},
      {"Attributes",
       H().ListView1,
       {"AttrID", "Type", "Value", "Worse", "Threshold", "Raw", "Name"},
       {49, 75, 49, 49, 75, 49, 203}},
      {"Self Test Logs",
       H().ListView3,
       {"Num", "Lifetime (hours)", "Description", "Status", "LBA of 1st error", "Remaining"},
       {50, 100, 150, 100, 100, 75}},
      {"General", H().ListView4, {"Item", "Value", "Description"}, {200, 50, 300}},
      {"Statistics", H().ListView5, {"Item", "Value"}, {250, 300}},
  };
  ASSERT_EQ(SendMessageA(H().PageControl1, TCM_GETITEMCOUNT, 0, 0), 5);
  const FormControls controls = window_->Controls();
  const ListView* const adapters[] = {&controls.ListView2, &controls.ListView1, &controls.ListView3,
                                      &controls.ListView4, &controls.ListView5};
  for (int i = 0; i < 5; ++i) {
    const auto& page = pages[i];
    char caption[64] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = sizeof caption;
    SendMessageA(H().PageControl1, TCM_GETITEMA, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(caption, page.page);

    const auto style = static_cast<DWORD>(GetWindowLongA(page.list, GWL_STYLE));
    EXPECT_EQ(style & LVS_TYPEMASK, DWORD{LVS_REPORT}) << page.page;
    EXPECT_FALSE(style & LVS_EDITLABELS) << page.page;
    EXPECT_TRUE(SendMessageA(page.list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(adapters[i]->ColumnCaptions(), page.captions) << page.page;
    for (int column = 0; column < static_cast<int>(page.widths.size()); ++column) {
      // Its set width, or wider where the caption needs it.
      EXPECT_GE(SendMessageA(page.list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0),
                page.widths[static_cast<std::size_t>(column)])
          << page.page << " column " << column;
    }
  }
  // "Identify" is the page shown at start-up; choosing a tab shows its list view.
  EXPECT_EQ(controls.PageControl1.ActivePageIndex(), 0);
  EXPECT_TRUE(IsWindowVisible(H().ListView2) || !IsWindowVisible(H().Form1));
  EXPECT_FALSE(GetWindowLongA(H().ListView1, GWL_STYLE) & WS_VISIBLE);
  SelectPage(1);
  EXPECT_EQ(controls.PageControl1.ActivePageIndex(), 1);
  EXPECT_TRUE(GetWindowLongA(H().ListView1, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(GetWindowLongA(H().ListView2, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(Win32Window, ListViewCellsCrossAsSingleBytesBothWays) {
  ListView& list = window_->Controls().ListView4;
  list.AddRow({"Item \xB0", "", "long " + std::string(2000, 'x')});
  list.AddRow({"only the caption"});
  EXPECT_EQ(list.ItemCount(), 2);
  EXPECT_EQ(list.CellText(0, 0), "Item \xB0");
  EXPECT_EQ(list.CellText(0, 1), "");
  // Read through a buffer of 1024 characters, as the report reads cells.
  EXPECT_EQ(list.CellText(0, 2).size(), 1023u);
  EXPECT_EQ(list.CellText(1, 2), "");
  EXPECT_EQ(list.CellText(2, 0), "");
  EXPECT_EQ(list.CellText(0, 3), "");
  list.Clear();
  EXPECT_EQ(list.ItemCount(), 0);
}

TEST_F(Win32Window, StartUpListsTheDrivesAndRefreshesTheFirstOnce) {
  Show();
  std::vector<std::string> entries;
  const auto count = static_cast<int>(SendMessageA(H().ComboBox1, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    char entry[64] = {};
    SendMessageA(H().ComboBox1, CB_GETLBTEXT, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(entry));
    entries.emplace_back(entry);
  }
  EXPECT_EQ(entries,
            (std::vector<std::string>{
                kDrive0Named, kDrive1, kDrive2, "\\\\.\\PHYSICALDRIVE3", "\\\\.\\PHYSICALDRIVE5",
                "\\\\.\\PHYSICALDRIVE6", "\\\\.\\PHYSICALDRIVE7", "\\\\.\\PHYSICALDRIVE8",
                "\\\\.\\PHYSICALDRIVE10", "\\\\.\\PHYSICALDRIVE11", "\\\\.\\PHYSICALDRIVE12",
                "\\\\.\\PHYSICALDRIVE13", "\\\\.\\PHYSICALDRIVE14"}));
  EXPECT_EQ(WindowText(H().ComboBox1), kDrive0Named);
  EXPECT_EQ(Refreshes(), 1);
  EXPECT_GT(SendMessageA(H().ListView1, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_GT(SendMessageA(H().ListView2, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(StatusText(), "BusType:Sata Method:IOCTL_ATA_PASS_THROUGH");
  EXPECT_TRUE(app_.messages.empty());

  // FormShow runs once, not on every showing.
  ShowWindow(H().Form1, SW_HIDE);
  Show();
  EXPECT_EQ(Refreshes(), 1);
}

TEST_F(Win32Window, ChosenEntryAndEveryTypedKeyRefreshChangesByProgramDoNot) {
  Show();
  ChooseEntry(kDemoUsbSsd);
  EXPECT_EQ(Refreshes(), 2);
  // The chosen entry, not the text the box showed before, is what the refresh read.
  EXPECT_EQ(WindowText(H().ComboBox1), kDrive2Named);
  EXPECT_EQ(StatusText(), "BusType:Usb Method:IOCTL_SCSI_PASS_THROUGH");

  TypeKey('x');
  EXPECT_EQ(Refreshes(), 2);  // stopped before the drive was opened
  ASSERT_EQ(app_.messages.size(), 1u);
  EXPECT_EQ(app_.messages[0], "'x2' is not a valid integer value");
  EXPECT_EQ(SendMessageA(H().ListView1, LVM_GETITEMCOUNT, 0, 0), 0);
  SendMessageA(FindWindowExA(H().ComboBox1, nullptr, "Edit", nullptr), WM_CHAR, VK_BACK, 0);
  EXPECT_EQ(Refreshes(), 3);
  EXPECT_EQ(WindowText(H().ComboBox1), kDrive2Named);

  ComboBox& selector = window_->Controls().ComboBox1;
  selector.Clear();
  selector.AddItem(kDrive1);
  selector.AddItem(kDrive0);
  selector.SelectFirst();
  EXPECT_EQ(selector.Text(), kDrive1);
  EXPECT_EQ(Refreshes(), 3);
}

TEST_F(Win32Window, KeysThatLeaveTheSelectorsTextAsItIsReadNothing) {
  Show();
  ASSERT_EQ(Refreshes(), 1);
  const HWND edit = FindWindowExA(H().ComboBox1, nullptr, "Edit", nullptr);
  ASSERT_NE(edit, nullptr);
  SendMessageA(edit, WM_CHAR, 0x01, 0);  // Ctrl+A
  SendMessageA(edit, WM_KEYDOWN, VK_LEFT, 0);
  SendMessageA(edit, WM_KEYDOWN, VK_HOME, 0);
  SendMessageA(edit, WM_KEYDOWN, VK_END, 0);
  SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 0);  // at the end of the text
  SendMessageA(edit, WM_KEYUP, VK_DELETE, 0);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  // The box may tell of an edit that changed nothing: that is no change either.
  Command(kComboBox1Id, CBN_EDITCHANGE, H().ComboBox1);
  EXPECT_EQ(WindowText(H().ComboBox1), kDrive0Named);
  EXPECT_EQ(Refreshes(), 1);
  EXPECT_TRUE(app_.messages.empty());

  // A key that changes it reads again, and so does the next one that puts it back.
  TypeKey('x');
  EXPECT_EQ(app_.messages.size(), 1u);
  SendMessageA(edit, WM_CHAR, VK_BACK, 0);
  EXPECT_EQ(WindowText(H().ComboBox1), kDrive0Named);
  EXPECT_EQ(Refreshes(), 2);
  // Choosing the entry the box already shows still reads it.
  ChooseEntry(0);
  EXPECT_EQ(Refreshes(), 3);
}

TEST_F(Win32Window, CtrlTabAndCtrlShiftTabSwitchPagesAndTakeTheFocusAlong) {
  Show();
  SetForegroundWindow(H().Form1);
  SetFocus(H().ListView2);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  const BYTE saved[2] = {keys[VK_CONTROL], keys[VK_SHIFT]};
  const auto press_tab = [&](bool shift, HWND target) {
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG message{target, WM_KEYDOWN, VK_TAB, 0, 0, {}};
    const bool handled = window_->PreTranslateMessage(message);
    keys[VK_CONTROL] = saved[0];
    keys[VK_SHIFT] = saved[1];
    SetKeyboardState(keys);
    return handled;
  };
  const FormControls controls = window_->Controls();
  const struct {
    bool shift;
    int page;
    HWND list;
  } steps[] = {
      {false, 1, H().ListView1}, {false, 2, H().ListView3}, {false, 3, H().ListView4},
      {false, 4, H().ListView5}, {false, 0, H().ListView2}, {true, 4, H().ListView5},
      {true, 3, H().ListView4},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.page);
    EXPECT_TRUE(press_tab(step.shift, GetFocus()));
    EXPECT_EQ(controls.PageControl1.ActivePageIndex(), step.page);
    EXPECT_TRUE(IsWindowVisible(step.list));
    if (GetFocus() != nullptr) {
      EXPECT_EQ(GetFocus(), step.list);
    }
  }
  // From the drive selector too; the focus stays there.
  SetFocus(H().ComboBox1);
  const HWND focus = GetFocus();
  EXPECT_TRUE(press_tab(false, focus));
  EXPECT_EQ(controls.PageControl1.ActivePageIndex(), 4);
  EXPECT_EQ(GetFocus(), focus);
  EXPECT_EQ(Refreshes(), 1);
}

TEST_F(Win32Window, ButtonsMenusAndTimerReachTheirHandlers) {
  Show();
  Command(kRefresh1Id);
  EXPECT_EQ(Refreshes(), 2);
  SendMessageA(H().Form1, WM_TIMER, kTimer2Id, 0);
  EXPECT_EQ(Refreshes(), 3);

  Command(kButton4Id, BN_CLICKED, H().Button4);
  Command(kButton2Id, BN_CLICKED, H().Button2);
  ASSERT_EQ(app_.questions.size(), 2u);
  EXPECT_EQ(app_.questions[0].text, texts::kConfirmShortSelfTest);
  EXPECT_EQ(app_.questions[1].text, texts::kConfirmExtendedSelfTest);

  Command(kSavetoHTML1Id);
  ASSERT_EQ(app_.dialogs.size(), 1u);
  EXPECT_EQ(app_.dialogs[0].title, texts::kSaveHtmlTitle);

  EXPECT_FALSE(app_.terminated);
  Command(kRestore1Id);
  EXPECT_TRUE(app_.terminated);
}

TEST_F(Win32Window, AttributeRowsArePaintedWithTheColourTheFormDecides) {
  Show();
  ChooseEntry(kDemoFailingDisk);
  const FormControls controls = window_->Controls();
  const int rows = controls.ListView1.ItemCount();
  ASSERT_GT(rows, 0);
  int coloured = 0;
  for (int row = 0; row < rows; ++row) {
    COLORREF background = 0;
    const LRESULT result = PaintRow(H().ListView1, row, background);
    const std::optional<Rgb> decided = form_->ListView1CustomDrawItem(row);
    if (decided) {
      ++coloured;
      EXPECT_EQ(background, RGB(decided->red, decided->green, decided->blue)) << row;
      EXPECT_EQ(result, CDRF_NEWFONT);
    } else {
      EXPECT_EQ(background, CLR_DEFAULT) << row;
      EXPECT_EQ(result, CDRF_DODEFAULT);
    }
  }
  EXPECT_GT(coloured, 0);

  // Only the Attributes view asks to hear of each row.
  NMCUSTOMDRAW prepaint{};
  prepaint.dwDrawStage = CDDS_PREPAINT;
  for (HWND list : {H().ListView1, H().ListView2}) {
    prepaint.hdr =
        NMHDR{list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), static_cast<UINT>(NM_CUSTOMDRAW)};
    const LRESULT result = SendMessageA(H().Form1, WM_NOTIFY, prepaint.hdr.idFrom,
                                        reinterpret_cast<LPARAM>(&prepaint));
    EXPECT_EQ(result, list == H().ListView1 ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT);
  }
}

TEST_F(Win32Window, ConditionLabelShowsItsTextOnItsColour) {
  Show();
  const auto label_background = [&] {
    HDC dc = CreateCompatibleDC(nullptr);
    const LRESULT brush = SendMessageA(H().Form1, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(H().lblstatus));
    const COLORREF colour = GetBkColor(dc);
    DeleteDC(dc);
    return brush != 0 ? colour : CLR_INVALID;
  };
  EXPECT_EQ(WindowText(H().lblstatus), "OK");
  EXPECT_EQ(label_background(), RGB(0, 255, 0));
  RECT place{};
  GetClientRect(H().lblstatus, &place);
  EXPECT_GT(place.right, 0);  // sized to its text

  ChooseEntry(kDemoFailingDisk);
  EXPECT_EQ(WindowText(H().lblstatus), "CRITICAL");
  EXPECT_EQ(label_background(), RGB(255, 0, 0));

  // A drive that answers no IDENTIFY: no condition, the window's own colours, no status.
  ChooseEntry(4);
  ASSERT_EQ(WindowText(H().ComboBox1), "\\\\.\\PHYSICALDRIVE5");
  EXPECT_EQ(app_.messages, std::vector<std::string>{"Not a S.M.A.R.T enabled device"});
  EXPECT_EQ(WindowText(H().lblstatus), "");
  EXPECT_EQ(label_background(), GetSysColor(COLOR_BTNFACE));  // the window's own
  EXPECT_EQ(StatusText(), "");
  // The failing disk shown before is named on a line of its own, as another drive not OK.
  EXPECT_EQ(
      window_->TrayIcon1().Hint(),
      "\\\\.\\PHYSICALDRIVE5\r\nNot a S.M.A.R.T enabled device\r\n\\\\.\\PHYSICALDRIVE1: CRITICAL");
}

TEST_F(Win32Window, TrayIconHidesTheMinimizedWindowAndADoubleClickRestoresIt) {
  const Win32TrayIcon& tray = window_->TrayIcon1();
  if (!tray.Added()) GTEST_SKIP() << "the shell took no notification-area icon";
  Show();
  const std::string hint = tray.Hint();
  EXPECT_EQ(hint.rfind(std::string(kDrive0) + "\r\nTemperature:", 0), 0u) << hint;
  EXPECT_TRUE(hint.ends_with("\xB0\r\nCondition:OK")) << hint;

  ShowWindow(H().Form1, SW_MINIMIZE);
  Pump();
  EXPECT_FALSE(IsWindowVisible(H().Form1));
  // The timer keeps refreshing while the window is hidden.
  SendMessageA(H().Form1, WM_TIMER, kTimer2Id, 0);
  EXPECT_EQ(Refreshes(), 2);

  SendMessageA(H().Form1, kTrayIconMessage, 1, WM_LBUTTONDOWN);
  SendMessageA(H().Form1, kTrayIconMessage, 1, WM_LBUTTONUP);
  EXPECT_FALSE(IsWindowVisible(H().Form1));
  SendMessageA(H().Form1, kTrayIconMessage, 1, WM_LBUTTONDBLCLK);
  Pump();
  EXPECT_TRUE(IsWindowVisible(H().Form1));
  EXPECT_FALSE(IsIconic(H().Form1));
  SendMessageA(H().Form1, kTrayIconMessage, 1, WM_LBUTTONDBLCLK);
  EXPECT_TRUE(IsWindowVisible(H().Form1));

  // A restarted shell gets the icon again.
  SendMessageA(H().Form1, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(tray.Added());

  // A hint longer than the shell's buffer is cut, never overrun.
  window_->Controls().TrayIcon1.SetHint(std::string(300, 'h'));
  EXPECT_EQ(tray.Hint(), std::string(Win32TrayIcon::kHintBufferSize - 1, 'h'));
}

// A change found at a tick is one balloon the shell takes, with the icon of its severity; the
// ticks after it show none. A click on it brings the window back on its drive.
TEST_F(Win32Window, AChangeAtATickIsOneBalloonTheNextTickShowsNoneAndAClickShowsItsDrive) {
  const Win32TrayIcon& tray = window_->TrayIcon1();
  if (!tray.Added()) GTEST_SKIP() << "the shell took no notification-area icon";
  struct Case {
    int drive;
    std::size_t at;  // raised by one: an attribute's raw value, or a byte of the NVMe health log
    DWORD icon;
    const char* title;
    const char* text;
  };
  const Case cases[] = {
      {kDemoHealthyDisk, 5, NIIF_WARNING, "\\\\.\\PHYSICALDRIVE0 KESTREL HD2000S KD2S41A07731",
       "Reallocated Sector Count rose from 0 to 1"},
      {kDemoNvmeSsd, nvme_health::kCriticalWarning, NIIF_ERROR, nullptr,
       "Critical Warning bit 0 set"},
  };
  Show();
  int balloons = 0;
  for (const Case& c : cases) {
    ChooseEntry(c.drive == kDemoNvmeSsd ? 5 : 0);
    DriveImage& image = bay_.FindDrive(c.drive)->image;
    if (image.nvme) {
      ++image.nvme->health[c.at];
    } else {
      std::size_t entry = 2;
      while (image.smart_data[entry] != c.at) entry += 12;
      ++image.smart_data[entry + 5];
      SealDriveImage(image);
    }
    for (int tick = 0; tick < 2; ++tick) SendMessageA(H().Form1, WM_TIMER, kTimer2Id, 0);
    ASSERT_TRUE(tray.LastBalloon());
    const Win32TrayIcon::Balloon& shown = *tray.LastBalloon();
    EXPECT_EQ(shown.number, ++balloons);
    EXPECT_TRUE(shown.taken);
    EXPECT_EQ(shown.flags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(shown.icon, c.icon);
    if (c.title != nullptr) {
      EXPECT_EQ(shown.title, c.title);
    }
    EXPECT_NE(shown.text.find(c.text), std::string::npos) << shown.text;
  }
  // Clicked while the window is in the tray with another drive chosen: back, on the drive told of.
  ChooseEntry(0);
  ShowWindow(H().Form1, SW_MINIMIZE);
  Pump();
  SendMessageA(H().Form1, kTrayIconMessage, 1, NIN_BALLOONUSERCLICK);
  Pump();
  EXPECT_TRUE(IsWindowVisible(H().Form1));
  EXPECT_EQ(WindowText(H().ComboBox1), "\\\\.\\PHYSICALDRIVE6  KESTREL NV1000 1TB");
}

// The other drives read on the round's thread and handed back through the window's message: the
// tray icon is marked with the worst condition and its hint names the drives not OK; resized, the
// list views grow with the window.
TEST_F(Win32Window, TheRoundMarksTheTrayIconAndTheWindowResizes) {
  const Win32TrayIcon& tray = window_->TrayIcon1();
  const HICON program_icon = tray.Icon();
  window_->StartRound(locked_);
  Show();
  for (int wait = 0; wait < 500 && tray.Mark() != Severity::Error; ++wait) {
    Sleep(10);
    Pump();
  }
  EXPECT_EQ(tray.Mark(), Severity::Error);
  EXPECT_NE(tray.Icon(), program_icon);
  EXPECT_NE(tray.Hint().find("\\\\.\\PHYSICALDRIVE1: CRITICAL"), std::string::npos) << tray.Hint();

  const RECT opened = ClientPlace(H().ListView2);
  SetWindowPos(H().Form1, nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  const RECT resized = ClientPlace(H().ListView2);
  EXPECT_GT(resized.right - resized.left, opened.right - opened.left);
  EXPECT_GT(resized.bottom - resized.top, opened.bottom - opened.top);
}

TEST_F(Win32Window, ClosingTheWindowEndsTheLoopAndRemovesTheIcon) {
  Show();
  SendMessageA(H().Form1, WM_CLOSE, 0, 0);
  EXPECT_EQ(window_->Handle(), nullptr);
  EXPECT_FALSE(window_->TrayIcon1().Added());
  MSG message{};
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// The question leaves the window usable: a drive chosen while it is open does not take the test
// from the drive the question was about, and the views show the chosen one.
TEST_F(Win32Window, TheSelfTestGoesToTheDriveSelectedWhenItsButtonWasClicked) {
  Show();
  ChooseEntry(kDemoPendingSectors);
  app_.answers = {true};
  app_.on_question = [this] { ChooseEntry(kDemoUsbSsd); };
  Command(kButton2Id, BN_CLICKED, H().Button2);
  EXPECT_EQ(bay_.FindDrive(kDemoPendingSectors)->self_tests_started, 1);
  EXPECT_EQ(bay_.FindDrive(kDemoUsbSsd)->self_tests_started, 0);
  EXPECT_EQ(WindowText(H().ComboBox1), kDrive2Named);
  EXPECT_EQ(StatusText(), "BusType:Usb Method:IOCTL_SCSI_PASS_THROUGH");
}

// The application's message boxes and save dialog, read and answered as they are open.
class Win32Services : public Win32Window {
 protected:
  void SetUp() override {
    Win32Window::SetUp();
    if (!IsSkipped()) services_.SetMainWindow(H().Form1);
  }
  Win32Application services_;
};

TEST_F(Win32Services, OkMessageOwnedByTheWindowQuestionWithNoOwnerNoIconYesTheDefault) {
  std::vector<int> answers = {IDOK, IDYES, IDNO};
  MessageBoxWatcher watcher([&](HWND, const SeenMessageBox&) {
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  });
  services_.ShowMessage("Not a S.M.A.R.T enabled device");
  EXPECT_TRUE(services_.AskYesNo("Kestrine", texts::kConfirmShortSelfTest));
  EXPECT_FALSE(services_.AskYesNo("Kestrine", texts::kConfirmExtendedSelfTest));

  const std::vector<SeenMessageBox>& seen = watcher.Seen();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].owner, H().Form1);
  EXPECT_EQ(seen[0].caption, "Kestrine");
  EXPECT_EQ(seen[0].text, "Not a S.M.A.R.T enabled device");
  EXPECT_EQ(seen[0].buttons, std::vector<std::string>{"OK"});
  EXPECT_FALSE(seen[0].has_icon);
  for (const SeenMessageBox& question : {seen[1], seen[2]}) {
    EXPECT_EQ(question.owner, nullptr);
    EXPECT_EQ(question.caption, "Kestrine");
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"Yes", "No"}));
    EXPECT_EQ(question.default_button, "Yes");
    EXPECT_FALSE(question.has_icon);
  }
  EXPECT_NE(seen[1].text.find("offline?"), std::string::npos);
}

TEST_F(Win32Services, TheFocusReturnsToItsControlOnceAMessageBoxCloses) {
  Show();
  SetForegroundWindow(H().Form1);
  MessageBoxWatcher watcher(
      [](HWND, const SeenMessageBox& seen) { return seen.buttons.size() == 1 ? IDOK : IDNO; });
  for (HWND control : {H().Button4, H().ListView2, H().ComboBox1}) {
    SetFocus(control);
    const HWND focus = GetFocus();
    ASSERT_NE(focus, nullptr);
    services_.ShowMessage("Not a S.M.A.R.T enabled device");
    EXPECT_EQ(GetFocus(), focus);
    services_.AskYesNo("Kestrine", texts::kConfirmShortSelfTest);
    EXPECT_EQ(GetFocus(), focus);
  }
  EXPECT_EQ(watcher.Seen().size(), 6u);
}

TEST_F(Win32Services, SaveDialogOffersTheFilterAndAddsTheDefaultExtension) {
  char folder[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  const std::string chosen = std::string(folder) + "kestrine-save-test";
  std::vector<std::string> types;
  MessageBoxWatcher watcher([&](HWND dialog, const SeenMessageBox&) {
    const HWND type_list = GetDlgItem(dialog, cmb1);
    const auto count = static_cast<int>(SendMessageA(type_list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      char type[128] = {};
      SendMessageA(type_list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(type));
      types.emplace_back(type);
    }
    // The file name field: a combo box in newer dialogs, an edit field in older ones.
    if (GetDlgItem(dialog, cmb13) != nullptr) SetDlgItemTextA(dialog, cmb13, chosen.c_str());
    if (GetDlgItem(dialog, edt1) != nullptr) SetDlgItemTextA(dialog, edt1, chosen.c_str());
    return IDOK;
  });
  const std::optional<std::string> file = services_.SaveFileDialog(
      {texts::kSaveHtmlTitle, texts::kSaveHtmlFilter, texts::kSaveHtmlExtension});
  ASSERT_EQ(watcher.Seen().size(), 1u);
  EXPECT_EQ(watcher.Seen()[0].caption, "Save HTML");
  EXPECT_EQ(types, (std::vector<std::string>{"HTML files (*.html)", "HTM files (*.htm)"}));
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(*file, chosen + ".html");
}

TEST_F(Win32Services, ReportIsSavedUnderANameBeyondAscii) {
  char folder[MAX_PATH] = {};
  GetTempPathA(sizeof folder, folder);
  // "café" in the system's single-byte code page, as the dialog hands it back.
  const std::string chosen = std::string(folder) + "caf\xE9 report.html";
  DeleteFileA(chosen.c_str());
  MessageBoxWatcher watcher([&](HWND dialog, const SeenMessageBox&) {
    if (GetDlgItem(dialog, cmb13) != nullptr) SetDlgItemTextA(dialog, cmb13, chosen.c_str());
    if (GetDlgItem(dialog, edt1) != nullptr) SetDlgItemTextA(dialog, edt1, chosen.c_str());
    return IDOK;
  });
  ListView& list = window_->Controls().ListView2;
  list.AddRow({"Model", "KESTREL"});
  EXPECT_TRUE(SaveListViewAsHtml(list, services_));
  EXPECT_NE(GetFileAttributesA(chosen.c_str()), INVALID_FILE_ATTRIBUTES) << chosen;
  DeleteFileA(chosen.c_str());
}

TEST_F(Win32Services, ProgramDirectoryHoldsTheProgram) {
  const std::string directory = services_.ProgramDirectory();
  ASSERT_FALSE(directory.empty());
  EXPECT_NE(directory.back(), '\\');
  const std::string program = directory + "\\win32_main_window_test.exe";
  EXPECT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES) << program;
}

}  // namespace
}  // namespace kestrine
