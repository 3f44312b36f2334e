// The application's services on Windows: message boxes, the save dialog, the program's
// directory and the end of the message loop. Texts and file names are single-byte, in the
// system's code page, which is also how std::filesystem::path reads a narrow name here.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "toolkit.h"

namespace kestrine {

class Win32Application final : public Application {
 public:
  // The window that owns the OK message boxes and the save dialog, and whose end ends the
  // program; none before the window exists.
  void SetMainWindow(HWND window) { main_window_ = window; }

  void ShowMessage(const std::string& text) override;
  bool AskYesNo(const std::string& caption, const std::string& text) override;
  std::optional<std::string> SaveFileDialog(const SaveDialogOptions& options) override;
  std::string ProgramDirectory() const override;
  void Terminate() override;

 private:
  // The main window while it exists.
  HWND Owner() const;

  HWND main_window_ = nullptr;
};

}  // namespace kestrine
