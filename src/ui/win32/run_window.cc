#include "run_window.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string_view>

#include "history_recorder.h"
#include "self_check.h"
#include "smart_drv.h"
#include "unit1.h"
#include "win32_application.h"
#include "win32_dpi.h"
#include "win32_main_window.h"
#include "window_history.h"
#include "window_options.h"

namespace kestrine {

int RunWindow(int& argc, char** argv, DevicePort& port, SystemLog* system_log, bool keep_history) {
  bool quit_after_first_refresh = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == kQuitAfterFirstRefreshOption) quit_after_first_refresh = true;
    if (std::string_view(argv[i]) == kNoHistoryOption) keep_history = false;
  }

  // The manifest declares per-monitor awareness; a program started without it asks here.
  BecomePerMonitorDpiAware();
  Win32Application services;
  SmartDrv drive_layer(port);
  Win32MainWindow window(GetModuleHandleA(nullptr), services);
  if (window.Handle() == nullptr) return 1;
  services.SetMainWindow(window.Handle());
  TForm1 form(drive_layer, window.Controls(), system_log);
  window.Attach(form);
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
