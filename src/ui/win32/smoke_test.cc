#include "smoke_test.h"

#include <commctrl.h>

#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "file_target.h"
#include "file_writer.h"
#include "self_check.h"
#include "smoke_test_lines.h"
#include "window_options.h"

namespace kestrine {

namespace {

std::string StatusBarText(HWND status_bar) {
  const LRESULT length = SendMessageA(status_bar, SB_GETTEXTLENGTHA, 0, 0);
  std::vector<char> text(static_cast<std::size_t>(LOWORD(length)) + 1, '\0');
  SendMessageA(status_bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text.data()));
  return text.data();
}

std::vector<std::string> ComboEntries(HWND combo) {
  std::vector<std::string> entries;
  const auto count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length == CB_ERR) continue;
    std::vector<char> entry(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                 reinterpret_cast<LPARAM>(entry.data()));
    entries.emplace_back(entry.data());
  }
  return entries;
}

// Where a box's owner is, in words.
std::string OwnerName(HWND owner, HWND main_window) {
  if (owner == nullptr) return "none";
  return owner == main_window ? "window" : "other";
}

// What a user's choice of a selector entry sends: the list's selection changes and the box
// tells its parent.
void ChooseEntry(const Win32Handles& handles, int index) {
  SendMessageA(handles.ComboBox1, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(handles.Form1, WM_COMMAND, MAKEWPARAM(kComboBox1Id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(handles.ComboBox1));
}

// A key typed at the start of the selector's text, into the box's edit field (at its end, after
// the drive's model, it would leave the path as it was).
void TypeKey(const Win32Handles& handles, char key) {
  const HWND edit = FindWindowExA(handles.ComboBox1, nullptr, "Edit", nullptr);
  if (edit == nullptr) return;
  SendMessageA(edit, EM_SETSEL, 0, 0);
  SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(key)), 0);
}

}  // namespace

WindowSnapshot ReadWindow(const Win32MainWindow& window) {
  const Win32Handles& handles = window.Handles();
  WindowSnapshot snapshot;
  snapshot.caption = WindowText(handles.Form1);
  snapshot.selector_entries = ComboEntries(handles.ComboBox1);
  snapshot.selector_text = WindowText(handles.ComboBox1);
  const HWND lists[5] = {handles.ListView1, handles.ListView2, handles.ListView3, handles.ListView4,
                         handles.ListView5};
  for (int i = 0; i < 5; ++i) {
    snapshot.rows[i] = static_cast<int>(SendMessageA(lists[i], LVM_GETITEMCOUNT, 0, 0));
  }
  snapshot.active_page = static_cast<int>(SendMessageA(handles.PageControl1, TCM_GETCURSEL, 0, 0));
  snapshot.status_bar = StatusBarText(handles.StatusBar1);
  snapshot.condition = WindowText(handles.lblstatus);
  snapshot.tray_icon_added = window.TrayIcon1().Added();
  snapshot.tray_hint = window.TrayIcon1().Hint();
  return snapshot;
}

std::string FormatSnapshot(const std::string& step, const WindowSnapshot& snapshot,
                           const std::vector<SeenMessageBox>& boxes, HWND main_window) {
  std::string lines;
  const auto line = [&](const std::string& key, const std::string& value) {
    lines += SmokeTestLine(step, key, value);
  };
  line("caption", snapshot.caption);
  line("selector.count", std::to_string(snapshot.selector_entries.size()));
  for (const std::string& entry : snapshot.selector_entries) line("selector.entry", entry);
  line("selector.text", snapshot.selector_text);
  for (int i = 0; i < 5; ++i) {
    line("ListView" + std::to_string(i + 1) + ".rows", std::to_string(snapshot.rows[i]));
  }
  line("page", std::to_string(snapshot.active_page));
  line("status", snapshot.status_bar);
  line("lblstatus", snapshot.condition);
  line("tray", snapshot.tray_icon_added ? "added" : "absent");
  line("tray.hint", snapshot.tray_hint);
  for (const SeenMessageBox& box : boxes) {
    std::string buttons;
    for (const std::string& button : box.buttons) buttons += (buttons.empty() ? "" : "/") + button;
    line("message", "owner:" + OwnerName(box.owner, main_window) + " caption:" + box.caption +
                        " buttons:" + buttons + " icon:" + (box.has_icon ? "yes" : "no") +
                        " text:" + box.text);
  }
  return lines;
}

std::chrono::milliseconds TimeSinceProcessStart() {
  FILETIME creation{}, exit{}, kernel{}, user{};
  if (!GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user)) {
    return std::chrono::milliseconds(-1);
  }
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {  // 100-nanosecond units
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return std::chrono::milliseconds((ticks(now) - ticks(creation)) / 10000);
}

void RunSmokeTest(Win32MainWindow& window, Application& app, MessageBoxWatcher& watcher,
                  const std::string& report_file) {
  const std::chrono::milliseconds first_refresh = TimeSinceProcessStart();
  const Win32Handles& handles = window.Handles();
  std::string report = "first_refresh_ms=" + std::to_string(first_refresh.count()) + "\n";
  std::size_t boxes_reported = 0;
  const auto record = [&](const std::string& step) {
    const std::vector<SeenMessageBox>& seen = watcher.Seen();
    const std::vector<SeenMessageBox> new_boxes(seen.begin() + static_cast<long>(boxes_reported),
                                                seen.end());
    boxes_reported = seen.size();
    report += FormatSnapshot(step, ReadWindow(window), new_boxes, handles.Form1);
  };

  // The first refresh, run by FormShow.
  record("start");
  // "Refresh" in the list views' menu.
  SendMessageA(handles.Form1, WM_COMMAND, MAKEWPARAM(kRefresh1Id, 0), 0);
  record("refresh");
  // The second entry chosen in the selector.
  if (SendMessageA(handles.ComboBox1, CB_GETCOUNT, 0, 0) >= 2) {
    ChooseEntry(handles, 1);
    record("choose");
  }
  // A key typed into the selector: the text names no drive any more.
  TypeKey(handles, 'x');
  record("type");

  // The file is written as any file the user names: never through a link, never into a device.
  if (const auto fault = ReplaceFileSafely(report_file, report)) {
    std::fprintf(stderr, "--smoke-test: %s: %s\n", PrintableFileName(report_file).c_str(),
                 fault->Reason().c_str());
  }
  app.Terminate();
}

namespace {

// The smoke test as the self-check of the programs' test builds: the watcher answers the boxes
// from before the window is shown until the program ends.
class SmokeTest final : public SelfCheck {
 public:
  SmokeTest(Win32MainWindow& window, Application& app, std::string report_file)
      : window_(window), app_(app), report_file_(std::move(report_file)) {}
  void Run() override { RunSmokeTest(window_, app_, watcher_, report_file_); }

 private:
  Win32MainWindow& window_;
  Application& app_;
  std::string report_file_;
  MessageBoxWatcher watcher_{&MessageBoxWatcher::PressOkOrNo};
};

}  // namespace

std::unique_ptr<SelfCheck> SelfCheckFromCommandLine(int argc, char** argv, Win32MainWindow& window,
                                                    Application& app) {
  std::optional<std::string> report_file;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == kSmokeTestOption && i + 1 < argc) report_file = argv[++i];
  }
  if (!report_file) return nullptr;
  return std::make_unique<SmokeTest>(window, app, *report_file);
}

}  // namespace kestrine
