#include "run_window.h"

#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>

#include "file_writer.h"
#include "form_texts.h"
#include "history_recorder.h"
#include "kestrine_version.h"
#include "locked_device_port.h"
#include "main_window.h"
#include "qt_application.h"
#include "self_check.h"
#include "smart_drv.h"
#include "unit1.h"
#include "window_history.h"
#include "window_options.h"

namespace kestrine {
namespace {

// --help or --version: the text and no window.
bool PrintHelpOrVersion(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + std::min(argc, 1), argv + argc);
  const std::string name =
      std::filesystem::path(argc > 0 && argv[0] != nullptr ? argv[0] : "kestrine")
          .filename()
          .string();
  const std::optional<std::string> text = HelpOrVersionText(name, KESTRINE_VERSION, arguments);
  if (text) std::cout << *text << std::flush;
  return text.has_value();
}

}  // namespace

int RunWindow(int& argc, char** argv, DevicePort& port, SystemLog* system_log, bool keep_history,
              DevicePort* round_port) {
  // Started through pkexec, the program runs as root on a command line another user wrote: it
  // takes none, neither its own options nor Qt's (-platformpluginpath would load that user's code).
  int window_argc = argc;
  if (std::getenv("PKEXEC_UID") != nullptr) {
    if (argc > 1) {
      std::cerr << "kestrine: started through pkexec, the window takes no arguments; " << argc - 1
                << " ignored\n";
    }
    window_argc = argc > 0 ? 1 : 0;
  } else if (PrintHelpOrVersion(argc, argv)) {
    return 0;
  }
  RemoveNewFilesOnSignals();
  QApplication application(window_argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(texts::kConfirmCaption));
  // The program ends by "Quit" or by closing its window, not when its last visible window
  // closes: while the window is in the tray, closing a message box would otherwise end it.
  QApplication::setQuitOnLastWindowClosed(false);
  const QStringList arguments = QApplication::arguments();
  const bool quit_after_first_refresh =
      arguments.contains(QString::fromLatin1(kQuitAfterFirstRefreshOption));

  QtApplication services;
  const std::unique_ptr<SelfCheck> check = SelfCheckFromArguments(arguments, services);
  Application& app = check ? check->App() : services;
  LockedDevicePort shared_port(port);
  SmartDrv drive_layer(round_port != nullptr ? port : shared_port);
  MainWindow window(app);
  TForm1 form(drive_layer, window.Controls(), system_log);
  window.Attach(form);
  window.StartRound(round_port != nullptr ? *round_port : shared_port);
  std::optional<HistoryRecorder> history;
  // A self-check shows what the window shows, nothing a history file adds to it.
  if (keep_history && !check && !arguments.contains(QString::fromLatin1(kNoHistoryOption))) {
    history.emplace(DefaultHistoryLocation(), kWindowProgramName);
    KeepReadingsIn(form, *history);
  }
  if (check) {
    window.SetAfterFormShow([&window, &check] { check->Run(window); });
  } else if (quit_after_first_refresh) {
    window.SetAfterFormShow([] { QApplication::quit(); });
  }
  window.show();
  return QApplication::exec();
}

}  // namespace kestrine
