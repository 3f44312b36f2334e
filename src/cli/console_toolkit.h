// The window toolkit of kestrine-cli: the main window's controls held in memory, so that TForm1
// runs unchanged and every cell the program prints is the cell the window would show. Message
// boxes are collected for the caller to print; a Yes/No question is answered Yes (the command
// line's option is the user's confirmation); the save dialog answers with the name given on the
// command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "memory_list_view.h"
#include "toolkit.h"

namespace kestrine {

class ConsoleComboBox : public ComboBox {
 public:
  void Clear() override;
  void AddItem(const std::string& item) override;
  void SelectFirst() override;
  std::string Text() const override { return text_; }

  // As if the text were typed into the selector (no change event is raised here).
  void SetText(std::string text) { text_ = std::move(text); }
  const std::vector<std::string>& Items() const { return items_; }

 private:
  std::vector<std::string> items_;
  std::string text_;
};

// Label, status bar and tray icon keep the last text set; nullopt until one is set.
class ConsoleLabel : public Label {
 public:
  void SetCaption(const std::string& text) override { caption = text; }
  void SetColor(Rgb background) override { color = background; }
  // A label with no condition is one that shows none.
  void Clear() override {
    caption.reset();
    color.reset();
  }
  std::optional<std::string> caption;
  std::optional<Rgb> color;
};

class ConsoleStatusBar : public StatusBar {
 public:
  void SetText(const std::string& value) override { text = value; }
  std::optional<std::string> text;
};

class ConsoleTrayIcon : public TrayIcon {
 public:
  void SetHint(const std::string& text) override { hint = text; }
  std::optional<std::string> hint;
};

class ConsolePageControl : public PageControl {
 public:
  int ActivePageIndex() const override { return active; }
  int active = 0;
};

class ConsoleApplication : public Application {
 public:
  explicit ConsoleApplication(std::string program_directory)
      : program_directory_(std::move(program_directory)) {}

  void ShowMessage(const std::string& text) override { messages_.push_back(text); }
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  std::optional<std::string> SaveFileDialog(const SaveDialogOptions& options) override;
  std::string ProgramDirectory() const override { return program_directory_; }
  void Terminate() override { terminated_ = true; }

  // The messages shown since the last call, oldest first.
  std::vector<std::string> TakeMessages();
  void SetSaveFileName(std::optional<std::string> name) { save_file_name_ = std::move(name); }
  bool Terminated() const { return terminated_; }

 private:
  std::string program_directory_;
  std::vector<std::string> messages_;
  std::optional<std::string> save_file_name_;
  bool terminated_ = false;
};

// The main window's controls under their own names.
struct ConsoleToolkit {
  explicit ConsoleToolkit(std::string program_directory) : App(std::move(program_directory)) {}

  MemoryListView ListView1{kAttributeColumns};
  MemoryListView ListView2{kIdentifyColumns};
  MemoryListView ListView3{kSelfTestLogColumns};
  MemoryListView ListView4{kGeneralColumns};
  ConsoleComboBox ComboBox1;
  ConsoleStatusBar StatusBar1;
  ConsoleLabel lblstatus;
  ConsoleTrayIcon TrayIcon1;
  ConsolePageControl PageControl1;
  ConsoleApplication App;

  FormControls Controls();
  // Forgets the texts of status bar, condition label and tray icon, so that what a refresh sets
  // can be told from what an earlier drive's refresh left there.
  void ForgetShownTexts();
};

}  // namespace kestrine
