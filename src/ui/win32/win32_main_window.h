// The main window on the Windows API and its common controls: the controls at their places
// under their own names, the four list views on the tab control, the status bar, Timer2, the
// context menus and the notification-area icon. It decides nothing: every event is forwarded to
// TForm1 through the top-level handler, and the adapters draw what TForm1 hands them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "drive_round.h"
#include "form_adapters.h"
#include "toolkit.h"
#include "unit1.h"
#include "win32_controls.h"
#include "win32_list_view.h"

namespace kestrine {

// The controls' and menu items' command numbers, and Timer2's number.
enum Win32CommandId : int {
  kLabel1Id = 100,
  kComboBox1Id,
  kButton4Id,
  kButton2Id,
  kLblstatusId,
  kPageControl1Id,
  kListView1Id,
  kListView2Id,
  kListView3Id,
  kListView4Id,
  kListView5Id,
  kStatusBar1Id,
  kRefresh1Id = 200,
  kSavetoHTML1Id,
  kRestore1Id,
};
inline constexpr UINT_PTR kTimer2Id = 1;
inline constexpr UINT_PTR kSelfTestTimerId = 2;  // the once-a-minute re-read during a self-test

// The notification-area icon's mouse messages reach the window as this message.
inline constexpr UINT kTrayIconMessage = WM_APP + 1;
// The round of the other drives has read a drive (posted from the round's thread).
inline constexpr UINT kRoundReadMessage = WM_APP + 3;

// The window handles of the controls, for those that read the window from outside (the tests
// and the programs' self-check).
struct Win32Handles {
  HWND Form1 = nullptr;
  HWND Label1 = nullptr;
  HWND ComboBox1 = nullptr;
  HWND Button4 = nullptr;
  HWND Button2 = nullptr;
  HWND lblstatus = nullptr;
  HWND PageControl1 = nullptr;
  // The pages' list views (form_pages.h).
  HWND ListView1 = nullptr;
  HWND ListView2 = nullptr;
  HWND ListView3 = nullptr;
  HWND ListView4 = nullptr;
  HWND ListView5 = nullptr;
  HWND StatusBar1 = nullptr;
  HMENU PopupMenu1 = nullptr;
  HMENU TrayMenu2 = nullptr;
};

class Win32MainWindow {
 public:
  // Creates the window, hidden, with its controls; Timer2 starts counting and the tray icon is
  // added. `app` outlives the window.
  Win32MainWindow(HINSTANCE instance, Application& app);
  ~Win32MainWindow();
  Win32MainWindow(const Win32MainWindow&) = delete;
  Win32MainWindow& operator=(const Win32MainWindow&) = delete;

  // The controls for TForm1, which the window outlives.
  FormControls Controls();
  // From here on the window's events reach `form`, which must stay until Detach or the
  // window's end; events that come before are dropped.
  void Attach(TForm1& form) { form_ = &form; }
  // Also ends the round of the other drives.
  void Detach() {
    round_.reset();
    form_ = nullptr;
  }
  // From here on the attached form reads its other drives through `port` on the round's thread
  // (drive_round.h); their sessions come back to the form on the window's thread.
  void StartRound(DevicePort& port);
  // Runs once, after FormShow has returned (the self-check and the start-up timing use it).
  void SetAfterFormShow(std::function<void()> callback) { after_form_show_ = std::move(callback); }

  // What the message loop does with each message before it is dispatched: Ctrl+Tab and
  // Ctrl+Shift+Tab switch pages, and Tab moves between the controls as in a dialog. True when
  // the message was handled here.
  bool PreTranslateMessage(MSG& message);

  // Null once the window has been destroyed.
  HWND Handle() const { return handles_.Form1; }
  // The pixel density the window is laid out for.
  UINT Dpi() const { return dpi_; }
  const Win32Handles& Handles() const { return handles_; }
  const Win32TrayIcon& TrayIcon1() const { return *adapters_.tray; }
  const Win32Label& ConditionLabel() const { return *adapters_.condition_label; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void CreateControls(HINSTANCE instance);
  HWND CreateChild(HINSTANCE instance, const char* window_class, const char* text, DWORD style,
                   RECT place, int id, DWORD ex_style = 0);
  void CreateMenus();
  void OnCommand(int id, int code, HWND control);
  LRESULT OnNotify(const NMHDR& header, LPARAM lparam);
  void OnContextMenu(HWND clicked, LPARAM at);
  void OnTrayIcon(LPARAM mouse_message);
  void OnSize(WPARAM kind);
  void OnFormShow();
  void OnDestroy();
  void ShowActivePage();
  // Shows page `index` as a click on its tab does.
  void SelectPage(int index);
  // Lays the controls out, with their fonts and column widths, for `dpi`.
  void ApplyDpi(UINT dpi);
  // The page control, its list views and the status bar at the client area's size.
  void LayOutClientArea();
  // Sizes the window to the layout's client area at its density, with its top-left corner at
  // `at`; `keep_on_screen` moves it just enough to fit the work area of its monitor.
  void PlaceWindow(POINT at, bool keep_on_screen);
  void RestoreFromTray();
  void Forward(void (TForm1::*handler)());
  // Hands the drives the round has read to the form.
  void TakeRound();

  Application& app_;
  TForm1* form_ = nullptr;
  bool form_shown_ = false;
  bool quit_on_destroy_ = true;  // the window's end ends the message loop
  std::function<void()> after_form_show_;
  UINT taskbar_created_ = 0;

  Win32Handles handles_;
  UINT dpi_ = 96;
  SIZE sized_to_{};               // the window's outer size at the layout's density
  HFONT control_font_ = nullptr;  // the system's or scaled_font_
  HFONT scaled_font_ = nullptr;   // the system's font made for another density; ours
  HFONT lblstatus_font_ = nullptr;
  HICON large_icon_ = nullptr;
  HICON small_icon_ = nullptr;

  std::unique_ptr<DriveRound> round_;
  FormAdapters<Win32ListView, Win32ComboBox, Win32StatusBar, Win32Label, Win32TrayIcon,
               Win32PageControl>
      adapters_;
};

}  // namespace kestrine
