// Reads and answers the message boxes of this thread while they are open: the programs'
// self-check and the tests see what a box showed (caption, text, owner, buttons, icon) without
// anyone at the screen.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kestrine {

struct SeenMessageBox {
  std::string caption;
  std::string text;
  HWND owner = nullptr;
  std::vector<std::string> buttons;  // their captions, in the box's order
  std::string default_button;        // the caption of the button Enter presses
  bool has_icon = false;
};

class MessageBoxWatcher {
 public:
  // Gives the command of the button to press (IDOK, IDYES, IDNO, ...) for a box just seen; it
  // may fill in the box's fields first.
  using Answer = std::function<int(HWND box, const SeenMessageBox&)>;

  // Looks for new boxes every `period_ms` milliseconds, also inside the boxes' own loops. One
  // watcher per thread at a time.
  explicit MessageBoxWatcher(Answer answer, UINT period_ms = 50);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

  const std::vector<SeenMessageBox>& Seen() const { return seen_; }

  // Presses OK where there is one, otherwise No.
  static int PressOkOrNo(HWND box, const SeenMessageBox& seen);

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  static BOOL CALLBACK VisitWindow(HWND window, LPARAM self);
  void ReadAndAnswer(HWND box);

  Answer answer_;
  UINT_PTR timer_ = 0;
  std::vector<SeenMessageBox> seen_;
};

}  // namespace kestrine
