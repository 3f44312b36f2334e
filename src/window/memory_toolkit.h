// The window toolkit held in memory: the main window's controls as plain values, so that TForm1
// runs unchanged and every cell, text and colour it sets can be read back as the window would
// show it. kestrine-cli prints what it holds; the tests look at it. Message boxes are recorded
// rather than shown; how a Yes/No question is answered and what the save dialog returns are set
// by whoever holds the toolkit.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "form_pages.h"
#include "memory_list_view.h"
#include "toolkit.h"

namespace kestrine {

class MemoryComboBox : public ComboBox {
 public:
  void Clear() override;
  void AddItem(const std::string& item) override { items.push_back(item); }
  void SetItem(int index, const std::string& item) override {
    items.at(static_cast<std::size_t>(index)) = item;
  }
  void SelectFirst() override;
  void SetText(const std::string& value) override { text = value; }
  std::string Text() const override { return text; }

  std::vector<std::string> items;
  std::string text;  // set it as if typed into the selector (no change event is raised here)
};

// Label, status bar and tray icon keep the last text set; empty while none is shown.
class MemoryLabel : public Label {
 public:
  void SetCaption(const std::string& text) override { caption = text; }
  void SetColor(Rgb background) override { color = background; }
  void Clear() override;

  std::string caption;
  std::optional<Rgb> color;  // nullopt: the window's normal colours
};

class MemoryStatusBar : public StatusBar {
 public:
  void SetText(const std::string& value) override { text = value; }
  std::string text;
};

class MemoryTrayIcon : public TrayIcon {
 public:
  void SetHint(const std::string& text) override { hint = text; }
  void SetMark(Severity worst) override { mark = worst; }
  void Notify(const Notification& notification) override { notifications.push_back(notification); }
  std::string hint;
  Severity mark = Severity::Information;
  std::vector<Notification> notifications;  // every one shown, oldest first
};

class MemoryPageControl : public PageControl {
 public:
  int ActivePageIndex() const override { return active; }
  int active = 0;
};

struct Question {
  std::string caption;
  std::string text;
};

class MemoryApplication : public Application {
 public:
  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  std::optional<std::string> SaveFileDialog(const SaveDialogOptions& options) override;
  std::string ProgramDirectory() const override { return program_directory; }
  void Terminate() override { terminated = true; }

  // The messages shown since the last call, oldest first; `messages` is empty afterwards.
  std::vector<std::string> TakeMessages();

  // The answers, set by the toolkit's holder.
  std::deque<bool> answers;                   // the next Yes/No answers in turn: Yes true, No false
  bool answer_when_none_left = false;         // then this one: No, unless set otherwise
  std::optional<std::string> save_file_name;  // the save dialog's answer; nullopt: cancelled
  std::string program_directory;
  std::function<void(const std::string&)> on_message;  // runs while the box would be open
  std::function<void()> on_question;                   // runs while the question would be open

  // What the window's logic asked for.
  std::vector<std::string> messages;
  std::vector<Question> questions;
  std::vector<SaveDialogOptions> dialogs;
  bool terminated = false;
};

// The main window's controls under their own names; each list view with its page's columns.
struct MemoryToolkit {
  MemoryListView ListView1{ListViewColumns(1)};
  MemoryListView ListView2{ListViewColumns(2)};
  MemoryListView ListView3{ListViewColumns(3)};
  MemoryListView ListView4{ListViewColumns(4)};
  MemoryListView ListView5{ListViewColumns(5)};
  MemoryComboBox ComboBox1;
  MemoryStatusBar StatusBar1;
  MemoryLabel lblstatus;
  MemoryTrayIcon TrayIcon1;
  MemoryPageControl PageControl1;
  MemoryApplication App;

  FormControls Controls();
  // Empties status bar, condition label and tray icon, so that what a refresh sets can be told
  // from what an earlier drive's refresh left there.
  void ForgetShownTexts();
};

}  // namespace kestrine
