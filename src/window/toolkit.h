// The window toolkit: what the window's logic needs of its controls. The front ends (Qt, Win32,
// the console of kestrine-cli and the fakes of the tests) implement these with their widgets and
// forward their events to TForm1's handlers. Texts are single-byte: each char is the character
// with the same number (ISO-8859-1), as the drive and the window's own texts are.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tell.h"
#include "view_colours.h"

namespace kestrine {

// A report-style list view, read-only, whole-row selection.
class ListView {
 public:
  // Decides a row's background when it is painted; nullopt keeps the normal background.
  using CustomDraw = std::function<std::optional<Rgb>(int row)>;

  virtual ~ListView() = default;
  virtual void Clear() = 0;
  virtual void AddRow(std::vector<std::string> cells) = 0;  // caption first, then the sub-items
  virtual int ItemCount() const = 0;
  virtual std::vector<std::string> ColumnCaptions() const = 0;
  virtual std::string CellText(int row, int column) const = 0;  // "" outside the row's cells

  void SetCustomDraw(CustomDraw handler) { custom_draw_ = std::move(handler); }
  bool HasCustomDraw() const { return static_cast<bool>(custom_draw_); }
  // The background the row is painted with: the custom-draw answer, or nullopt for normal.
  std::optional<Rgb> RowBackground(int row) const {
    return custom_draw_ ? custom_draw_(row) : std::nullopt;
  }

 private:
  CustomDraw custom_draw_;
};

// The editable drop-down list of drive paths.
class ComboBox {
 public:
  virtual ~ComboBox() = default;
  virtual void Clear() = 0;  // the list and the text
  virtual void AddItem(const std::string& text) = 0;
  // Entry `index` takes `text`; the selector's text stays as it is. Raises no change event.
  virtual void SetItem(int index, const std::string& text) = 0;
  virtual void SelectFirst() = 0;  // entry 0 becomes the text; raises no change event
  virtual void SetText(const std::string& text) = 0;  // raises no change event
  virtual std::string Text() const = 0;
};

class Label {
 public:
  virtual ~Label() = default;
  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetColor(Rgb background) = 0;
  // No text, and the window's normal colours again.
  virtual void Clear() = 0;
};

class StatusBar {
 public:
  virtual ~StatusBar() = default;
  virtual void SetText(const std::string& text) = 0;
};

// A notification from the tray icon: a balloon, or the desktop's notification service.
struct Notification {
  Severity severity = Severity::Information;  // the icon it is shown with
  std::string title;                          // the drive it is about
  std::string text;                           // what happened; lines separated by CR LF
  bool operator==(const Notification&) const = default;
};

class TrayIcon {
 public:
  virtual ~TrayIcon() = default;
  virtual void SetHint(const std::string& text) = 0;  // lines separated by CR LF
  // The program's icon with a mark in the colour of the worst condition of the drives: orange
  // for Warning, red for Error; Information: the program's icon alone.
  virtual void SetMark(Severity worst) = 0;
  // Shown where the desktop shows notifications; a click on it reaches
  // TForm1::NotificationClick. Shown also while the window is hidden in the tray.
  virtual void Notify(const Notification& notification) = 0;
};

class PageControl {
 public:
  virtual ~PageControl() = default;
  virtual int ActivePageIndex() const = 0;  // 0 to kPages.size() - 1
};

struct SaveDialogOptions {
  std::string title;
  std::string filter;  // "name|pattern|name|pattern"
  std::string default_extension;
};

// The application's services: message boxes, the save dialog, the program's place, the end.
class Application {
 public:
  virtual ~Application() = default;
  // A message box with an OK button, owned by the application.
  virtual void ShowMessage(const std::string& text) = 0;
  // Yes/No with the given caption, no owner, no icon, Yes the default. True for Yes.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  // The chosen file name, or nullopt when cancelled.
  virtual std::optional<std::string> SaveFileDialog(const SaveDialogOptions& options) = 0;
  // The directory that holds the program's executable.
  virtual std::string ProgramDirectory() const = 0;
  // Ends the message loop.
  virtual void Terminate() = 0;
};

// The controls of the main window, under their own names.
struct FormControls {
  // The pages' list views; which page holds which: form_pages.h.
  ListView& ListView1;
  ListView& ListView2;
  ListView& ListView3;
  ListView& ListView4;
  ListView& ListView5;
  ComboBox& ComboBox1;
  StatusBar& StatusBar1;
  Label& lblstatus;
  TrayIcon& TrayIcon1;
  PageControl& PageControl1;
  Application& App;
};

}  // namespace kestrine
