// The Qt message boxes and the save dialog, answered from inside the event loop that shows them:
// the Yes/No question leaves the main window usable and its timer running, and choosing an
// existing file in the save dialog replaces it without a question.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "qt_application.h"
#include "qt_test_main.h"
#include "window_fixture.h"

namespace kestrine::testing {
namespace {

constexpr int kPollMs = 5;
constexpr qint64 kGiveUpMs = 10000;

// Reacts to the dialogs that the code under test shows, one scripted reaction per dialog in the
// order they appear. A reaction returns false to be tried again on the next poll (the dialog
// stays open meanwhile). A dialog beyond the script, or a script not done in time, fails the test
// and every open dialog is rejected, so that a fault fails the test instead of hanging it.
class DialogScript {
 public:
  using Reaction = std::function<bool(QDialog&)>;

  explicit DialogScript(std::vector<Reaction> reactions)
      : reactions_(reactions.begin(), reactions.end()) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(kPollMs);
    started_.start();
  }

  bool Done() const { return reactions_.empty() && !busy_; }
  int Unexpected() const { return unexpected_; }

 private:
  static std::vector<QDialog*> OpenDialogs() {
    std::vector<QDialog*> dialogs;
    for (QWidget* const widget : QApplication::topLevelWidgets()) {
      auto* const dialog = qobject_cast<QDialog*>(widget);
      if (dialog != nullptr && dialog->isVisible()) dialogs.push_back(dialog);
    }
    return dialogs;
  }

  void Poll() {
    if (giving_up_ || started_.elapsed() > kGiveUpMs) {
      if (!giving_up_ && !reactions_.empty()) ADD_FAILURE() << "a scripted dialog did not come";
      giving_up_ = true;
      for (QDialog* const dialog : OpenDialogs()) dialog->reject();
      return;
    }
    if (busy_) return;
    for (QDialog* const dialog : OpenDialogs()) {
      if (dialog == handled_) continue;  // answered, not yet gone
      if (reactions_.empty()) {
        ++unexpected_;
        ADD_FAILURE() << "unexpected dialog: " << dialog->windowTitle().toStdString();
        giving_up_ = true;
        return;
      }
      // Run outside this slot: a timer does not fire again while its slot runs, and a reaction
      // may open a dialog of its own.
      busy_ = true;
      QPointer<QDialog> target(dialog);
      QTimer::singleShot(0, &timer_, [this, target] {
        busy_ = false;
        if (target.isNull()) return;
        // Taken before it runs: a dialog it opens meets the next reaction, and this dialog is
        // not met again while the reaction runs.
        Reaction reaction = std::move(reactions_.front());
        reactions_.pop_front();
        handled_ = target;
        if (!reaction(*target)) {
          reactions_.push_front(std::move(reaction));
          handled_ = nullptr;
        }
      });
      return;
    }
  }

  QTimer timer_;
  QElapsedTimer started_;
  std::deque<Reaction> reactions_;
  QPointer<QDialog> handled_;
  bool busy_ = false;
  bool giving_up_ = false;
  int unexpected_ = 0;
};

void SendKey(QWidget& widget, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QCoreApplication::sendEvent(&widget, &release);
}

constexpr char kCaption[] = "Kestrine";
constexpr char kQuestion[] = "Caf\xE9 ready?\r\nTest will take some time.";

// What a question must look like while it is open: its own window with no owner, no modality
// (nothing blocks the other windows), the caption and text as given, Yes and No with Yes the
// default, and no icon.
void ExpectOwnerlessYesNoQuestion(QMessageBox& box) {
  EXPECT_EQ(box.parent(), nullptr);
  EXPECT_EQ(box.windowModality(), Qt::NonModal);
  EXPECT_FALSE(box.isModal());
  EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(box.windowTitle(), QString::fromLatin1(kCaption));
  EXPECT_EQ(box.text(), QString::fromLatin1(kQuestion));
  EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
  EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
  EXPECT_NE(box.button(QMessageBox::Yes), nullptr);
  EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Yes));
}

struct AnswerCase {
  const char* name;
  std::function<void(QMessageBox&)> answer;
  bool expected;
};

TEST(QtQuestion, OwnerlessNonModalYesNoWhoseAnswerIsReturned) {
  const AnswerCase cases[] = {
      {"Yes clicked", [](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }, true},
      {"No clicked", [](QMessageBox& box) { box.button(QMessageBox::No)->click(); }, false},
      {"Return takes the default", [](QMessageBox& box) { SendKey(box, Qt::Key_Return); }, true},
      {"Escape", [](QMessageBox& box) { SendKey(box, Qt::Key_Escape); }, false},
      {"closed without an answer", [](QMessageBox& box) { box.close(); }, false},
  };
  QtApplication app;
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.name);
    DialogScript script({[&c](QDialog& dialog) {
      auto* const box = qobject_cast<QMessageBox*>(&dialog);
      EXPECT_NE(box, nullptr);
      if (box == nullptr) return false;
      ExpectOwnerlessYesNoQuestion(*box);
      c.answer(*box);
      return true;
    }});
    EXPECT_EQ(app.AskYesNo(kCaption, kQuestion), c.expected);
    EXPECT_TRUE(script.Done());
    EXPECT_EQ(script.Unexpected(), 0);
  }
}

