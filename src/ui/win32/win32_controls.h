// The window's small controls on their Windows controls. Each adapter only draws what the
// window's logic hands it; the controls belong to the main window, which destroys them.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <optional>
#include <string>

#include "toolkit.h"

namespace kestrine {

COLORREF ToColorRef(Rgb colour);

// The text of a window (or control), single-byte.
std::string WindowText(HWND window);

// Sizes a static control to its text in its own font.
void SizeToText(HWND control);

// The editable drive selector (CBS_DROPDOWN). Changes made here, by program, raise no change
// event: the window asks Quiet() before it forwards the control's notifications.
class Win32ComboBox final : public ComboBox {
 public:
  explicit Win32ComboBox(HWND control) : control_(control) {}
  void Clear() override;
  void AddItem(const std::string& text) override;
  void SetItem(int index, const std::string& text) override;
  void SelectFirst() override;
  void SetText(const std::string& text) override;
  std::string Text() const override;

  // True while a change by program is under way.
  bool Quiet() const { return quiet_ > 0; }
  // The box tells of a chosen entry before it puts the entry into its edit field; this puts it
  // there first, so that the change event reads the chosen text.
  void TakeChosenEntry();
  // Whether the text differs from the one seen last (by the previous call or a change by
  // program): the edit field tells of keys that may have changed it, such as Ctrl+A, whether
  // they did or not.
  bool TakeTextChange();

 private:
  struct QuietScope {
    explicit QuietScope(int& depth) : depth_(depth) { ++depth_; }
    ~QuietScope() { --depth_; }
    int& depth_;
  };

  HWND control_;
  int quiet_ = 0;
  std::string seen_text_;
};

// A static label with a background colour of its own, painted by the main window's
// WM_CTLCOLORSTATIC through Brush(). The label is sized to its text.
class Win32Label final : public Label {
 public:
  explicit Win32Label(HWND control) : control_(control) {}
  ~Win32Label() override;
  Win32Label(const Win32Label&) = delete;
  Win32Label& operator=(const Win32Label&) = delete;

  void SetCaption(const std::string& text) override;
  void SetColor(Rgb background) override;
  void Clear() override;

  HWND Control() const { return control_; }
  // The background colour and its brush; none while no colour has been set.
  std::optional<COLORREF> Background() const { return background_; }
  HBRUSH Brush() const { return brush_; }

 private:
  HWND control_;
  std::optional<COLORREF> background_;
  HBRUSH brush_ = nullptr;
};

// The status bar's one text.
class Win32StatusBar final : public StatusBar {
 public:
  explicit Win32StatusBar(HWND control) : control_(control) {}
  void SetText(const std::string& text) override;

 private:
  HWND control_;
};

class Win32PageControl final : public PageControl {
 public:
  explicit Win32PageControl(HWND control) : control_(control) {}
  int ActivePageIndex() const override;

 private:
  HWND control_;
};

// The notification-area icon: the program's icon, a hint of several lines, balloon
// notifications, and mouse messages (a click on the balloon too) sent to the main window as
// `callback_message`.
class Win32TrayIcon final : public TrayIcon {
 public:
  // The size of the hint's buffer, its terminating NUL included.
  static constexpr std::size_t kHintBufferSize = sizeof(NOTIFYICONDATAA{}.szTip);
  static constexpr std::size_t kBalloonTitleBufferSize = sizeof(NOTIFYICONDATAA{}.szInfoTitle);
  static constexpr std::size_t kBalloonTextBufferSize = sizeof(NOTIFYICONDATAA{}.szInfo);

  // The balloon as the shell was last given it.
  struct Balloon {
    UINT flags = 0;  // what the call changes: NIF_INFO only
    std::string title;
    std::string text;
    DWORD icon = 0;      // NIIF_INFO, NIIF_WARNING or NIIF_ERROR
    int number = 0;      // 1 for the first balloon of the icon, counting on
    bool taken = false;  // the shell took the call
  };

  Win32TrayIcon(HWND window, UINT callback_message, HICON icon);
  ~Win32TrayIcon() override;
  Win32TrayIcon(const Win32TrayIcon&) = delete;
  Win32TrayIcon& operator=(const Win32TrayIcon&) = delete;

  void SetHint(const std::string& text) override;
  // The program's icon with a disc in the mark's colour in its lower right quarter.
  void SetMark(Severity worst) override;
  // A balloon with the warning or error icon by severity. Not shown while the icon is not in
  // the notification area (there is nowhere to show it), but kept as the last one all the same.
  void Notify(const Notification& notification) override;

  // Puts the icon into the notification area, again after the shell has restarted. False when
  // the shell did not take it.
  bool Add();
  void Remove();
  bool Added() const { return added_; }
  // The hint as the shell was given it.
  std::string Hint() const { return data_.szTip; }
  Severity Mark() const { return mark_; }
  // The icon the shell was last given.
  HICON Icon() const { return data_.hIcon; }
  // The last balloon; none before the first notification.
  const std::optional<Balloon>& LastBalloon() const { return last_balloon_; }

 private:
  NOTIFYICONDATAA data_{};
  HICON program_icon_ = nullptr;
  HICON marked_icon_ = nullptr;  // ours, made for the mark shown
  Severity mark_ = Severity::Information;
  bool added_ = false;
  std::optional<Balloon> last_balloon_;
};

}  // namespace kestrine
