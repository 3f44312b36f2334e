#include "run_window.h"

#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "history_recorder.h"
#include "kestrine_version.h"
#include "locked_device_port.h"
#include "self_check.h"
#include "smart_drv.h"
#include "unit1.h"
#include "win32_application.h"
#include "win32_dpi.h"
#include "win32_main_window.h"
#include "window_history.h"
#include "window_options.h"

namespace kestrine {

namespace {

// A window program has no console of its own: the text goes to the standard output it was given
// (a pipe, a file), else to the console it was started from, else into a message box.
void ShowText(const std::string& text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS)) {
    out = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_EXISTING, 0, nullptr);
  }
  DWORD written = 0;
  if (out != nullptr && out != INVALID_HANDLE_VALUE &&
      WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    return;
  }
  MessageBoxA(nullptr, text.c_str(), "Kestrine", MB_OK | MB_ICONINFORMATION);
}

}  // namespace

int RunWindow(int& argc, char** argv, DevicePort& port, SystemLog* system_log, bool keep_history,
              DevicePort* round_port) {
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const std::string name =
      std::filesystem::path(argc > 0 && argv[0] != nullptr ? argv[0] : "kestrine").stem().string();
  if (const std::optional<std::string> text =
          HelpOrVersionText(name, KESTRINE_VERSION, arguments)) {
    ShowText(*text);
    return 0;
  }
  bool quit_after_first_refresh = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == kQuitAfterFirstRefreshOption) quit_after_first_refresh = true;
    if (std::string_view(argv[i]) == kNoHistoryOption) keep_history = false;
  }

  // The manifest declares per-monitor awareness; a program started without it asks here.
  BecomePerMonitorDpiAware();
  Win32Application services;
  LockedDevicePort shared_port(port);
  SmartDrv drive_layer(round_port != nullptr ? port : shared_port);
  Win32MainWindow window(GetModuleHandleA(nullptr), services);
  if (window.Handle() == nullptr) return 1;
  services.SetMainWindow(window.Handle());
  TForm1 form(drive_layer, window.Controls(), system_log);
  window.Attach(form);
  window.StartRound(round_port != nullptr ? *round_port : shared_port);
  const std::unique_ptr<SelfCheck> check = SelfCheckFromCommandLine(argc, argv, window, services);
  // A self-check shows what the window shows, nothing a history file adds to it.
  std::optional<HistoryRecorder> history;
  if (keep_history && !check) {
    history.emplace(DefaultHistoryLocation(), kWindowProgramName);
    KeepReadingsIn(form, *history);
  }
  if (check) {
    window.SetAfterFormShow([&check] { check->Run(); });
  } else if (quit_after_first_refresh) {
    window.SetAfterFormShow([&services] { services.Terminate(); });
  }
  ShowWindow(window.Handle(), SW_SHOWNORMAL);

  MSG message{};
  int exit_code = 0;
  while (true) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      exit_code = static_cast<int>(message.wParam);
      break;
    }
    if (got == -1) {
      exit_code = 1;
      break;
    }
    if (window.PreTranslateMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  // The form goes before the window: nothing of the window reaches it from here on.
  window.Detach();
  return exit_code;
}

}  // namespace kestrine
