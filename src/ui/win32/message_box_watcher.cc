#include "message_box_watcher.h"

#include <cstring>

#include "win32_controls.h"

namespace kestrine {

namespace {

// The dialog class of message boxes.
constexpr char kDialogClass[] = "#32770";
// Marks a box that has been read and answered, for as long as the box exists.
constexpr char kAnsweredProperty[] = "KestrineAnswered";

MessageBoxWatcher* active_watcher = nullptr;

std::string ClassName(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// A button's caption without its mnemonic marks: "&Yes" reads "Yes".
std::string WithoutMnemonic(const std::string& caption) {
  std::string plain;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    plain += caption[i];
  }
  return plain;
}

struct BoxReading {
  HWND box;
  SeenMessageBox seen;
  std::vector<std::pair<int, std::string>> buttons;  // command and caption
  int default_command = 0;                           // of the button drawn as the default
};

BOOL CALLBACK ReadControl(HWND control, LPARAM reading_address) {
  auto& reading = *reinterpret_cast<BoxReading*>(reading_address);
  if (GetParent(control) != reading.box || !IsWindowVisible(control)) return TRUE;
  const std::string name = ClassName(control);
  const auto style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
  if (_stricmp(name.c_str(), "Button") == 0) {
    reading.buttons.emplace_back(GetDlgCtrlID(control), WithoutMnemonic(WindowText(control)));
    if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) reading.default_command = GetDlgCtrlID(control);
  } else if (_stricmp(name.c_str(), "Static") == 0) {
    if ((style & SS_TYPEMASK) == SS_ICON) {
      if (SendMessageA(control, STM_GETICON, 0, 0) != 0) reading.seen.has_icon = true;
    } else if (const std::string text = WindowText(control); !text.empty()) {
      if (!reading.seen.text.empty()) reading.seen.text += "\n";
      reading.seen.text += text;
    }
  }
  return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher(Answer answer, UINT period_ms) : answer_(std::move(answer)) {
  active_watcher = this;
  // A thread timer: the boxes' own message loops dispatch it too.
  timer_ = SetTimer(nullptr, 0, period_ms, &MessageBoxWatcher::Tick);
}

MessageBoxWatcher::~MessageBoxWatcher() {
  if (timer_ != 0) KillTimer(nullptr, timer_);
  if (active_watcher == this) active_watcher = nullptr;
}

int MessageBoxWatcher::PressOkOrNo(HWND, const SeenMessageBox& seen) {
  for (const std::string& button : seen.buttons) {
    if (button == "OK") return IDOK;
  }
  return IDNO;
}

void CALLBACK MessageBoxWatcher::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (active_watcher == nullptr) return;
  EnumThreadWindows(GetCurrentThreadId(), &MessageBoxWatcher::VisitWindow,
                    reinterpret_cast<LPARAM>(active_watcher));
}

BOOL CALLBACK MessageBoxWatcher::VisitWindow(HWND window, LPARAM self) {
  if (IsWindowVisible(window) && ClassName(window) == kDialogClass &&
      GetPropA(window, kAnsweredProperty) == nullptr) {
    reinterpret_cast<MessageBoxWatcher*>(self)->ReadAndAnswer(window);
  }
  return TRUE;
}

void MessageBoxWatcher::ReadAndAnswer(HWND box) {
  SetPropA(box, kAnsweredProperty, reinterpret_cast<HANDLE>(1));
  BoxReading reading{box, {}, {}, 0};
  reading.seen.caption = WindowText(box);
  reading.seen.owner = GetWindow(box, GW_OWNER);
  EnumChildWindows(box, &ReadControl, reinterpret_cast<LPARAM>(&reading));
  // The button drawn as the default, or else the one the box names (Wine's boxes name the
  // OK of their template whichever buttons they show).
  int default_command = reading.default_command;
  if (default_command == 0) {
    const LRESULT default_id = SendMessageA(box, DM_GETDEFID, 0, 0);
    if (HIWORD(default_id) == DC_HASDEFID) default_command = LOWORD(default_id);
  }
  for (const auto& [command, caption] : reading.buttons) {
    reading.seen.buttons.push_back(caption);
    if (command == default_command) reading.seen.default_button = caption;
  }
  seen_.push_back(reading.seen);
  const int command = answer_ ? answer_(box, seen_.back()) : IDOK;
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(box, command)));
}

}  // namespace kestrine
