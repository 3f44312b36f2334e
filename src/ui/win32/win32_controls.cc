#include "win32_controls.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "win32_texts.h"

namespace kestrine {

COLORREF ToColorRef(Rgb colour) {
  return RGB(colour.red, colour.green, colour.blue);
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  const int copied = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  return std::string(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

void SizeToText(HWND control) {
  const std::string text = WindowText(control);
  HDC dc = GetDC(control);
  const HGDIOBJ old_font =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old_font);
  ReleaseDC(control, dc);
  SetWindowPos(control, nullptr, 0, 0, extent.cx, metrics.tmHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ComboBox::Clear() {
  const QuietScope quiet(quiet_);
  SendMessageA(control_, CB_RESETCONTENT, 0, 0);
  SetWindowTextA(control_, "");
  seen_text_.clear();
}

void Win32ComboBox::AddItem(const std::string& text) {
  const QuietScope quiet(quiet_);
  SendMessageA(control_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Win32ComboBox::SetItem(int index, const std::string& text) {
  const QuietScope quiet(quiet_);
  const std::string kept = Text();
  SendMessageA(control_, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
  SendMessageA(control_, CB_INSERTSTRING, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.c_str()));
  SetWindowTextA(control_, kept.c_str());
}

void Win32ComboBox::SelectFirst() {
  const QuietScope quiet(quiet_);
  if (SendMessageA(control_, CB_GETCOUNT, 0, 0) <= 0) return;
  // Selecting an entry puts it into the edit field.
  SendMessageA(control_, CB_SETCURSEL, 0, 0);
  seen_text_ = Text();
}

void Win32ComboBox::SetText(const std::string& text) {
  const QuietScope quiet(quiet_);
  // The entry of the same text becomes the chosen one, so that the list opens at it.
  const LRESULT index = SendMessageA(control_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageA(control_, CB_SETCURSEL, index == CB_ERR ? static_cast<WPARAM>(-1) : index, 0);
  SetWindowTextA(control_, text.c_str());
  seen_text_ = Text();
}

std::string Win32ComboBox::Text() const {
  return WindowText(control_);
}

void Win32ComboBox::TakeChosenEntry() {
  const LRESULT index = SendMessageA(control_, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  const LRESULT length = SendMessageA(control_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return;
  std::vector<char> entry(static_cast<std::size_t>(length) + 1);
  SendMessageA(control_, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(entry.data()));
  const QuietScope quiet(quiet_);
  SetWindowTextA(control_, entry.data());
}

bool Win32ComboBox::TakeTextChange() {
  std::string text = Text();
  if (text == seen_text_) return false;
  seen_text_ = std::move(text);
  return true;
}

Win32Label::~Win32Label() {
  if (brush_ != nullptr) DeleteObject(brush_);
}

void Win32Label::SetCaption(const std::string& text) {
  SetWindowTextA(control_, text.c_str());
  SizeToText(control_);
  InvalidateRect(control_, nullptr, TRUE);
}

void Win32Label::SetColor(Rgb background) {
  const COLORREF colour = ToColorRef(background);
  if (background_ == colour && brush_ != nullptr) return;
  if (brush_ != nullptr) DeleteObject(brush_);
  brush_ = CreateSolidBrush(colour);
  background_ = colour;
  InvalidateRect(control_, nullptr, TRUE);
}

void Win32Label::Clear() {
  SetWindowTextA(control_, "");
  SizeToText(control_);
  // Without a brush of its own the label is painted in the window's colours.
  if (brush_ != nullptr) DeleteObject(brush_);
  brush_ = nullptr;
  background_.reset();
  InvalidateRect(control_, nullptr, TRUE);
}

void Win32StatusBar::SetText(const std::string& text) {
  SendMessageA(control_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int Win32PageControl::ActivePageIndex() const {
  return static_cast<int>(SendMessageA(control_, TCM_GETCURSEL, 0, 0));
}

Win32TrayIcon::Win32TrayIcon(HWND window, UINT callback_message, HICON icon) {
  // The version-2 layout: a 128-character hint, and taken by every shell since Windows 2000.
  data_.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data_.hWnd = window;
  data_.uID = 1;
  data_.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data_.uCallbackMessage = callback_message;
  data_.hIcon = icon;
  program_icon_ = icon;
}

Win32TrayIcon::~Win32TrayIcon() {
  Remove();
  if (marked_icon_ != nullptr) DestroyIcon(marked_icon_);
}

namespace {

// `icon` drawn at the small-icon size with a disc of `colour` and a white rim in its lower right
// quarter, in 32-bit colour with its own alpha; nullptr when the system could not make it.
HICON MarkedIcon(HICON icon, Rgb colour) {
  const int size = GetSystemMetrics(SM_CXSMICON);
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof(header);
  header.bV5Width = size;
  header.bV5Height = -size;  // top-down rows
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  const HDC screen = GetDC(nullptr);
  const HBITMAP colour_bitmap = CreateDIBSection(
      screen, reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (colour_bitmap == nullptr) return nullptr;
  const HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, colour_bitmap);
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  GdiFlush();
  auto* const pixels = static_cast<std::uint32_t*>(bits);
  const double radius = size / 4.0;
  const double centre = size - radius;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const double dx = x + 0.5 - centre;
      const double dy = y + 0.5 - centre;
      const double distance = std::sqrt(dx * dx + dy * dy);
      if (distance > radius) continue;
      const bool rim = distance > radius - std::max(1.0, size / 16.0);
      const Rgb shown = rim ? Rgb{255, 255, 255} : colour;
      pixels[y * size + x] = 0xFF000000u | (std::uint32_t{shown.red} << 16) |
                             (std::uint32_t{shown.green} << 8) | shown.blue;
    }
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  // The alpha decides; a mask of zeros (rows of whole 16-bit words) lets it.
  const std::vector<std::uint8_t> mask_bits(static_cast<std::size_t>((size + 15) / 16 * 2 * size));
  const HBITMAP mask = CreateBitmap(size, size, 1, 1, mask_bits.data());
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour_bitmap;
  info.hbmMask = mask;
  const HICON marked = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(colour_bitmap);
  return marked;
}

}  // namespace

void Win32TrayIcon::SetMark(Severity worst) {
  if (worst == mark_) return;
  const HICON previous = marked_icon_;
  marked_icon_ = worst == Severity::Information
                     ? nullptr
                     : MarkedIcon(program_icon_, worst == Severity::Error ? kRed : kOrange);
  mark_ = worst;
  data_.hIcon = marked_icon_ != nullptr ? marked_icon_ : program_icon_;
  if (added_) Shell_NotifyIconA(NIM_MODIFY, &data_);
  if (previous != nullptr) DestroyIcon(previous);
}

void Win32TrayIcon::SetHint(const std::string& text) {
  const std::string fitted = FitTipText(text, kHintBufferSize);
  fitted.copy(data_.szTip, fitted.size());
  data_.szTip[fitted.size()] = '\0';
  if (added_) Shell_NotifyIconA(NIM_MODIFY, &data_);
}

void Win32TrayIcon::Notify(const Notification& notification) {
  // A copy of the icon's data with the balloon's fields: the icon's own keeps no NIF_INFO, or
  // every later change of the hint would show the balloon again.
  NOTIFYICONDATAA balloon = data_;
  balloon.uFlags = NIF_INFO;
  const std::string title = FitTipText(notification.title, kBalloonTitleBufferSize);
  const std::string text = FitTipText(notification.text, kBalloonTextBufferSize);
  title.copy(balloon.szInfoTitle, title.size());
  balloon.szInfoTitle[title.size()] = '\0';
  text.copy(balloon.szInfo, text.size());
  balloon.szInfo[text.size()] = '\0';
  switch (notification.severity) {
    case Severity::Error:
      balloon.dwInfoFlags = NIIF_ERROR;
      break;
    case Severity::Warning:
      balloon.dwInfoFlags = NIIF_WARNING;
      break;
    case Severity::Information:
      balloon.dwInfoFlags = NIIF_INFO;
      break;
  }
  balloon.uTimeout = 10000;  // milliseconds; the shell keeps it at least this long (before Vista)
  const int number = last_balloon_ ? last_balloon_->number + 1 : 1;
  const bool taken = added_ && Shell_NotifyIconA(NIM_MODIFY, &balloon) != FALSE;
  last_balloon_ = Balloon{
      balloon.uFlags, balloon.szInfoTitle, balloon.szInfo, balloon.dwInfoFlags, number, taken};
}

bool Win32TrayIcon::Add() {
  // The shell also announces a new task bar while it still shows the icon (a change of the
  // screen's resolution, for one); adding it again then fails, and the icon is brought up to
  // date instead.
  added_ =
      Shell_NotifyIconA(NIM_ADD, &data_) != FALSE || Shell_NotifyIconA(NIM_MODIFY, &data_) != FALSE;
  return added_;
}

void Win32TrayIcon::Remove() {
  if (!added_) return;
  Shell_NotifyIconA(NIM_DELETE, &data_);
  added_ = false;
}

}  // namespace kestrine
