// The Qt main window, offscreen: the controls as laid out, the events reaching TForm1, and the
// window going to the tray only where there is a tray to bring it back from, and coming back by
// the click the tray reports.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "demo_drives.h"
#include "qt_test_main.h"
#include "window_fixture.h"

namespace kestrine::testing {
namespace {

TEST(MainWindowLayout, OpensAtItsSizeAndCanBeResizedAndMaximized) {
  WindowFixture fx;
  EXPECT_EQ(fx.window.windowTitle(), QStringLiteral("Kestrine 0.7 by kestrine@example.org"));
  EXPECT_EQ(fx.window.size(), QSize(611, 469));
  EXPECT_EQ(fx.window.minimumSize(), QSize(560, 240));
  EXPECT_EQ(fx.window.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
  EXPECT_EQ(fx.window.pos(), QPoint(354, 165));
  const Qt::WindowFlags flags = fx.window.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_FALSE(fx.window.windowIcon().isNull());
}

// Each demo drive shown in turn: no cell and no caption is wider than its column at the opened
// size; resized, the pages and their list views grow with the window and the status bar stays
// along its bottom edge.
TEST(MainWindowLayout, ColumnsFitTheirCellsAndThePagesGrowWithTheWindow) {
  WindowFixture fx;
  AddDemoDrives(fx.bay);
  fx.Show();
  auto* const selector = fx.Find<QComboBox>("ComboBox1");
  for (int entry = 0; entry < selector->count(); ++entry) {
    selector->setCurrentIndex(entry);
    fx.Settle();
    for (const char* name : {"ListView1", "ListView2", "ListView3", "ListView4"}) {
      const auto* const view = fx.Find<QTreeWidget>(name);
      const QFontMetrics metrics = view->fontMetrics();
      for (int column = 0; column < view->columnCount(); ++column) {
        int widest = metrics.horizontalAdvance(view->headerItem()->text(column));
        for (int row = 0; row < view->topLevelItemCount(); ++row) {
          widest =
              std::max(widest, metrics.horizontalAdvance(view->topLevelItem(row)->text(column)));
        }
        EXPECT_GT(view->columnWidth(column), widest)
            << selector->currentText().toStdString() << " " << name << " column " << column;
      }
    }
  }
  const auto* const list = fx.Find<QTreeWidget>("ListView2");  // on the page shown
  const QSize opened = list->size();
  fx.window.resize(1000, 700);
  fx.Settle();
  EXPECT_EQ(list->size(), opened + QSize(1000 - 611, 700 - 469));
  EXPECT_EQ(fx.Find<QStatusBar>("StatusBar1")->geometry(), QRect(0, 700 - 19, 1000, 19));
}

struct PlacedControl {
  const char* name;
  QPoint place;
  QSize size;  // empty: sized by its content
  const char* text;
};

TEST(MainWindowLayout, ControlsAtTheirPlacesWithTheirTexts) {
  WindowFixture fx;
  const std::vector<PlacedControl> controls = {
      {"Label1", {7, 7}, {}, "Drive"},
      {"ComboBox1", {46, 7}, {195, 0}, ""},
      {"Button4", {248, 7}, {100, 25}, "Self Test (Short)"},
      {"Button2", {360, 8}, {100, 25}, "Self Test (Ext.)"},
      {"lblstatus", {520, 8}, {}, ""},
      {"PageControl1", {8, 40}, {593, 401}, nullptr},
      {"StatusBar1", {0, 450}, {611, 19}, nullptr},
  };
  for (const PlacedControl& control : controls) {
    SCOPED_TRACE(control.name);
    const QWidget* const widget = fx.Find<QWidget>(control.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->pos(), control.place);
    if (control.size.width() > 0) {
      EXPECT_EQ(widget->width(), control.size.width());
    }
    if (control.size.height() > 0) {
      EXPECT_EQ(widget->height(), control.size.height());
    }
    if (control.text == nullptr) continue;
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(widget)) text = label->text();
    if (auto* button = qobject_cast<const QPushButton*>(widget)) text = button->text();
    if (auto* combo = qobject_cast<const QComboBox*>(widget)) text = combo->currentText();
    EXPECT_EQ(text, QString::fromLatin1(control.text));
  }

  auto* const combo = fx.Find<QComboBox>("ComboBox1");
  EXPECT_TRUE(combo->isEditable());
  EXPECT_EQ(combo->count(), 0);
  auto* const lblstatus = fx.Find<QLabel>("lblstatus");
  EXPECT_EQ(lblstatus->font().pixelSize(), 16);
  EXPECT_TRUE(lblstatus->autoFillBackground());
  EXPECT_EQ(fx.StatusText(), "");
}

struct TabledListView {
  const char* name;
  int page;
  const char* page_caption;
  std::vector<std::string> captions;
  std::vector<int> widths;  // 0: the header's default width
};

TEST(MainWindowLayout, PagesHoldTheReportListViewsWithTheirColumns) {
  WindowFixture fx;
  auto* const pages = fx.Find<QTabWidget>("PageControl1");
  ASSERT_EQ(pages->count(), 5);
  EXPECT_EQ(pages->currentIndex(), 0);

  const std::vector<TabledListView> views = {
      {"ListView2", 0, "Identify", {"Item", "Value"}, {100, 450}},
      {"ListView1",
       1,
       "Attributes",
       {"AttrID", "Type", "Value", "Worse", "Threshold", "Raw", "Name"},
       {49, 75, 49, 49, 75, 49, 203}},
      {"ListView3",
       2,
       "Self Test Logs",
       {"Num", "Lifetime (hours)", "Description", "Status", "LBA of 1st error", "Remaining"},
       {0, 100, 150, 100, 100, 75}},
      {"ListView4", 3, "General", {"Item", "Value", "Description"}, {200, 0, 300}},
      {"ListView5", 4, "Statistics", {"Item", "Value"}, {250, 300}},
  };
  auto* const menu = fx.Find<QMenu>("PopupMenu1");
  for (const TabledListView& tabled : views) {
    SCOPED_TRACE(tabled.name);
    auto* const view = fx.Find<QTreeWidget>(tabled.name);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(pages->widget(tabled.page), view);
    EXPECT_EQ(pages->tabText(tabled.page), QString::fromLatin1(tabled.page_caption));
    ASSERT_EQ(view->columnCount(), static_cast<int>(tabled.captions.size()));
    for (int i = 0; i < view->columnCount(); ++i) {
      const auto at = static_cast<std::size_t>(i);
      EXPECT_EQ(view->headerItem()->text(i), QString::fromStdString(tabled.captions[at]));
      const int width =
          tabled.widths[at] == 0 ? view->header()->defaultSectionSize() : tabled.widths[at];
      // Its set width, or wider where the caption needs it.
      EXPECT_GE(view->columnWidth(i), width) << tabled.captions[at];
      EXPECT_GT(view->columnWidth(i),
                view->fontMetrics().horizontalAdvance(QString::fromStdString(tabled.captions[at])))
          << tabled.captions[at];
    }
    EXPECT_FALSE(view->rootIsDecorated());
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(view->contextMenuPolicy(), Qt::CustomContextMenu);
  }

  // From the keyboard: the Menu key and Shift+F10 open the menu of the list view in focus.
  fx.Show();
  for (const TabledListView& tabled : views) {
    SCOPED_TRACE(tabled.name);
    auto* const view = fx.Find<QTreeWidget>(tabled.name);
    pages->setCurrentIndex(tabled.page);
    view->setFocus();
    for (const bool shift_f10 : {false, true}) {
      menu->hide();
      if (shift_f10) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
        QCoreApplication::sendEvent(view, &press);
      } else {
        QContextMenuEvent menu_key(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                   view->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(view, &menu_key);
      }
      EXPECT_TRUE(menu->isVisible()) << (shift_f10 ? "Shift+F10" : "Menu key");
    }
    menu->hide();
    // F10 alone, or with another modifier, is not the menu's key.
    for (const Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::NoModifier),
          Qt::KeyboardModifiers(Qt::ControlModifier | Qt::ShiftModifier)}) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_F10, modifiers);
      QCoreApplication::sendEvent(view, &press);
      EXPECT_FALSE(menu->isVisible());
    }
  }

  const QList<QAction*> items = menu->actions();
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[0]->text(), QStringLiteral("Refresh"));
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_EQ(items[2]->text(), QStringLiteral("Save to HTML"));
}

