// The window programs' self-check in their test builds (--smoke-test FILE, self_check.h): once
// the first refresh has finished, the program reads back what its window shows, drives a few events
// through the window's own message handling as a user would cause them, writes what it saw to FILE
// and ends. Message boxes that come up meanwhile are read and answered (OK, or No). It lets a
// script check the Windows programs under Wine without a screen reader.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "message_box_watcher.h"
#include "win32_main_window.h"

namespace kestrine {

// What the window shows, read from its controls.
struct WindowSnapshot {
  std::string caption;
  std::vector<std::string> selector_entries;
  std::string selector_text;
  int rows[5] = {};  // ListView1 to ListView5
  int active_page = -1;
  std::string status_bar;
  std::string condition;
  bool tray_icon_added = false;
  std::string tray_hint;
};

WindowSnapshot ReadWindow(const Win32MainWindow& window);

// One "step.key=value" line per item; CR and LF in texts are written as \r and \n.
std::string FormatSnapshot(const std::string& step, const WindowSnapshot& snapshot,
                           const std::vector<SeenMessageBox>& boxes, HWND main_window);

// The time since the process was created.
std::chrono::milliseconds TimeSinceProcessStart();

// Runs the steps, writes `report_file` and ends the program through `app`. Call it once
// FormShow has returned, with the watcher that answers the boxes.
void RunSmokeTest(Win32MainWindow& window, Application& app, MessageBoxWatcher& watcher,
                  const std::string& report_file);

}  // namespace kestrine
