#include "win32_main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "errors.h"
#include "form_layout.h"
#include "form_pages.h"
#include "form_texts.h"
#include "layout_scaling.h"
#include "win32_dpi.h"
#include "win32_resources.h"
#include "window_placement.h"

namespace kestrine {

namespace {

constexpr char kWindowClass[] = "KestrineForm1";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                             WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CLIPCHILDREN;

// Sent to the window once it is first shown: FormShow runs from the message loop, after the
// window has been painted.
constexpr UINT kFormShowMessage = WM_APP + 2;

using namespace layout;

constexpr char kTaskbarCreated[] = "TaskbarCreated";
// The combo box's height takes its dropped-down list.
constexpr int kComboBox1ListHeight = 200;

RECT Rect(const Place& place) {
  return RECT{place.left, place.top, place.left + place.width, place.top + place.height};
}

void MoveControl(HWND control, const RECT& place) {
  SetWindowPos(control, nullptr, place.left, place.top, place.right - place.left,
               place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The program's icon at the given size, or the system's application icon when the program
// carries none (the test programs).
HICON LoadProgramIcon(HINSTANCE instance, int size) {
  auto icon = static_cast<HICON>(
      LoadImageA(instance, MAKEINTRESOURCEA(IDI_KESTRINE), IMAGE_ICON, size, size, LR_SHARED));
  if (icon == nullptr) {
    icon = static_cast<HICON>(
        LoadImageA(nullptr, MAKEINTRESOURCEA(32512), IMAGE_ICON, size, size, LR_SHARED));
  }
  return icon;
}

// A program that runs with administrator rights does not get messages from the shell, which
// runs without them, unless it lets them through: the tray icon's mouse messages and
// "TaskbarCreated". The calls exist from Windows Vista on.
void AllowShellMessage(HWND window, UINT message) {
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return;
  using FilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  using Filter = BOOL(WINAPI*)(UINT, DWORD);
  constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW, MSGFLT_ADD
  if (const auto filter_ex = reinterpret_cast<FilterEx>(
          reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilterEx")))) {
    filter_ex(window, message, kAllow, nullptr);
  } else if (const auto filter = reinterpret_cast<Filter>(
                 reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")))) {
    filter(message, kAllow);
  }
}

void SetControlFont(HWND control, HFONT font) {
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance, Application& app) : app_(app) {
  INITCOMMONCONTROLSEX common{sizeof common, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                 ICC_TAB_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&common);

  large_icon_ = LoadProgramIcon(instance, GetSystemMetrics(SM_CXICON));
  small_icon_ = LoadProgramIcon(instance, GetSystemMetrics(SM_CXSMICON));

  WNDCLASSEXA window_class{};
  if (!GetClassInfoExA(instance, kWindowClass, &window_class)) {
    window_class = WNDCLASSEXA{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = &Win32MainWindow::WindowProc;
    window_class.hInstance = instance;
    window_class.hIcon = large_icon_;
    window_class.hIconSm = small_icon_;
    window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // the arrow
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kWindowClass;
    RegisterClassExA(&window_class);
  }

  // A fixed single border around a client area of the window's size.
  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, kFormStyle, FALSE, 0);
  const std::string caption = std::string(texts::kCaptionPrefix) + texts::kContactAddress;
  CreateWindowExA(0, kWindowClass, caption.c_str(), kFormStyle, kWindowLeft, kWindowTop,
                  frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                  this);
  // WM_NCCREATE has put the handle into handles_.Form1.
  if (handles_.Form1 == nullptr) return;

  CreateControls(instance);
  CreateMenus();
  // Laid out for the density of the monitor the window opened on (the layout itself at 96).
  ApplyDpi(WindowDpi(handles_.Form1));
  PlaceWindow(POINT{kWindowLeft, kWindowTop}, true);

  taskbar_created_ = RegisterWindowMessageA(kTaskbarCreated);
  AllowShellMessage(handles_.Form1, taskbar_created_);
  AllowShellMessage(handles_.Form1, kTrayIconMessage);
  adapters_.tray = std::make_unique<Win32TrayIcon>(handles_.Form1, kTrayIconMessage, small_icon_);
  adapters_.tray->Add();

  SetTimer(handles_.Form1, kTimer2Id, kTimer2IntervalMs, nullptr);
  SetTimer(handles_.Form1, kSelfTestTimerId, kSelfTestTimerIntervalMs, nullptr);
}

Win32MainWindow::~Win32MainWindow() {
  // Nothing reaches the form from here on (it is gone by now in the programs), and with no rows
  // left no row asks the form for its colour.
  round_.reset();
  form_ = nullptr;
  quit_on_destroy_ = false;
  if (handles_.Form1 != nullptr) {
    for (const auto& list : adapters_.list_views)
      SendMessageA(list->Control(), LVM_DELETEALLITEMS, 0, 0);
    DestroyWindow(handles_.Form1);
  }
  if (handles_.PopupMenu1 != nullptr) DestroyMenu(handles_.PopupMenu1);
  if (handles_.TrayMenu2 != nullptr) DestroyMenu(handles_.TrayMenu2);
  if (lblstatus_font_ != nullptr) DeleteObject(lblstatus_font_);
  if (scaled_font_ != nullptr) DeleteObject(scaled_font_);
}

HWND Win32MainWindow::CreateChild(HINSTANCE instance, const char* window_class, const char* text,
                                  DWORD style, RECT place, int id, DWORD ex_style) {
  const HWND control =
      CreateWindowExA(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, place.left,
                      place.top, place.right - place.left, place.bottom - place.top, handles_.Form1,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  SetControlFont(control, control_font_);
  return control;
}

void Win32MainWindow::CreateControls(HINSTANCE instance) {
  control_font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

  handles_.Label1 = CreateChild(instance, "STATIC", kLabel1Caption, SS_LEFT | SS_NOPREFIX,
                                Rect(kLabel1), kLabel1Id);
  SizeToText(handles_.Label1);

  handles_.ComboBox1 = CreateChild(
      instance, "COMBOBOX", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
      RECT{kComboBox1.left, kComboBox1.top, kComboBox1.left + kComboBox1.width,
           kComboBox1.top + kComboBox1ListHeight},
      kComboBox1Id);
  adapters_.drive_selector = std::make_unique<Win32ComboBox>(handles_.ComboBox1);

  handles_.Button4 = CreateChild(instance, "BUTTON", kButton4Caption, BS_PUSHBUTTON | WS_TABSTOP,
                                 Rect(kButton4), kButton4Id);
  handles_.Button2 = CreateChild(instance, "BUTTON", kButton2Caption, BS_PUSHBUTTON | WS_TABSTOP,
                                 Rect(kButton2), kButton2Id);

  handles_.lblstatus =
      CreateChild(instance, "STATIC", "", SS_LEFT | SS_NOPREFIX, Rect(kLblstatus), kLblstatusId);
  // Its larger font comes with the layout (ApplyDpi).
  adapters_.condition_label = std::make_unique<Win32Label>(handles_.lblstatus);

  handles_.PageControl1 = CreateChild(instance, WC_TABCONTROLA, "", WS_CLIPSIBLINGS | WS_TABSTOP,
                                      Rect(kPageControl1), kPageControl1Id);
  for (std::size_t i = 0; i < kPages.size(); ++i) {
    std::string caption = kPages[i].caption;
    TCITEMA page{};
    page.mask = TCIF_TEXT;
    page.pszText = caption.data();
    SendMessageA(handles_.PageControl1, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&page));
  }
  SendMessageA(handles_.PageControl1, TCM_SETCURSEL, 0, 0);
  adapters_.pages = std::make_unique<Win32PageControl>(handles_.PageControl1);

  // The views are siblings of the tab control, above it, so that their notifications reach this
  // window; each fills its page (ApplyDpi).
  constexpr DWORD kListStyle =
      LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_CLIPSIBLINGS;
  for (const Page& page : kPages) {
    HWND& list = ListViewNumber(handles_, page.list_view);
    list = CreateChild(instance, WC_LISTVIEWA, "", kListStyle, RECT{},
                       kListView1Id + page.list_view - 1, WS_EX_CLIENTEDGE);
    SetWindowPos(list, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    adapters_.list_views[static_cast<std::size_t>(page.list_view - 1)] =
        std::make_unique<Win32ListView>(list, page.columns);
  }
  ShowActivePage();

  // One text across the bottom edge; the window has a fixed size, so no size grip.
  handles_.StatusBar1 = CreateChild(
      instance, STATUSCLASSNAMEA, "", CCS_NOPARENTALIGN | CCS_NORESIZE,
      RECT{0, kClientHeight - kStatusBar1Height, kClientWidth, kClientHeight}, kStatusBar1Id);
  adapters_.status_bar = std::make_unique<Win32StatusBar>(handles_.StatusBar1);
}

void Win32MainWindow::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  const int d = static_cast<int>(dpi);
  const auto scaled = [d](const Place& place) { return Rect(ScaleForDpi(place, d)); };

  // The system's dialog font is made for the system's density: at another it is made anew, as
  // large again as the density is.
  const auto stock_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  LOGFONTA base{};
  GetObjectA(stock_font, sizeof base, &base);
  const UINT system_dpi = SystemDpi();
  HFONT scaled_font = nullptr;
  if (dpi != system_dpi) {
    LOGFONTA font = base;
    font.lfHeight = MulDiv(base.lfHeight, static_cast<int>(dpi), static_cast<int>(system_dpi));
    font.lfWidth = 0;
    scaled_font = CreateFontIndirectA(&font);
  }
  control_font_ = scaled_font != nullptr ? scaled_font : stock_font;
  LOGFONTA status_font = base;
  status_font.lfHeight = -ScaleForDpi(kLblstatusFontPixels, d);
  status_font.lfWidth = 0;
  const HFONT lblstatus_font = CreateFontIndirectA(&status_font);
  for (HWND control :
       {handles_.Label1, handles_.ComboBox1, handles_.Button4, handles_.Button2,
        handles_.PageControl1, handles_.ListView1, handles_.ListView2, handles_.ListView3,
        handles_.ListView4, handles_.ListView5, handles_.StatusBar1}) {
    SetControlFont(control, control_font_);
  }
  SetControlFont(handles_.lblstatus, lblstatus_font);
  // The controls have let go of the previous fonts.
  if (scaled_font_ != nullptr) DeleteObject(scaled_font_);
  if (lblstatus_font_ != nullptr) DeleteObject(lblstatus_font_);
  scaled_font_ = scaled_font;
  lblstatus_font_ = lblstatus_font;

  MoveControl(handles_.Label1, scaled(kLabel1));
  SizeToText(handles_.Label1);
  // The selector's height takes its dropped-down list; the box sizes its edit field itself.
  const Place selector = ScaleForDpi(kComboBox1, d);
  MoveControl(handles_.ComboBox1, RECT{selector.left, selector.top, selector.left + selector.width,
                                       selector.top + ScaleForDpi(kComboBox1ListHeight, d)});
  MoveControl(handles_.Button4, scaled(kButton4));
  MoveControl(handles_.Button2, scaled(kButton2));
  MoveControl(handles_.lblstatus, scaled(kLblstatus));
  SizeToText(handles_.lblstatus);
  for (const auto& list : adapters_.list_views) list->ScaleColumns(d);
  LayOutClientArea();
  InvalidateRect(handles_.Form1, nullptr, TRUE);
}

void Win32MainWindow::LayOutClientArea() {
  const int d = static_cast<int>(dpi_);
  RECT client{};
  GetClientRect(handles_.Form1, &client);
  // Before the window has its size: the layout's at the density.
  if (client.right <= 0 || client.bottom <= 0)
    client = RECT{0, 0, ScaleForDpi(kClientWidth, d), ScaleForDpi(kClientHeight, d)};
  const Place pages = ScaleForDpi(kPageControl1, d);
  const RECT tabs{pages.left, pages.top,
                  std::max<LONG>(pages.left, client.right - ScaleForDpi(kPagesRightMargin, d)),
                  std::max<LONG>(pages.top, client.bottom - ScaleForDpi(kPagesBottomMargin, d))};
  MoveControl(handles_.PageControl1, tabs);
  // Each list view fills its page: the tab control's display area, in the window's client
  // coordinates.
  RECT page_area{0, 0, tabs.right - tabs.left, tabs.bottom - tabs.top};
  SendMessageA(handles_.PageControl1, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page_area));
  OffsetRect(&page_area, tabs.left, tabs.top);
  for (const auto& list : adapters_.list_views) MoveControl(list->Control(), page_area);
  // One text across the bottom edge.
  MoveControl(handles_.StatusBar1, RECT{0, client.bottom - ScaleForDpi(kStatusBar1Height, d),
                                        client.right, client.bottom});
}

void Win32MainWindow::PlaceWindow(POINT at, bool keep_on_screen) {
  const int d = static_cast<int>(dpi_);
  const SIZE frame = FrameSizeForClient(ScaleForDpi(kClientWidth, d), ScaleForDpi(kClientHeight, d),
                                        kFormStyle, dpi_);
  Place placed{at.x, at.y, frame.cx, frame.cy};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (keep_on_screen &&
      GetMonitorInfoA(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &monitor) != FALSE) {
    const RECT& work = monitor.rcWork;
    placed = FitWindowInto(
        placed, Place{work.left, work.top, work.right - work.left, work.bottom - work.top});
  }
  sized_to_ = SIZE{placed.width, placed.height};
  SetWindowPos(handles_.Form1, nullptr, placed.left, placed.top, placed.width, placed.height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // Where the frame drawn differs from the one computed (a system that draws the caption at
  // another density than the window's), the client area is what counts.
  RECT client{};
  if (IsIconic(handles_.Form1) || !GetClientRect(handles_.Form1, &client)) return;
  const int missing_width = ScaleForDpi(kClientWidth, d) - client.right;
  const int missing_height = ScaleForDpi(kClientHeight, d) - client.bottom;
  if (missing_width == 0 && missing_height == 0) return;
  sized_to_ = SIZE{placed.width + missing_width, placed.height + missing_height};
  SetWindowPos(handles_.Form1, nullptr, 0, 0, sized_to_.cx, sized_to_.cy,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainWindow::CreateMenus() {
  handles_.PopupMenu1 = CreatePopupMenu();
  AppendMenuA(handles_.PopupMenu1, MF_STRING, kRefresh1Id, kRefreshCaption);
  AppendMenuA(handles_.PopupMenu1, MF_SEPARATOR, 0, nullptr);
  AppendMenuA(handles_.PopupMenu1, MF_STRING, kSavetoHTML1Id, kSaveToHtmlCaption);

  handles_.TrayMenu2 = CreatePopupMenu();
  AppendMenuA(handles_.TrayMenu2, MF_STRING, kRestore1Id, kQuitCaption);
}

FormControls Win32MainWindow::Controls() {
  return adapters_.Controls(app_);
}

void Win32MainWindow::StartRound(DevicePort& port) {
  // Called on the round's thread: the message brings the drives read to the window's.
  const HWND window = handles_.Form1;
  round_ = std::make_unique<DriveRound>(
      port, [window] { PostMessageA(window, kRoundReadMessage, 0, 0); });
  if (form_ != nullptr)
    form_->ReadOtherDrives = [this](std::vector<std::string> paths) {
      round_->Read(std::move(paths));
    };
}

void Win32MainWindow::TakeRound() {
  if (form_ == nullptr || round_ == nullptr) return;
  TForm1& form = *form_;
  for (const RoundRead& read : round_->Take())
    RunGuarded(app_, [&form, &read] { form.OtherDriveRead(read.path, read.result); });
}

void Win32MainWindow::Forward(void (TForm1::*handler)()) {
  if (form_ == nullptr) return;
  TForm1& form = *form_;
  RunGuarded(app_, [&form, handler] { (form.*handler)(); });
}

LRESULT CALLBACK Win32MainWindow::WindowProc(HWND window, UINT message, WPARAM wparam,
                                             LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* const self = static_cast<Win32MainWindow*>(
        reinterpret_cast<const CREATESTRUCTA*>(lparam)->lpCreateParams);
    self->handles_.Form1 = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* const self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    self->handles_.Form1 = nullptr;
    return DefWindowProcA(window, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT Win32MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  const HWND window = handles_.Form1;
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam), reinterpret_cast<HWND>(lparam));
      return 0;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lparam), lparam);
    case WM_CONTEXTMENU:
      OnContextMenu(reinterpret_cast<HWND>(wparam), lparam);
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == handles_.lblstatus && adapters_.condition_label &&
          adapters_.condition_label->Background()) {
        SetBkColor(reinterpret_cast<HDC>(wparam), *adapters_.condition_label->Background());
        return reinterpret_cast<LRESULT>(adapters_.condition_label->Brush());
      }
      break;
    case WM_TIMER:
      if (wparam == kTimer2Id) {
        Forward(&TForm1::Timer2Timer);
        return 0;
      }
      if (wparam == kSelfTestTimerId) {
        Forward(&TForm1::SelfTestTimer);
        return 0;
      }
      break;
    case kTrayIconMessage:
      OnTrayIcon(lparam);
      return 0;
    case kRoundReadMessage:
      TakeRound();
      return 0;
    case WM_SIZE:
      OnSize(wparam);
      return 0;
    case WM_GETMINMAXINFO: {
      // The system keeps windows within the screen's size; the layout at a high density may be
      // larger than a small screen, and is kept whole all the same.
      DefWindowProcA(window, message, wparam, lparam);
      auto* const limits = reinterpret_cast<MINMAXINFO*>(lparam);
      limits->ptMaxTrackSize.x = std::max<LONG>(limits->ptMaxTrackSize.x, sized_to_.cx);
      limits->ptMaxTrackSize.y = std::max<LONG>(limits->ptMaxTrackSize.y, sized_to_.cy);
      const SIZE smallest = FrameSizeForClient(
          ScaleForDpi(kMinimumClientWidth, static_cast<int>(dpi_)),
          ScaleForDpi(kMinimumClientHeight, static_cast<int>(dpi_)), kFormStyle, dpi_);
      limits->ptMinTrackSize.x = smallest.cx;
      limits->ptMinTrackSize.y = smallest.cy;
      return 0;
    }
    case WM_DPICHANGED: {
      // Moved to a monitor of another density, or its scaling changed: the same layout at the
      // new density, where the system suggests.
      const auto* const suggested = reinterpret_cast<const RECT*>(lparam);
      ApplyDpi(LOWORD(wparam));
      PlaceWindow(POINT{suggested->left, suggested->top}, false);
      return 0;
    }
    case WM_SHOWWINDOW:
      if (wparam != FALSE && !form_shown_) {
        form_shown_ = true;
        PostMessageA(window, kFormShowMessage, 0, 0);
      }
      break;
    case kFormShowMessage:
      OnFormShow();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    default:
      // The shell's task bar was created anew (Explorer restarted): the icon has to be added
      // again.
      if (taskbar_created_ != 0 && message == taskbar_created_) {
        if (adapters_.tray) adapters_.tray->Add();
        return 0;
      }
      break;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

void Win32MainWindow::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case kComboBox1Id:
      if (control != handles_.ComboBox1 || adapters_.drive_selector->Quiet()) return;
      if (code == CBN_SELCHANGE) {
        adapters_.drive_selector->TakeChosenEntry();
        adapters_.drive_selector->TakeTextChange();
        Forward(&TForm1::ComboBox1Change);
      } else if (code == CBN_EDITCHANGE && adapters_.drive_selector->TakeTextChange()) {
        // Only a key that changed the text: Ctrl+A or an arrow within the text reads nothing.
        Forward(&TForm1::ComboBox1Change);
      }
      return;
    case kButton4Id:
      if (code == BN_CLICKED) Forward(&TForm1::Button4Click);
      return;
    case kButton2Id:
      if (code == BN_CLICKED) Forward(&TForm1::Button2Click);
      return;
    case kRefresh1Id:
      Forward(&TForm1::Refresh1Click);
      return;
    case kSavetoHTML1Id:
      Forward(&TForm1::SavetoHTML1Click);
      return;
    case kRestore1Id:
      Forward(&TForm1::Restore1Click);
      return;
    default:
      return;
  }
}

LRESULT Win32MainWindow::OnNotify(const NMHDR& header, LPARAM lparam) {
  if (header.hwndFrom == handles_.PageControl1 && header.code == TCN_SELCHANGE) {
    ShowActivePage();
    return 0;
  }
  if (header.code == NM_CUSTOMDRAW) {
    for (const auto& list : adapters_.list_views) {
      if (list != nullptr && header.hwndFrom == list->Control()) {
        return list->CustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(lparam));
      }
    }
  }
  return 0;
}

void Win32MainWindow::OnContextMenu(HWND clicked, LPARAM at) {
  for (const auto& view : adapters_.list_views) {
    if (view == nullptr) continue;
    const HWND list = view->Control();
    if (clicked != list && !IsChild(list, clicked)) continue;
    POINT point{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    if (at == -1) {
      // From the keyboard: at the list's top-left corner.
      RECT place{};
      GetWindowRect(list, &place);
      point = POINT{place.left, place.top};
    }
    TrackPopupMenu(handles_.PopupMenu1, TPM_RIGHTBUTTON, point.x, point.y, 0, handles_.Form1,
                   nullptr);
    return;
  }
  DefWindowProcA(handles_.Form1, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(clicked), at);
}

void Win32MainWindow::OnTrayIcon(LPARAM mouse_message) {
  switch (mouse_message) {
    case WM_LBUTTONDBLCLK:
      RestoreFromTray();
      return;
    case NIN_BALLOONUSERCLICK:
      // A click on a notification brings the window back showing the drive it told of.
      RestoreFromTray();
      Forward(&TForm1::NotificationClick);
      return;
    case WM_RBUTTONUP: {
      POINT at{};
      GetCursorPos(&at);
      // In the foreground while the menu is open, so that the menu closes when the user clicks
      // elsewhere; the message after it lets the menu go at once.
      SetForegroundWindow(handles_.Form1);
      TrackPopupMenu(handles_.TrayMenu2, TPM_RIGHTBUTTON, at.x, at.y, 0, handles_.Form1, nullptr);
      PostMessageA(handles_.Form1, WM_NULL, 0, 0);
      return;
    }
    default:
      return;
  }
}

void Win32MainWindow::OnSize(WPARAM kind) {
  if (kind != SIZE_MINIMIZED) LayOutClientArea();
  // Minimized, the program hides in the notification area: the window and its task-bar button
  // go. Without an icon there the window could not be brought back, so it stays minimized.
  if (kind == SIZE_MINIMIZED && adapters_.tray && adapters_.tray->Added())
    ShowWindow(handles_.Form1, SW_HIDE);
}

void Win32MainWindow::RestoreFromTray() {
  if (IsWindowVisible(handles_.Form1)) return;
  ShowWindow(handles_.Form1, SW_RESTORE);
  SetForegroundWindow(handles_.Form1);
}

void Win32MainWindow::OnFormShow() {
  UpdateWindow(handles_.Form1);
  Forward(&TForm1::FormShow);
  if (after_form_show_) {
    const std::function<void()> callback = std::move(after_form_show_);
    after_form_show_ = nullptr;
    callback();
  }
}

void Win32MainWindow::OnDestroy() {
  KillTimer(handles_.Form1, kTimer2Id);
  KillTimer(handles_.Form1, kSelfTestTimerId);
  if (adapters_.tray) adapters_.tray->Remove();
  if (quit_on_destroy_) PostQuitMessage(0);
}

bool Win32MainWindow::PreTranslateMessage(MSG& message) {
  const HWND window = handles_.Form1;
  if (window == nullptr) return false;
  if (message.hwnd != window && !IsChild(window, message.hwnd)) return false;
  if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
    const int pages = static_cast<int>(kPages.size());
    const int step = GetKeyState(VK_SHIFT) < 0 ? pages - 1 : 1;
    SelectPage((adapters_.pages->ActivePageIndex() + step) % pages);
    return true;
  }
  // Tab moves between the controls, as in a dialog.
  return IsDialogMessageA(window, &message) != FALSE;
}

void Win32MainWindow::SelectPage(int index) {
  const HWND focus = GetFocus();
  SendMessageA(handles_.PageControl1, TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
  ShowActivePage();
  // The focus goes with the page when it was in the list view now hidden.
  if (focus != nullptr && !IsWindowVisible(focus))
    SetFocus(PageListView(handles_, static_cast<std::size_t>(index)));
}

void Win32MainWindow::ShowActivePage() {
  const int active = adapters_.pages->ActivePageIndex();
  for (std::size_t page = 0; page < kPages.size(); ++page) {
    ShowWindow(PageListView(handles_, page), static_cast<int>(page) == active ? SW_SHOW : SW_HIDE);
  }
}

}  // namespace kestrine
