// The fake window toolkit of the tests: in-memory controls, recorded message boxes with scripted
// answers, and a form built over a simulated bay.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "errors.h"
#include "memory_list_view.h"
#include "sim_bay.h"
#include "smart_drv.h"
#include "toolkit.h"
#include "unit1.h"

namespace kestrine::testing {

class FakeComboBox : public ComboBox {
 public:
  void Clear() override {
    items.clear();
    text.clear();
  }
  void AddItem(const std::string& item) override { items.push_back(item); }
  void SelectFirst() override {
    if (!items.empty()) text = items.front();
  }
  std::string Text() const override { return text; }

  std::vector<std::string> items;
  std::string text;
};

class FakeLabel : public Label {
 public:
  void SetCaption(const std::string& text) override { caption = text; }
  void SetColor(Rgb background) override { color = background; }
  void Clear() override {
    caption.clear();
    color.reset();
  }
  std::string caption;
  std::optional<Rgb> color;  // nullopt: the window's normal colours
};

class FakeStatusBar : public StatusBar {
 public:
  void SetText(const std::string& value) override { text = value; }
  std::string text;
};

class FakeTrayIcon : public TrayIcon {
 public:
  void SetHint(const std::string& text) override { hint = text; }
  std::string hint;
};

class FakePageControl : public PageControl {
 public:
  int ActivePageIndex() const override { return active; }
  int active = 0;
};

struct Question {
  std::string caption;
  std::string text;
};

class FakeApplication : public Application {
 public:
  void ShowMessage(const std::string& text) override {
    messages.push_back(text);
    if (on_message) on_message(text);
  }
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    questions.push_back({caption, text});
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> SaveFileDialog(const SaveDialogOptions& options) override {
    dialogs.push_back(options);
    return save_file_name;
  }
  std::string ProgramDirectory() const override { return program_directory; }
  void Terminate() override { terminated = true; }

  std::vector<std::string> messages;
  std::function<void(const std::string&)> on_message;  // runs "inside" the message box
  std::vector<Question> questions;
  std::deque<bool> answers;  // scripted Yes (true) / No (false); No when none is left
  std::vector<SaveDialogOptions> dialogs;
  std::optional<std::string> save_file_name;
  std::string program_directory;
  bool terminated = false;
};

// The window's controls in memory.
struct FakeToolkit {
  MemoryListView ListView1{kAttributeColumns};
  MemoryListView ListView2{kIdentifyColumns};
  MemoryListView ListView3{kSelfTestLogColumns};
  MemoryListView ListView4{kGeneralColumns};
  FakeComboBox ComboBox1;
  FakeStatusBar StatusBar1;
  FakeLabel lblstatus;
  FakeTrayIcon TrayIcon1;
  FakePageControl PageControl1;
  FakeApplication App;

  FormControls Controls() {
    return FormControls{ListView1,  ListView2, ListView3, ListView4,    ComboBox1,
                        StatusBar1, lblstatus, TrayIcon1, PageControl1, App};
  }
};

// A form over a simulated bay, as a program would hold one.
struct FormFixture {
  SimBay bay;
  SmartDrv drv{bay};
  FakeToolkit ui;
  TForm1 form{drv, ui.Controls()};

  // Runs a handler through the top-level handler, as a front end does.
  template <typename Handler>
  void Run(Handler handler) {
    RunGuarded(ui.App, [&] { handler(form); });
  }
};

}  // namespace kestrine::testing
