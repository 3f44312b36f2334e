#include "run_window.h"

#include <QApplication>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string_view>

#include "form_texts.h"
#include "history_recorder.h"
#include "kestrine_version.h"
#include "main_window.h"
#include "qt_application.h"
#include "smart_drv.h"
#include "smoke_test.h"
#include "unit1.h"
#include "window_history.h"
#include "window_options.h"

namespace kestrine {
namespace {

// "--version" anywhere on the command line: the program's name and version, and no window (so
// it also answers without a display).
bool PrintVersion(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) != "--version") continue;
    const std::string name =
        std::filesystem::path(argv[0] != nullptr ? argv[0] : "kestrine").filename().string();
    std::cout << name << ' ' << KESTRINE_VERSION << std::endl;
    return true;
  }
  return false;
}

}  // namespace

int RunWindow(int& argc, char** argv, DevicePort& port, bool keep_history) {
  if (PrintVersion(argc, argv)) return 0;
  QApplication application(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(texts::kConfirmCaption));
  // The program ends by "Quit" or by closing its window, not when its last visible window
  // closes: while the window is in the tray, closing a message box would otherwise end it.
  QApplication::setQuitOnLastWindowClosed(false);
  const bool quit_after_first_refresh =
      QApplication::arguments().contains(QString::fromLatin1(kQuitAfterFirstRefreshOption));

  const QStringList arguments = QApplication::arguments();
  const auto smoke_test = arguments.indexOf(QString::fromLatin1(kSmokeTestOption));
  const bool smoke_testing = smoke_test >= 0 && smoke_test + 1 < arguments.size();

  QtApplication services;
  RecordingApplication recorder(services);
  Application& app = smoke_testing ? static_cast<Application&>(recorder) : services;
  SmartDrv drive_layer(port);
  MainWindow window(app);
  TForm1 form(drive_layer, window.Controls());
  window.Attach(form);
  std::optional<HistoryRecorder> history;
  if (keep_history && !arguments.contains(QString::fromLatin1(kNoHistoryOption))) {
    history.emplace(DefaultHistoryLocation(), kWindowProgramName);
    KeepReadingsIn(form, *history);
  }
  if (smoke_testing) {
    const std::string report_file = arguments[smoke_test + 1].toLocal8Bit().toStdString();
    window.SetAfterFormShow(
        [&window, &recorder, report_file] { RunSmokeTest(window, recorder, report_file); });
  } else if (quit_after_first_refresh) {
    window.SetAfterFormShow([] { QApplication::quit(); });
  }
  window.show();
  return QApplication::exec();
}

}  // namespace kestrine