TEST(MainWindowLayout, TrayIconWithItsMenuAndTheTimerRunFromCreation) {
  WindowFixture fx;
  QSystemTrayIcon* const tray = fx.window.TrayIcon1();
  ASSERT_NE(tray, nullptr);
  EXPECT_FALSE(tray->icon().isNull());
  EXPECT_EQ(tray->toolTip(), QString());
  auto* const tray_menu = fx.Find<QMenu>("TrayMenu2");
  EXPECT_EQ(tray->contextMenu(), tray_menu);
  ASSERT_EQ(tray_menu->actions().size(), 1);
  EXPECT_EQ(tray_menu->actions()[0]->objectName(), QStringLiteral("Restore1"));
  EXPECT_EQ(tray_menu->actions()[0]->text(), QStringLiteral("Quit"));

  QTimer* const timer = fx.window.Timer2();
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 600000);
}

TEST(MainWindowEvents, StartUpListsTheDrivesAndRefreshesTheFirstOnce) {
  WindowFixture fx;
  fx.AddTestDrives();
  fx.bay.RemoveDrive(1);
  EXPECT_EQ(fx.Refreshes(), 0);  // nothing is read before the window is shown
  fx.Show();

  auto* const combo = fx.Find<QComboBox>("ComboBox1");
  ASSERT_EQ(combo->count(), 2);
  // The drive read names its model after its path; the other is not read here.
  const QString first = QString::fromLatin1(kDrive0) + QStringLiteral("  QT TEST DISK");
  EXPECT_EQ(combo->itemText(0), first);
  EXPECT_EQ(combo->itemText(1), QString::fromLatin1(kDrive2));
  EXPECT_EQ(combo->currentText(), first);
  // Selecting the first entry by program raised no change: one refresh only.
  EXPECT_EQ(fx.Refreshes(), 1);
  EXPECT_EQ(fx.StatusText(), "BusType:Sata Method:IOCTL_ATA_PASS_THROUGH");
  EXPECT_TRUE(fx.app.messages.empty());

  // Shown again (back from the tray): FormShow does not run again.
  fx.window.hide();
  fx.Show();
  EXPECT_EQ(fx.Refreshes(), 1);
}

