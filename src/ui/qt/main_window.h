// The main window on Qt 6 Widgets: the controls at their places under their own names, the
// four list views, the status bar, Timer2 and the tray icon. It decides nothing: every event is
// forwarded to TForm1 through the top-level handler, and the adapters draw what TForm1 hands
// them.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "drive_round.h"
#include "form_adapters.h"
#include "qt_controls.h"
#include "qt_list_view.h"
#include "toolkit.h"
#include "unit1.h"

class QMenu;
class QSystemTrayIcon;
class QTabWidget;
class QTimer;
class QTreeWidget;

namespace kestrine {

class MainWindow : public QWidget {
 public:
  // Builds the window with its controls; Timer2 starts counting and the tray icon is added.
  explicit MainWindow(Application& app, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The controls for TForm1, which the window outlives.
  FormControls Controls();
  // From here on the window's events reach `form`, which must stay until the window is
  // destroyed; events that come before are dropped.
  void Attach(TForm1& form);
  // From here on the attached form reads its other drives through `port` on the round's thread
  // (drive_round.h); their sessions come back to the form on the window's thread.
  void StartRound(DevicePort& port);
  // Runs each time after FormShow has returned (the program's start-up timing uses it).
  void SetAfterFormShow(std::function<void()> callback) { after_form_show_ = std::move(callback); }

  QSystemTrayIcon* TrayIcon1() const { return tray_icon_; }
  // The form attached; null before.
  TForm1* Form() const { return form_; }
  QTimer* Timer2() const { return timer2_; }

 protected:
  // Whether the desktop has a notification area to put the program in. Without one a hidden
  // window could not be brought back, so minimizing then leaves the window minimized.
  virtual bool NotificationAreaAvailable() const;
  // Whether the tray icon is served over D-Bus to a status-notifier host (KDE Plasma, GNOME with
  // the AppIndicator extension, ...). Such a host passes a left click on as a single activation
  // and never reports a double click, so there a single click brings the hidden window back.
  virtual bool TrayServedOverDBus() const;

  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Shift+F10 in a list view opens its menu, as the Menu key does.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateMenus();
  void CreateTrayIcon();
  // The form's ListView<number>, on the page control.
  QTreeWidget* CreateListView(int number);
  void Forward(void (TForm1::*handler)());
  void RestoreFromTray();
  // The page control and the status bar at the window's size (form_layout.h).
  void LayOutClientArea();
  // Hands the drives the round has read to the form.
  void TakeRound();
  // Moves the window just enough to lie within its screen's available area, if it does not.
  void KeepOnScreen();

  Application& app_;
  TForm1* form_ = nullptr;
  bool form_shown_ = false;
  std::function<void()> after_form_show_;

  // The widgets that are reached after they are made; Qt owns them all through their parents.
  QTabWidget* page_control1_ = nullptr;
  QWidget* status_bar1_ = nullptr;
  QMenu* popup_menu1_ = nullptr;
  QMenu* tray_menu2_ = nullptr;
  QSystemTrayIcon* tray_icon_ = nullptr;
  QTimer* timer2_ = nullptr;

  std::unique_ptr<DriveRound> round_;  // taken down first, before the form and the widgets
  FormAdapters<QtListView, QtComboBox, QtStatusBar, QtLabel, QtTrayIcon, QtPageControl> adapters_;
};

}  // namespace kestrine
