#include "win32_application.h"

#include <commdlg.h>

#include <vector>

#include "form_texts.h"
#include "win32_texts.h"

namespace kestrine {

namespace {

// The caption of the plain messages: the program's title, the name its questions carry too.
constexpr const char* kApplicationTitle = texts::kConfirmCaption;

// Room for a long path in the save dialog's answer.
constexpr std::size_t kFileNameBufferSize = 4096;

// Gives the keyboard focus back, once a message box or dialog has closed, to the control that
// had it: the window that is activated again otherwise keeps the focus itself, and the keyboard
// reaches no control.
class FocusKeeper {
 public:
  FocusKeeper() : focus_(GetFocus()) {}
  ~FocusKeeper() {
    if (focus_ != nullptr && IsWindow(focus_) && IsWindowVisible(focus_) &&
        IsWindowEnabled(focus_)) {
      SetFocus(focus_);
    }
  }
  FocusKeeper(const FocusKeeper&) = delete;
  FocusKeeper& operator=(const FocusKeeper&) = delete;

 private:
  HWND focus_;
};

}  // namespace

HWND Win32Application::Owner() const {
  return main_window_ != nullptr && IsWindow(main_window_) ? main_window_ : nullptr;
}

void Win32Application::ShowMessage(const std::string& text) {
  const FocusKeeper focus;
  MessageBoxA(Owner(), text.c_str(), kApplicationTitle, MB_OK);
}

bool Win32Application::AskYesNo(const std::string& caption, const std::string& text) {
  const FocusKeeper focus;
  // No owner: the main window stays usable while the question is open.
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_DEFBUTTON1) == IDYES;
}

std::optional<std::string> Win32Application::SaveFileDialog(const SaveDialogOptions& options) {
  const std::string filter = DialogFilter(options.filter);
  const std::string extension = DialogDefaultExtension(options.default_extension);
  std::vector<char> file_name(kFileNameBufferSize, '\0');

  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Owner();
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file_name.data();
  dialog.nMaxFile = static_cast<DWORD>(file_name.size());
  dialog.lpstrTitle = options.title.c_str();
  dialog.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  const FocusKeeper focus;
  if (!GetSaveFileNameA(&dialog)) return std::nullopt;
  return std::string(file_name.data());
}

std::string Win32Application::ProgramDirectory() const {
  std::vector<char> path(MAX_PATH);
  while (true) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      const std::string program(path.data(), length);
      const std::size_t separator = program.find_last_of("\\/");
      return separator == std::string::npos ? std::string() : program.substr(0, separator);
    }
    // Cut to the buffer: try again with a larger one.
    path.resize(path.size() * 2);
  }
}

void Win32Application::Terminate() {
  // The window's end removes the tray icon and ends the message loop.
  if (const HWND window = Owner()) {
    DestroyWindow(window);
  } else {
    PostQuitMessage(0);
  }
}

}  // namespace kestrine