TEST(MainWindowEvents, ChoosingAnotherDriveRefreshesIt) {
  WindowFixture fx;
  fx.AddTestDrives();
  fx.Show();
  auto* const combo = fx.Find<QComboBox>("ComboBox1");
  ASSERT_EQ(combo->count(), 3);

  combo->setCurrentIndex(1);
  EXPECT_EQ(fx.Refreshes(), 2);
  EXPECT_EQ(fx.StatusText(), "BusType:Usb Method:IOCTL_SCSI_PASS_THROUGH");
  EXPECT_EQ(fx.Find<QTreeWidget>("ListView1")->topLevelItemCount(), 2);

  combo->setCurrentIndex(2);
  EXPECT_EQ(fx.Refreshes(), 3);
  EXPECT_EQ(fx.StatusText(), "BusType:Sata Method:IOCTL_ATA_PASS_THROUGH");
  EXPECT_TRUE(fx.app.messages.empty());
}

TEST(MainWindowEvents, EveryTypedKeyRefreshesAndBadTextIsShownByTheTopLevelHandler) {
  WindowFixture fx;
  fx.AddTestDrives();
  fx.Show();
  auto* const combo = fx.Find<QComboBox>("ComboBox1");
  QLineEdit* const edit = combo->lineEdit();
  edit->setFocus();
  // Typed before the path: keys typed after it change only the model shown.
  edit->home(false);
  for (const char key : {'x', 'y'}) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X + (key - 'x'), Qt::NoModifier,
                    QString(QLatin1Char(key)));
    QCoreApplication::sendEvent(edit, &press);
  }
  EXPECT_EQ(combo->currentText(),
            QStringLiteral("xy") + QString::fromLatin1(kDrive0) + QStringLiteral("  QT TEST DISK"));
  ASSERT_EQ(fx.app.messages.size(), 2u);
  EXPECT_EQ(fx.app.messages[0], "'x0' is not a valid integer value");
  EXPECT_EQ(fx.app.messages[1], "'xy0' is not a valid integer value");
  // The list views were cleared by the refreshes that stopped.
  EXPECT_EQ(fx.Find<QTreeWidget>("ListView1")->topLevelItemCount(), 0);
}

