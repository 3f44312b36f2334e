#include "smoke_test.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdio>

#include "file_target.h"
#include "file_writer.h"
#include "form_texts.h"
#include "main_window.h"
#include "qt_latin1.h"
#include "self_check.h"
#include "smoke_test_lines.h"
#include "window_options.h"

namespace kestrine {

namespace {

std::string Text(const QString& text) {
  return text.toLatin1().toStdString();
}

template <typename Widget>
Widget* Child(const MainWindow& window, const char* name) {
  return window.findChild<Widget*>(QLatin1String(name));
}

// What the window shows, one "step.key=value" line per item; the Identify view row by row.
std::string ReadWindow(const std::string& step, const MainWindow& window) {
  std::string lines;
  const auto line = [&](const std::string& key, const std::string& value) {
    lines += SmokeTestLine(step, key, value);
  };
  line("caption", Text(window.windowTitle()));
  if (const auto* selector = Child<QComboBox>(window, "ComboBox1")) {
    line("selector.count", std::to_string(selector->count()));
    for (int i = 0; i < selector->count(); ++i) line("selector.entry", Text(selector->itemText(i)));
    line("selector.text", Text(selector->currentText()));
  }
  for (const char* name : {"ListView1", "ListView2", "ListView3", "ListView4", "ListView5"}) {
    const auto* view = Child<QTreeWidget>(window, name);
    line(std::string(name) + ".rows", std::to_string(view ? view->topLevelItemCount() : -1));
  }
  if (const auto* identify = Child<QTreeWidget>(window, "ListView2")) {
    for (int i = 0; i < identify->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = identify->topLevelItem(i);
      line("ListView2.row", Text(item->text(0)) + "|" + Text(item->text(1)));
    }
  }
  if (const auto* pages = Child<QTabWidget>(window, "PageControl1")) {
    line("page", std::to_string(pages->currentIndex()));
  }
  if (const auto* status = Child<QLabel>(window, "StatusBar1Text"))
    line("status", Text(status->text()));
  if (const auto* condition = Child<QLabel>(window, "lblstatus")) {
    line("lblstatus", Text(condition->text()));
  }
  const QSystemTrayIcon* tray = window.TrayIcon1();
  line("tray.hint", tray ? Text(tray->toolTip()) : std::string());
  return lines;
}

}  // namespace

void RecordingApplication::ShowMessage(const std::string& text) {
  boxes_.push_back("message=caption:" + std::string(texts::kConfirmCaption) +
                   " buttons:OK text:" + SmokeTestValue(text));
}

bool RecordingApplication::AskYesNo(const std::string& caption, const std::string& text) {
  boxes_.push_back("question=caption:" + SmokeTestValue(caption) +
                   " buttons:Yes/No text:" + SmokeTestValue(text));
  return false;
}

std::optional<std::string> RecordingApplication::SaveFileDialog(const SaveDialogOptions& options) {
  boxes_.push_back("save-dialog=title:" + SmokeTestValue(options.title));
  return std::nullopt;
}

std::vector<std::string> RecordingApplication::TakeBoxes() {
  std::vector<std::string> boxes;
  boxes.swap(boxes_);
  return boxes;
}

void RunSmokeTest(MainWindow& window, RecordingApplication& app, const std::string& report_file) {
  std::string report;
  const auto record = [&](const std::string& step) {
    report += ReadWindow(step, window);
    for (const std::string& box : app.TakeBoxes()) report += step + "." + box + "\n";
  };
  // The first refresh, run by FormShow.
  record("start");
  // "Refresh" in the list views' menu, through the window's own handler.
  if (auto* refresh = window.findChild<QAction*>(QStringLiteral("Refresh1"))) refresh->trigger();
  record("refresh");
  // The second entry chosen in the selector.
  if (auto* selector = Child<QComboBox>(window, "ComboBox1"); selector && selector->count() >= 2) {
    selector->setCurrentIndex(1);
    record("choose");
  }
  // The file is written as any file the user names: never through a link, never into a device.
  if (const auto fault = ReplaceFileSafely(report_file, report)) {
    std::fprintf(stderr, "--smoke-test: %s: %s\n", PrintableFileName(report_file).c_str(),
                 fault->Reason().c_str());
    QApplication::exit(1);
    return;
  }
  QApplication::quit();
}

namespace {

class SmokeTest final : public SelfCheck {
 public:
  SmokeTest(Application& services, std::string report_file)
      : recorder_(services), report_file_(std::move(report_file)) {}
  Application& App() override { return recorder_; }
  void Run(MainWindow& window) override { RunSmokeTest(window, recorder_, report_file_); }

 private:
  RecordingApplication recorder_;
  std::string report_file_;
};

}  // namespace

std::unique_ptr<SelfCheck> SelfCheckFromArguments(const QStringList& arguments,
                                                  Application& services) {
  const auto option = arguments.indexOf(QString::fromLatin1(kSmokeTestOption));
  if (option < 0 || option + 1 >= arguments.size()) return nullptr;
  return std::make_unique<SmokeTest>(services, arguments[option + 1].toLocal8Bit().toStdString());
}

}  // namespace kestrine