// The main window over the real Qt services (message boxes on the screen, not recorded).
struct QtServicesWindow {
  SimBay bay;
  SmartDrv drv{bay};
  QtApplication app;
  TestWindow window{app};
  TForm1 form{drv, window.Controls()};

  explicit QtServicesWindow(int drives = 1) {
    window.Attach(form);
    for (int number = 0; number < drives; ++number) bay.AddDrive(number, FailingSataDisk());
    window.show();
    WindowFixture::Settle();
  }

  int Refreshes() const {
    return static_cast<int>(std::ranges::count_if(bay.Requests(), [](const RecordedRequest& r) {
      return r.code == kIoctlStorageQueryProperty;
    }));
  }
  int Opens() const { return static_cast<int>(bay.Opens().size()); }
};

TEST(QtQuestion, TheWindowKeepsWorkingWhileTheSelfTestQuestionIsOpen) {
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes ? "Yes" : "No");
    QtServicesWindow fx;
    ASSERT_EQ(fx.Refreshes(), 1);
    auto* const button4 = fx.window.findChild<QPushButton*>(QStringLiteral("Button4"));
    auto* const refresh = fx.window.findChild<QAction*>(QStringLiteral("Refresh1"));
    ASSERT_NE(button4, nullptr);
    ASSERT_NE(refresh, nullptr);

    int opens_before_answer = -1;
    bool refreshed_by_menu = false;
    DialogScript script({[&](QDialog& dialog) {
      // Wait, with the question open, until Timer2 has ticked and refreshed.
      if (fx.Refreshes() < 2) return false;
      EXPECT_TRUE(fx.window.isEnabled());
      EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
      // The main window's menu works as well.
      const int refreshes = fx.Refreshes();
      refresh->trigger();
      refreshed_by_menu = fx.Refreshes() == refreshes + 1;
      fx.window.Timer2()->stop();
      opens_before_answer = fx.Opens();
      auto* const box = qobject_cast<QMessageBox*>(&dialog);
      EXPECT_NE(box, nullptr);
      if (box != nullptr) box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
      return true;
    }});
    fx.window.Timer2()->start(1);
    button4->click();

    EXPECT_TRUE(script.Done());
    EXPECT_EQ(script.Unexpected(), 0);
    EXPECT_TRUE(refreshed_by_menu);
    // Yes opens the selected drive once for the command; No opens nothing.
    EXPECT_EQ(fx.Opens(), opens_before_answer + (yes ? 1 : 0));
  }
}

// Another drive chosen while the question is open does not take the test from the drive the
// question was about; the views show the chosen one.
TEST(QtQuestion, TheSelfTestGoesToTheDriveSelectedWhenItsButtonWasClicked) {
  QtServicesWindow fx(2);
  auto* const combo = fx.window.findChild<QComboBox*>(QStringLiteral("ComboBox1"));
  auto* const button2 = fx.window.findChild<QPushButton*>(QStringLiteral("Button2"));
  ASSERT_NE(combo, nullptr);
  ASSERT_NE(button2, nullptr);
  combo->setCurrentIndex(1);
  DialogScript script({[&](QDialog& dialog) {
    combo->setCurrentIndex(0);
    auto* const box = qobject_cast<QMessageBox*>(&dialog);
    EXPECT_NE(box, nullptr);
    if (box != nullptr) box->button(QMessageBox::Yes)->click();
    return true;
  }});
  button2->click();

  EXPECT_TRUE(script.Done());
  EXPECT_EQ(script.Unexpected(), 0);
  EXPECT_EQ(fx.bay.FindDrive(1)->self_tests_started, 1);
  EXPECT_EQ(fx.bay.FindDrive(0)->self_tests_started, 0);
  EXPECT_EQ(combo->currentText(), QString::fromLatin1(kDrive0) + QStringLiteral("  QT TEST DISK"));
}

TEST(QtSaveDialog, ChoosingAnExistingFileReplacesItWithoutAQuestion) {
  // The dialog drawn by Qt itself, which the test can reach.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString existing = folder.filePath(QStringLiteral("report.html"));
  {
    QFile file(existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old report");
  }

  QtApplication app;
  DialogScript script({[&existing](QDialog& dialog) {
    auto* const files = qobject_cast<QFileDialog*>(&dialog);
    EXPECT_NE(files, nullptr);
    if (files == nullptr) return false;
    EXPECT_EQ(files->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(files->defaultSuffix(), QStringLiteral("html"));
    // The user goes to the folder and types the name of the file there.
    files->setDirectory(QFileInfo(existing).absolutePath());
    auto* const name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    EXPECT_NE(name, nullptr);
    if (name == nullptr) return false;
    name->setText(QFileInfo(existing).fileName());
    dialog.accept();  // as the dialog's Save button does
    return true;
  }});
  const std::optional<std::string> chosen = app.SaveFileDialog(
      {.title = "Save", .filter = "HTML files (*.html)|*.HTML", .default_extension = "*.html"});
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(script.Unexpected(), 0);  // no "already exists" question
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, QFile::encodeName(existing).toStdString());
}

}  // namespace
}  // namespace kestrine::testing