TEST(MainWindowEvents, MenusAndTimerReachTheirHandlers) {
  WindowFixture fx;
  fx.AddTestDrives();
  fx.Show();
  ASSERT_EQ(fx.Refreshes(), 1);

  fx.Find<QAction>("Refresh1")->trigger();
  EXPECT_EQ(fx.Refreshes(), 2);

  fx.Find<QAction>("SavetoHTML1")->trigger();
  EXPECT_EQ(fx.app.dialogs.size(), 1u);  // cancelled by the fake: nothing written

  // A tick: the timer is sped up so that it fires within the test.
  QTimer* const timer = fx.window.Timer2();
  timer->start(1);
  QElapsedTimer waited;
  waited.start();
  while (fx.Refreshes() < 3 && waited.elapsed() < 5000) QCoreApplication::processEvents();
  timer->stop();
  EXPECT_GE(fx.Refreshes(), 3);

  EXPECT_FALSE(fx.app.terminated);
  fx.Find<QAction>("Restore1")->trigger();
  EXPECT_TRUE(fx.app.terminated);
}

TEST(MainWindowEvents, ClosingTheWindowEndsTheProgram) {
  WindowFixture fx;
  fx.Show();
  fx.window.close();
  EXPECT_TRUE(fx.app.terminated);
}

TEST(MainWindowTray, MinimizeWithoutANotificationAreaKeepsTheWindow) {
  WindowFixture fx;
  fx.window.notification_area = false;
  fx.Show();
  fx.window.showMinimized();
  fx.Settle();
  EXPECT_TRUE(fx.window.isVisible());
  EXPECT_TRUE(fx.window.isMinimized());
}

TEST(MainWindowTray, MinimizeHidesAndADoubleClickOnTheIconRestores) {
  WindowFixture fx;
  fx.window.notification_area = true;
  fx.Show();
  QSystemTrayIcon* const tray = fx.window.TrayIcon1();

  fx.window.showMinimized();
  fx.Settle();
  EXPECT_FALSE(fx.window.isVisible());

  // A single click does nothing; a double click brings the window back.
  emit tray->activated(QSystemTrayIcon::Trigger);
  fx.Settle();
  EXPECT_FALSE(fx.window.isVisible());
  emit tray->activated(QSystemTrayIcon::DoubleClick);
  fx.Settle();
  EXPECT_TRUE(fx.window.isVisible());
  EXPECT_FALSE(fx.window.isMinimized());

  // A second double click while shown leaves it shown.
  emit tray->activated(QSystemTrayIcon::DoubleClick);
  fx.Settle();
  EXPECT_TRUE(fx.window.isVisible());
  EXPECT_FALSE(fx.window.isMinimized());
}

TEST(MainWindowTray, WhereTheHostSendsNoDoubleClicksASingleClickRestores) {
  // A status-notifier host over D-Bus reports a left click as Trigger and never a double click.
  WindowFixture fx;
  fx.window.notification_area = true;
  fx.window.tray_over_dbus = true;
  fx.Show();
  QSystemTrayIcon* const tray = fx.window.TrayIcon1();

  fx.window.showMinimized();
  fx.Settle();
  ASSERT_FALSE(fx.window.isVisible());
  emit tray->activated(QSystemTrayIcon::MiddleClick);
  fx.Settle();
  EXPECT_FALSE(fx.window.isVisible());
  emit tray->activated(QSystemTrayIcon::Trigger);
  fx.Settle();
  EXPECT_TRUE(fx.window.isVisible());
  EXPECT_FALSE(fx.window.isMinimized());

  // Clicks while the window is shown leave it shown; minimizing hides it again.
  for (const auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick}) {
    emit tray->activated(reason);
    fx.Settle();
    EXPECT_TRUE(fx.window.isVisible());
    EXPECT_FALSE(fx.window.isMinimized());
  }
  fx.window.showMinimized();
  fx.Settle();
  EXPECT_FALSE(fx.window.isVisible());
}

}  // namespace
}  // namespace kestrine::testing
