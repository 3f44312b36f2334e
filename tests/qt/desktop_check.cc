// kestrine-desktop-check: the demo window on a real desktop, for scripts/test-desktop.sh. The
// first demo disk starts with 8 reallocated sectors (so its first reading tells a WARNING); once
// the first refresh has finished it has 12, and the window re-reads every --tick-ms milliseconds
// (default 2000) instead of every ten minutes, so that its first tick has a rise to tell and the
// ticks after it have nothing. At the second tick the third drive (a healthy one) is chosen, as a
// user would. At the first tick the fourth disk, not shown, gets one pending sector more, which
// the round of the other drives tells (at that tick or the next), the last thing told. With
// --history FILE the readings are kept in FILE. Each tick and each click on a notification is
// written to standard output as one line, "tick N" or "clicked", with "visible=0|1 drive=TEXT".
#include <QComboBox>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "demo_drives.h"
#include "drive_image_builder.h"
#include "history_recorder.h"
#include "locked_device_port.h"
#include "main_window.h"
#include "run_window.h"
#include "self_check.h"
#include "sim_bay.h"
#include "window_history.h"

namespace kestrine {
namespace {

SimBay bay;
LockedDevicePort port(bay);  // the window's thread and the round's share the bay

void Report(const char* event, const MainWindow& window) {
  const auto* selector = window.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
  std::printf("%s visible=%d drive=%s\n", event, window.isVisible() ? 1 : 0,
              selector ? selector->currentText().toLatin1().constData() : "");
  std::fflush(stdout);
}

class DesktopCheck final : public SelfCheck {
 public:
  DesktopCheck(Application& services, int tick_ms, QString history)
      : services_(services), tick_ms_(tick_ms), history_(std::move(history)) {}
  Application& App() override { return services_; }

  void Run(MainWindow& window) override {
    port.Exclusive([] { SetAttributeRaw(bay.FindDrive(kDemoHealthyDisk)->image, 5, 12); });
    if (!history_.isEmpty() && window.Form() != nullptr) {
      recorder_.emplace(HistoryLocation{history_.toStdString()}, kWindowProgramName);
      KeepReadingsIn(*window.Form(), *recorder_);
    }
    // Connected after the window's own handlers, so each runs once the window has done its part.
    QObject::connect(window.Timer2(), &QTimer::timeout, &window, [this, &window] {
      ++ticks_;
      Report(("tick " + std::to_string(ticks_)).c_str(), window);
      if (ticks_ == 1) {
        port.Exclusive([] { SetAttributeRaw(bay.FindDrive(kDemoPendingSectors)->image, 197, 9); });
      }
      if (ticks_ != 2) return;
      if (auto* selector = window.findChild<QComboBox*>(QStringLiteral("ComboBox1")))
        selector->setCurrentIndex(2);
    });
    QObject::connect(window.TrayIcon1(), &QSystemTrayIcon::messageClicked, &window,
                     [&window] { Report("clicked", window); });
    window.Timer2()->start(tick_ms_);
    Report("started", window);
  }

 private:
  Application& services_;
  int tick_ms_;
  QString history_;
  std::optional<HistoryRecorder> recorder_;
  int ticks_ = 0;
};

}  // namespace

std::unique_ptr<SelfCheck> SelfCheckFromArguments(const QStringList& arguments,
                                                  Application& services) {
  const auto option = arguments.indexOf(QStringLiteral("--tick-ms"));
  const int tick_ms =
      option >= 0 && option + 1 < arguments.size() ? arguments[option + 1].toInt() : 2000;
  const auto history = arguments.indexOf(QStringLiteral("--history"));
  return std::make_unique<DesktopCheck>(
      services, tick_ms > 0 ? tick_ms : 2000,
      history >= 0 && history + 1 < arguments.size() ? arguments[history + 1] : QString());
}

}  // namespace kestrine

int main(int argc, char** argv) {
  kestrine::AddDemoDrives(kestrine::bay);
  kestrine::SetAttributeRaw(kestrine::bay.FindDrive(kestrine::kDemoHealthyDisk)->image, 5, 8);
  return kestrine::RunWindow(argc, argv, kestrine::port, nullptr, false, &kestrine::port);
}
